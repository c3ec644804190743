#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/formats/StringStream.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/EntriesAdded.h"
#include "core/trees/ImportBudget.h"

namespace brivanta::net {

// Which sections a reader takes.
enum EnvelopeSection : unsigned {
    kSystemSection = 1,   // "<SYSTEM>": the recommended tree
    kCustomSection = 2,   // "<CUSTOM>": the user's own tree
    kAddressSection = 4,  // "<ADDRESS>": the address book
    kAllSections = 7,
};

inline constexpr std::string_view kEnvelopeTag = "<BRIVANTA>";

// A mail body's tree: the kind of the tree it is meant for and the archive strings of its
// records, one per line. The lines stay in one string: a mail of millions of one-byte
// lines must not become millions of strings.
struct Envelope {
    int treeKind = kCustomTree;
    std::string data;  // the data lines, each with its CR LF

    // The data lines one by one (for tests and small envelopes).
    std::vector<std::string> lines() const;
    // Keeps only the first `records` records of `width` strings each.
    void keepRecords(size_t records, int width);
};

// The envelope of `branch` and its subtree, or of the whole tree for kNoItem. The section
// follows the tree's kind. A string that would break the line structure is mended: an
// empty one goes as a single blank (the reader's trim makes it empty again), and CR or LF
// inside a string go as blanks (a real mail server turns a lone LF into a line end).
std::string buildEnvelope(BookmarkTree& tree, ItemId branch = kNoItem);

// The envelope in `body`, or nothing when the body is none or its section is not in
// `accepted`. Reading stops at the first empty line.
std::optional<Envelope> readEnvelope(std::string_view body, unsigned accepted = kAllSections);

// Adds the records of `lines` at the top level of `tree`, after what is there; an
// incomplete last record is dropped. Returns the number of records added.
size_t loadEnvelope(BookmarkTree& tree, const std::vector<std::string>& lines);
// Charged to `budget` when given (which so tells how many entries were attached at the
// deepest level), otherwise to a default ImportBudget.
size_t loadEnvelope(BookmarkTree& tree, const Envelope& envelope, ImportBudget* budget = nullptr);
// The same, telling which entries it added.
EntriesAdded addEnvelope(BookmarkTree& tree, const Envelope& envelope,
                         ImportBudget* budget = nullptr);

// The section tag of a tree kind ("<CUSTOM>", "<ADDRESS>", otherwise "<SYSTEM>").
std::string_view sectionTag(int treeKind);

// Writes archive strings as envelope lines.
class EnvelopeWriter : public StringWriter {
  public:
    explicit EnvelopeWriter(std::string& out) : out_(out) {}
    void writeString(std::string_view s) override;

  private:
    std::string& out_;
};

// Hands the lines of one string (each ended by CR LF) to the archive reader.
class LineReader : public StringReader {
  public:
    explicit LineReader(std::string_view data) : rest_(data) {}
    bool readString(std::string& out) override;

  private:
    std::string_view rest_;
};

// Hands a list of strings to the archive reader.
class StringListReader : public StringReader {
  public:
    explicit StringListReader(const std::vector<std::string>& strings) : strings_(strings) {}
    bool readString(std::string& out) override;

  private:
    const std::vector<std::string>& strings_;
    size_t next_ = 0;
};

}  // namespace brivanta::net
