#include "core/sync/XbelSyncModel.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <pugixml.hpp>
#include <unordered_set>
#include <vector>

#include "core/formats/XbelBookmarks.h"
#include "core/formats/XmlMemoryCap.h"
#include "core/text/Encoding.h"

namespace brivanta::sync {

namespace {

constexpr std::string_view kNoteMark = " brivanta-sync ";
// Ids above this are taken for missing: Floccus counts in JavaScript numbers, and a hostile
// highestId near 2^64 would make new ids wrap around onto old ones.
constexpr SyncId kMaxId = SyncId{1} << 53;

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string stored(std::string_view utf8) {
    return isAscii(utf8) ? std::string(utf8) : text::fromUtf8(utf8);
}

std::string utf8Of(std::string_view storedText) {
    return isAscii(storedText) ? std::string(storedText) : text::toUtf8(storedText);
}

std::string titleOf(pugi::xml_node entry) {
    std::string utf8;
    for (pugi::xml_node t = entry.child("title").first_child(); t; t = t.next_sibling()) {
        if (t.type() == pugi::node_pcdata || t.type() == pugi::node_cdata)
            utf8 += t.value();
    }
    return stored(utf8);
}

std::optional<SyncId> idOf(pugi::xml_node entry) {
    std::string_view text = entry.attribute("id").value();
    SyncId id = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || id == 0 ||
        id > kMaxId)
        return std::nullopt;
    return id;
}

std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string unhex(std::string_view text) {
    std::string out;
    auto value = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        int high = value(text[i]);
        int low = value(text[i + 1]);
        if (high < 0 || low < 0)
            return {};
        out += static_cast<char>(high * 16 + low);
    }
    return out;
}

void appendIndent(std::string& out, std::size_t depth) {
    out.append(std::min<std::size_t>(depth, 16) * 2, ' ');
}

}  // namespace

XbelModelRead readXbelModel(std::string_view bytes) {
    XbelModelRead read;
    if (bytes.size() > kMaxXbelFileBytes) {
        read.failure = "文件太大（超过 " + std::to_string(kMaxXbelFileBytes >> 20) + " MB）";
        return read;
    }
    const std::size_t limit = std::min(kMaxXbelDocumentBytes,
                                       bytes.size() * kXbelDocumentPerFileByte + kXbelDocumentBase);
    XmlMemoryCap cap(limit);
    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_buffer(
        bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_comments);
    if (!parsed) {
        if (parsed.status == pugi::status_out_of_memory && cap.exceeded())
            read.failure = "文件的元素太多";
        else if (parsed.status == pugi::status_no_document_element)
            read.failure = "文件里没有 XML 元素";
        else
            read.failure = std::string("不是完整的 XML（") + parsed.description() + "）";
        return read;
    }
    pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), "xbel") != 0) {
        read.failure = std::string("不是 XBEL 书签文件（根元素是 <") + root.name() + ">）";
        return read;
    }

    SyncModel& model = read.model;
    std::unordered_set<SyncId> used;
    std::vector<std::size_t> withoutId;  // entries whose id is missing or taken
    SyncId separators = 0;
    std::vector<SyncId> parents{kSyncRoot};
    pugi::xml_node node = root.first_child();
    while (node) {
        bool descend = false;
        if (node.type() == pugi::node_element) {
            std::string_view tag = node.name();
            if (tag == "separator") {
                SyncEntry entry;
                entry.parent = parents.back();
                entry.separator = entry.serverOnly = true;
                entry.id = kFirstSeparatorId + ++separators;
                model.entries.push_back(std::move(entry));
            } else if (tag == "folder" || tag == "bookmark") {
                SyncEntry entry;
                entry.parent = parents.back();
                entry.folder = tag == "folder";
                entry.title = titleOf(node);
                if (!entry.folder) {
                    entry.url = stored(node.attribute("href").value());
                    entry.serverOnly = entry.url.empty();
                }
                for (pugi::xml_node d = node.child("desc").first_child(); d; d = d.next_sibling()) {
                    if (d.type() == pugi::node_pcdata || d.type() == pugi::node_cdata)
                        entry.desc += d.value();
                }
                std::optional<SyncId> id = idOf(node);
                if (id && used.insert(*id).second) {
                    entry.id = *id;
                    model.highestId = std::max(model.highestId, *id);
                } else {
                    withoutId.push_back(model.entries.size());
                }
                model.entries.push_back(std::move(entry));
                descend = model.entries.back().folder && node.first_child();
            }
        } else if (node.type() == pugi::node_comment && node.parent() == root) {
            std::string_view comment = node.value();
            if (auto highest = xbelHighestId(comment)) {
                if (*highest <= kMaxId)
                    model.highestId = std::max(model.highestId, *highest);
            } else if (comment.substr(0, kNoteMark.size()) == kNoteMark)
                read.note = unhex(comment.substr(
                    kNoteMark.size(), comment.find(' ', kNoteMark.size()) - kNoteMark.size()));
        }
        if (descend) {
            if (parents.size() > static_cast<std::size_t>(kMaxSyncDepth)) {
                read.failure = "文件夹嵌套太深（超过 " + std::to_string(kMaxSyncDepth) + " 层）";
                read.model = {};
                return read;
            }
            // The folder's id is not known yet when it has none: fixed below by index.
            parents.push_back(model.entries.back().id ? model.entries.back().id
                                                      : ~SyncId{0} - model.entries.size());
            node = node.first_child();
            continue;
        }
        while (!node.next_sibling() && node.parent() != root) {
            node = node.parent();
            parents.pop_back();
        }
        node = node.next_sibling();
    }
    // Entries without a usable id get new ones; children named their folder by a stand-in.
    std::unordered_map<SyncId, SyncId> standIns;
    for (std::size_t index : withoutId) {
        SyncEntry& entry = model.entries[index];
        entry.id = ++model.highestId;
        standIns.emplace(~SyncId{0} - (index + 1), entry.id);
    }
    if (!standIns.empty()) {
        for (SyncEntry& entry : model.entries) {
            auto it = standIns.find(entry.parent);
            if (it != standIns.end())
                entry.parent = it->second;
        }
    }
    return read;
}

std::string writeXbelModel(const SyncModel& model, std::string_view note) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE xbel PUBLIC \"+//IDN python.org//DTD XML Bookmark Exchange Language "
        "1.0//EN//XML\" \"http://pyxml.sourceforge.net/topics/dtds/xbel.dtd\">\n"
        "<xbel version=\"1.0\">\n";
    out.reserve(model.entries.size() * 100);
    SyncId highest = model.highestId;
    for (const SyncEntry& e : model.entries) {
        if (!e.separator)
            highest = std::max(highest, e.id);
    }
    out += xbelHighestIdComment(highest);
    out += '\n';
    if (!note.empty()) {
        out += "<!--";
        out += kNoteMark;
        out += hex(note);
        out += " -->\n";
    }
    std::vector<SyncId> open;  // folders not yet closed
    auto closeTo = [&](SyncId parent) {
        while (!open.empty() && open.back() != parent) {
            open.pop_back();
            appendIndent(out, open.size() + 1);
            out += "</folder>\n";
        }
    };
    for (const SyncEntry& e : model.entries) {
        closeTo(e.parent);
        const std::size_t depth = open.size() + 1;
        appendIndent(out, depth);
        if (e.separator) {
            out += "<separator/>\n";
            continue;
        }
        if (e.folder) {
            out += "<folder id=\"";
        } else {
            out += "<bookmark href=\"";
            appendXmlEscaped(out, utf8Of(e.url));
            out += "\" id=\"";
        }
        out += std::to_string(e.id);
        out += "\">\n";
        appendIndent(out, depth + 1);
        out += "<title>";
        appendXmlEscaped(out, utf8Of(e.title));
        out += "</title>\n";
        if (!e.desc.empty()) {
            appendIndent(out, depth + 1);
            out += "<desc>";
            appendXmlEscaped(out, e.desc);
            out += "</desc>\n";
        }
        if (e.folder) {
            open.push_back(e.id);
        } else {
            appendIndent(out, depth);
            out += "</bookmark>\n";
        }
    }
    closeTo(kSyncRoot);
    out += "</xbel>\n";
    return out;
}

}  // namespace brivanta::sync
