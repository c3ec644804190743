#include <algorithm>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "core/formats/BrowserImport.h"
#include "core/formats/FileStreams.h"
#include "core/text/Encoding.h"

namespace brivanta {

namespace {

using Json = nlohmann::json;

// Chromium's roots, by their key in "roots", in the order they become folders.
struct ChromiumRoot {
    const char* key;
    const char* name;  // UTF-8
};
constexpr ChromiumRoot kRoots[] = {
    {"bookmark_bar", "书签栏"},
    {"other", "其他书签"},
    {"synced", "移动设备书签"},
};
constexpr std::uint8_t kNoRoot = UINT8_MAX;
constexpr std::uint8_t kRootCount = std::size(kRoots);

// One object of a "children" list (or a root), in the order the file holds them: the file
// read as events into this compact list, instead of a document of every value (which takes
// dozens of times the file's size). A name may come after the children, so the entries are
// handed to the merger only once the file has been read whole.
struct Entry {
    std::uint32_t nameAt = 0;  // in BookmarkEvents::texts
    std::uint32_t urlAt = 0;
    std::uint32_t nameSize = 0;
    std::uint32_t urlSize = 0;
    std::uint32_t depth = 0;  // 0: a root
    std::uint8_t root = kNoRoot;
    bool folderType = false;    // "type": "folder"
    bool hasChildren = false;   // a "children" key, whatever its value
    bool listsEntries = false;  // a non-empty "children" array
};
static_assert(sizeof(Entry) <= 24);

// Reads the events of the parser into entries. Values that are no part of an entry (dates,
// ids, meta info) are passed over by counting their levels, keeping nothing.
class BookmarkEvents : public nlohmann::json_sax<Json> {
  public:
    // Stops at `maxEntries` entries, or once their names and addresses take `maxText` bytes
    // (what the tree could take of them at most).
    BookmarkEvents(std::size_t maxEntries, std::uint64_t maxText)
        : maxEntries_(maxEntries), maxText_(std::min<std::uint64_t>(maxText, UINT32_MAX)) {}

    enum class Outcome { Read, NotBookmarks, Invalid, TooMany, TooMuchText };

    // A deque: growing it never copies what is there, so a long list peaks at its own size.
    std::deque<Entry> entries;
    std::string texts;  // names and addresses (GBK), one after another
    Outcome outcome = Outcome::Read;
    bool sawRoots = false;

    bool null() override { return scalar(); }
    bool boolean(bool) override { return scalar(); }
    bool number_integer(number_integer_t) override { return scalar(); }
    bool number_unsigned(number_unsigned_t) override { return scalar(); }
    bool number_float(number_float_t, const string_t&) override { return scalar(); }
    bool binary(binary_t&) override { return scalar(); }

    bool string(string_t& value) override {
        if (skipping_ == 0 && !levels_.empty() && levels_.back() == Level::Entry) {
            Entry& e = entries[open_.back()];
            if (key_ == Key::Name || key_ == Key::Url) {
                const std::string stored = text::fromUtf8(value);
                if (texts.size() + stored.size() > maxText_) {
                    outcome = Outcome::TooMuchText;
                    return false;
                }
                const auto at = static_cast<std::uint32_t>(texts.size());
                const auto size = static_cast<std::uint32_t>(stored.size());
                texts += stored;
                if (key_ == Key::Name) {
                    e.nameAt = at;
                    e.nameSize = size;
                } else {
                    e.urlAt = at;
                    e.urlSize = size;
                }
            } else if (key_ == Key::Type) {
                e.folderType = value == "folder";
            }
        }
        return scalar();
    }

    bool start_object(std::size_t) override { return enter(true); }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return enter(false); }
    bool end_array() override { return close(); }

    bool key(string_t& name) override {
        key_ = Key::Other;
        if (skipping_ > 0 || levels_.empty())
            return true;
        switch (levels_.back()) {
            case Level::Document:
                if (name == "roots")
                    key_ = Key::Roots;
                break;
            case Level::Roots:
                rootKey_ = kNoRoot;
                for (std::uint8_t r = 0; r < kRootCount; ++r) {
                    if (name == kRoots[r].key) {
                        key_ = Key::Root;
                        rootKey_ = r;
                    }
                }
                break;
            case Level::Entry:
                if (name == "children") {
                    key_ = Key::Children;
                    entries[open_.back()].hasChildren = true;
                } else if (name == "name") {
                    key_ = Key::Name;
                    entries[open_.back()].nameSize = 0;  // the last one counts
                } else if (name == "url") {
                    key_ = Key::Url;
                    entries[open_.back()].urlSize = 0;
                } else if (name == "type") {
                    key_ = Key::Type;
                    entries[open_.back()].folderType = false;
                }
                break;
            case Level::Children:
                break;
        }
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        if (outcome == Outcome::Read)
            outcome = Outcome::Invalid;
        return false;
    }

  private:
    enum class Level : std::uint8_t { Document, Roots, Entry, Children };
    enum class Key : std::uint8_t { Other, Roots, Root, Children, Name, Url, Type };

    bool scalar() {
        if (skipping_ == 0 && !levels_.empty() && levels_.back() == Level::Children)
            entries[open_.back()].listsEntries = true;
        key_ = Key::Other;
        return true;
    }

    // An object or array begins: one that belongs to no entry is passed over. False stops
    // the parser (no bookmark file, or too many entries).
    bool enter(bool object) {
        if (skipping_ > 0) {
            ++skipping_;
            return true;
        }
        if (descend(object))
            return true;
        if (outcome != Outcome::Read)
            return false;
        skipping_ = 1;
        return true;
    }

    // Enters an object or array that is part of the bookmarks; false when it is not (or,
    // with `outcome` set, when the reading has to stop).
    bool descend(bool object) {
        if (levels_.empty()) {
            if (!object) {
                outcome = Outcome::NotBookmarks;
                return false;
            }
            levels_.push_back(Level::Document);
            return true;
        }
        const Key key = key_;
        key_ = Key::Other;
        switch (levels_.back()) {
            case Level::Document:
                if (object && key == Key::Roots) {
                    sawRoots = true;
                    levels_.push_back(Level::Roots);
                    return true;
                }
                break;
            case Level::Roots:
                if (object && key == Key::Root)
                    return openEntry(0, rootKey_);
                break;
            case Level::Entry:
                if (!object && key == Key::Children) {
                    levels_.push_back(Level::Children);
                    return true;
                }
                break;
            case Level::Children:
                entries[open_.back()].listsEntries = true;
                if (object)
                    return openEntry(entries[open_.back()].depth + 1, kNoRoot);
                break;
        }
        return false;
    }

    bool openEntry(std::uint32_t depth, std::uint8_t root) {
        if (entries.size() >= maxEntries_) {
            outcome = Outcome::TooMany;
            return false;
        }
        Entry e;
        e.depth = depth;
        e.root = root;
        e.nameAt = e.urlAt = static_cast<std::uint32_t>(texts.size());
        open_.push_back(static_cast<std::uint32_t>(entries.size()));
        entries.push_back(e);
        levels_.push_back(Level::Entry);
        return true;
    }

    bool close() {
        key_ = Key::Other;
        if (skipping_ > 0) {
            --skipping_;
            return true;
        }
        if (levels_.back() == Level::Entry) {
            // A link without an address adds nothing: let it go at once, so a file of
            // empty objects keeps no memory. It is the last entry (links hold none).
            const std::uint32_t index = open_.back();
            const Entry& e = entries[index];
            if (e.root == kNoRoot && !e.folderType && !e.hasChildren && e.urlSize == 0) {
                texts.resize(e.nameAt < e.urlAt ? e.nameAt : e.urlAt);
                entries.pop_back();
                ++emptyLinks;
            }
            open_.pop_back();
        }
        levels_.pop_back();
        return true;
    }

  public:
    // Links without an address that were let go (the merger counts them as skipped).
    std::size_t emptyLinks = 0;

  private:
    std::size_t maxEntries_;
    std::uint64_t maxText_;
    std::vector<Level> levels_;
    std::vector<std::uint32_t> open_;  // the entries being read, outermost first
    std::uint64_t skipping_ = 0;       // levels of a value being passed over
    Key key_ = Key::Other;
    std::uint8_t rootKey_ = kNoRoot;
};

std::string failure(const std::string& file, const std::string& why) {
    return "无法读取 Chromium 书签文件 “" + file + "”：" + why;
}

}  // namespace

std::string importChromiumBookmarks(const std::string& bookmarks, TreeMerger& merger) {
    std::error_code ec;
    std::filesystem::path file = bookmarks;
    if (std::filesystem::is_directory(file, ec))
        file /= "Bookmarks";
    const std::string fileName = file.string();
    std::string bytes;
    if (FileError e = readWholeFile(fileName, bytes))
        return e.readMessage();
    // Entries are counted in 32 bits: the budget's limit is far below that.
    BookmarkEvents events(std::min<std::size_t>(merger.budget().maxEntries(), UINT32_MAX),
                          merger.budget().maxMemory());
    // No exceptions: a damaged file is an error to report, not a crash.
    Json::sax_parse(bytes, &events, nlohmann::json::input_format_t::json, true);
    bytes = std::string();
    switch (events.outcome) {
        case BookmarkEvents::Outcome::Read:
        case BookmarkEvents::Outcome::TooMany:
        case BookmarkEvents::Outcome::TooMuchText:
            break;
        case BookmarkEvents::Outcome::NotBookmarks:
        case BookmarkEvents::Outcome::Invalid:
            return failure(fileName, "不是有效的 JSON 书签文件");
    }
    if (!events.sawRoots)
        return failure(fileName, "找不到书签的根（roots）");

    const std::deque<Entry>& entries = events.entries;
    auto text = [&](std::uint32_t at, std::uint32_t size) {
        return std::string_view(events.texts).substr(at, size);
    };
    for (std::uint8_t r = 0; r < kRootCount; ++r) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].depth != 0 || entries[i].root != r || !entries[i].listsEntries)
                continue;
            merger.openFolder(text::gbk(kRoots[r].name));
            // The entries below the root follow it in pre-order; `open` is the depth of the
            // folder the next one goes into.
            std::uint32_t open = 0;
            for (std::size_t j = i + 1; j < entries.size() && entries[j].depth > 0; ++j) {
                const Entry& e = entries[j];
                for (; open >= e.depth; --open)
                    merger.closeFolder();
                if (e.folderType || e.hasChildren) {
                    merger.openFolder(text(e.nameAt, e.nameSize));
                    open = e.depth;
                } else {
                    merger.addLink(text(e.nameAt, e.nameSize), text(e.urlAt, e.urlSize));
                }
            }
            for (; open > 0; --open)
                merger.closeFolder();
            merger.closeFolder();
        }
    }
    merger.countSkipped(events.emptyLinks);
    if (events.outcome == BookmarkEvents::Outcome::TooMany)
        merger.stopAt(ImportBudget::Stop::Entries);
    else if (events.outcome == BookmarkEvents::Outcome::TooMuchText)
        merger.stopAt(ImportBudget::Stop::Memory);
    return {};
}

}  // namespace brivanta
