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

    for (;;) {
        size_t end = body.find("\r\n");
        if (end == std::string_view::npos || end == 0)
            break;
        envelope.dataLines.emplace_back(body.substr(0, end));
        body.remove_prefix(end + 2);
    }
    return envelope;
}

size_t loadEnvelope(BookmarkTree& tree, const std::vector<std::string>& lines) {
    BookmarkTree::BulkUpdate bulk(tree);
    StringListReader reader(lines);
    return SerializeTree(tree, reader, kNoItem);
}

}  // namespace brivanta::net
