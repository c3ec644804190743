#include "core/net/TransferEnvelope.h"

#include <algorithm>

#include "core/formats/TreeArchive.h"

namespace brivanta::net {

std::string_view sectionTag(int treeKind) {
    if (treeKind == kCustomTree)
        return "<CUSTOM>";
    if (treeKind == kAddressBookTree)
        return "<ADDRESS>";
    return "<SYSTEM>";
}

void EnvelopeWriter::writeString(std::string_view s) {
    if (s.empty()) {
        out_ += " \r\n";
        return;
    }
    size_t start = out_.size();
    out_ += s;
    if (s.find_first_of("\r\n") != std::string_view::npos) {
        std::replace_if(
            out_.begin() + static_cast<std::ptrdiff_t>(start), out_.end(),
            [](char c) { return c == '\r' || c == '\n'; }, ' ');
    }
    out_ += "\r\n";
}

bool StringListReader::readString(std::string& out) {
    if (next_ >= strings_.size())
        return false;
    out = strings_[next_++];
    return true;
}

std::string buildEnvelope(BookmarkTree& tree, ItemId branch) {
    std::string out;
    out.reserve(64 + tree.size() * 48);
    out += kEnvelopeTag;
    out += "\r\n";
    out += sectionTag(tree.treeKind());
    out += "\r\n";
    EnvelopeWriter writer(out);
    SerializeTree(tree, writer, branch);
    return out;
}

std::optional<Envelope> readEnvelope(std::string_view body, unsigned accepted) {
    size_t p = body.find("\r\n");
    if (p == std::string_view::npos || p == 0)
        return std::nullopt;
    if (body.substr(0, p) != kEnvelopeTag)
        return std::nullopt;
    body.remove_prefix(p + 2);

    std::string_view tag;
    size_t q = body.find("\r\n");
    if (q != std::string_view::npos && q > 0) {
        tag = body.substr(0, q);
        body.remove_prefix(q + 2);
    }
    Envelope envelope;
    unsigned section = 0;
    if (tag == "<SYSTEM>") {
        section = kSystemSection;
        envelope.treeKind = kRecommendedTree;
    } else if (tag == "<CUSTOM>") {
        section = kCustomSection;
        envelope.treeKind = kCustomTree;
    } else if (tag == "<ADDRESS>") {
        section = kAddressSection;
        envelope.treeKind = kAddressBookTree;
    }
    if (section == 0 || (accepted & section) == 0)
        return std::nullopt;

    size_t length = 0;
    for (;;) {
        size_t end = body.find("\r\n", length);
        if (end == std::string_view::npos || end == length)
            break;
        length = end + 2;
    }
    envelope.data.assign(body.substr(0, length));
    return envelope;
}

bool LineReader::readString(std::string& out) {
    size_t end = rest_.find("\r\n");
    if (end == std::string_view::npos)
        return false;
    out.assign(rest_.substr(0, end));
    rest_.remove_prefix(end + 2);
    return true;
}

std::vector<std::string> Envelope::lines() const {
    std::vector<std::string> out;
    LineReader reader(data);
    std::string line;
    while (reader.readString(line))
        out.push_back(line);
    return out;
}

void Envelope::keepRecords(size_t records, int width) {
    size_t at = 0;
    for (size_t n = 0; n < records * static_cast<size_t>(width); ++n) {
        size_t end = data.find("\r\n", at);
        if (end == std::string::npos)
            return;
        at = end + 2;
    }
    data.resize(at);
}

size_t loadEnvelope(BookmarkTree& tree, const Envelope& envelope, ImportBudget* budget) {
    return addEnvelope(tree, envelope, budget).count;
}

EntriesAdded addEnvelope(BookmarkTree& tree, const Envelope& envelope, ImportBudget* budget) {
    const int before = tree.childCount(kNoItem);
    EntriesAdded added;
    {
        BookmarkTree::BulkUpdate bulk(tree);
        LineReader reader(envelope.data);
        added.count = SerializeTree(tree, reader, kNoItem, {}, budget);
    }
    added.roots = childrenFrom(tree, kNoItem, before);
    return added;
}

size_t loadEnvelope(BookmarkTree& tree, const std::vector<std::string>& lines) {
    BookmarkTree::BulkUpdate bulk(tree);
    StringListReader reader(lines);
    return SerializeTree(tree, reader, kNoItem);
}

}  // namespace brivanta::net
