#include "core/formats/XbelBookmarks.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <pugixml.hpp>

#include "core/formats/FileStreams.h"
#include "core/formats/XmlMemoryCap.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeWalk.h"

namespace brivanta {

namespace {

constexpr std::string_view kHighestIdMark = "highestId :";

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void appendStored(std::string_view utf8, std::string& out) {
    if (isAscii(utf8))
        out.append(utf8);
    else
        out.append(text::fromUtf8(utf8));
}

// The text of an entry's <title>, CDATA sections included, as stored text.
void readTitle(pugi::xml_node entry, std::string& utf8, std::string& stored) {
    utf8.clear();
    stored.clear();
    for (pugi::xml_node t = entry.child("title").first_child(); t; t = t.next_sibling()) {
        if (t.type() == pugi::node_pcdata || t.type() == pugi::node_cdata)
            utf8 += t.value();
    }
    appendStored(utf8, stored);
}

size_t lineOf(std::string_view bytes, std::ptrdiff_t offset) {
    const size_t end =
        std::min(bytes.size(), static_cast<size_t>(std::max<std::ptrdiff_t>(offset, 0)));
    return 1 + static_cast<size_t>(std::count(bytes.begin(), bytes.begin() + end, '\n'));
}

// Reads `size` bytes at `data`, which the parse may change in place when `inPlace`; `lineAt`
// tells the line of a byte offset in the bytes as they were before.
template <class LineAt>
XbelRead parseXbel(char* data, size_t size, bool inPlace, TreeMerger& merger, LineAt&& lineAt) {
    XbelRead read;
    if (size > kMaxXbelFileBytes) {
        read.failure = "文件太大（超过 " + std::to_string(kMaxXbelFileBytes >> 20) + " MB）";
        return read;
    }
    const size_t limit =
        std::min(kMaxXbelDocumentBytes, size * kXbelDocumentPerFileByte + kXbelDocumentBase);
    XmlMemoryCap cap(limit);
    pugi::xml_document document;
    // No DOCTYPE node, so its internal subset is skipped, never interpreted; comments are
    // kept for the highestId mark.
    const unsigned options = pugi::parse_default | pugi::parse_comments;
    pugi::xml_parse_result parsed = inPlace ? document.load_buffer_inplace(data, size, options)
                                            : document.load_buffer(data, size, options);
    if (!parsed) {
        if (parsed.status == pugi::status_out_of_memory && cap.exceeded()) {
            read.failure = "文件的元素太多（解析后超过 " + std::to_string(limit >> 20) + " MB）";
        } else if (parsed.status == pugi::status_no_document_element) {
            read.failure = "文件里没有 XML 元素";
        } else {
            read.failure = "不是完整的 XML，第 " + std::to_string(lineAt(parsed.offset)) +
                           " 行有误（" + parsed.description() + "）";
        }
        return read;
    }
    pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), "xbel") != 0) {
        read.failure = std::string("不是 XBEL 书签文件（根元素是 <") + root.name() + ">）";
        return read;
    }

    std::string utf8;
    std::string name;
    std::string address;
    // Pre-order without recursion: a hostile file may nest folders a million deep.
    pugi::xml_node node = root.first_child();
    while (node && !merger.stopped()) {
        if (node.type() == pugi::node_element) {
            std::string_view tag = node.name();
            if (tag == "folder") {
                readTitle(node, utf8, name);
                merger.openFolder(name);
                if (pugi::xml_node first = node.first_child()) {
                    node = first;
                    continue;
                }
                merger.closeFolder();
            } else if (tag == "bookmark") {
                readTitle(node, utf8, name);
                address.clear();
                appendStored(node.attribute("href").value(), address);
                merger.addLink(name, address);
            }
        } else if (node.type() == pugi::node_comment && node.parent() == root && !read.highestId) {
            read.highestId = xbelHighestId(node.value());
        }
        while (!node.next_sibling() && node.parent() != root) {
            node = node.parent();
            merger.closeFolder();
        }
        node = node.next_sibling();
    }
    return read;
}

void appendIndent(std::string& out, int depth) {
    // Deep trees would make the indentation grow with the square of the depth.
    out.append(static_cast<size_t>(std::min(depth, 16)) * 2, ' ');
}

void appendNumber(std::string& out, std::uint64_t value) {
    char digits[24];
    auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    (void)error;
    out.append(digits, end);
}

void appendUtf8FromStored(std::string_view stored, std::string& out) {
    if (isAscii(stored))
        out.append(stored);
    else
        out.append(text::toUtf8(stored));
}

}  // namespace

namespace {
// Whether byte `c` needs more than being copied: markup, control characters, and 0xEF (which
// may begin U+FFFE or U+FFFF).
constexpr bool needsCare(unsigned char c) {
    return c < 0x20 || c == '&' || c == '<' || c == '>' || c == '"' || c == 0x7F || c == 0xEF;
}

}  // namespace

// Appends UTF-8 `text` as XML character data that also fits in an attribute. Characters XML
// 1.0 cannot carry at all (other control characters, U+FFFE, U+FFFF) are left out.
void appendXmlEscaped(std::string& out, std::string_view text) {
    size_t plain = 0;  // start of the run copied as it is
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!needsCare(c))
            continue;
        if (c == 0xEF && !(i + 2 < text.size() && text[i + 1] == '\xbf' &&
                           (text[i + 2] == '\xbe' || text[i + 2] == '\xbf')))
            continue;
        out.append(text.substr(plain, i - plain));
        plain = i + 1;
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\t':
                out += "&#9;";
                break;
            case '\n':
                out += "&#10;";
                break;
            case '\r':
                out += "&#13;";
                break;
            case 0xEF:
                i += 2;
                plain = i + 1;
                break;
            default:
                break;
        }
    }
    out.append(text.substr(plain));
}

XbelRead parseXbelBookmarks(std::string_view bytes, TreeMerger& merger) {
    return parseXbel(const_cast<char*>(bytes.data()), bytes.size(), false, merger,
                     [&](std::ptrdiff_t offset) { return lineOf(bytes, offset); });
}

std::string importXbelFile(const std::string& path, TreeMerger& merger, XbelRead* read) {
    std::string bytes;
    if (FileError e = readWholeFile(path, bytes))
        return e.readMessage();
    // Read in place, which saves a copy of the file; a fault's line is counted in the file
    // read again, since parsing changed the bytes.
    XbelRead result =
        parseXbel(bytes.data(), bytes.size(), true, merger, [&](std::ptrdiff_t offset) {
            std::string original;
            readWholeFile(path, original);
            return lineOf(original, offset);
        });
    std::string failure;
    if (!result.failure.empty())
        failure = "无法读取 XBEL 书签文件 “" + path + "”：" + result.failure;
    if (read)
        *read = std::move(result);
    return failure;
}

std::optional<std::uint64_t> xbelHighestId(std::string_view comment) {
    const size_t mark = comment.find(kHighestIdMark);
    if (mark == std::string_view::npos)
        return std::nullopt;
    const char* first = comment.data() + mark + kHighestIdMark.size();
    const char* last = comment.data() + comment.size();
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end == last || *end != ':')
        return std::nullopt;
    return value;
}

std::string xbelHighestIdComment(std::uint64_t highestId) {
    return "<!--- highestId :" + std::to_string(highestId) +
           ": for Floccus bookmark sync browser extension -->";
}

std::string writeXbelBookmarks(const BookmarkTree& tree, ItemId start,
                               const MergeProgress& progress, size_t* written) {
    if (start != kNoItem && !tree.contains(start))
        start = kNoItem;
    // The format has no link with children: such a link is written as a folder of its name
    // holding the link itself first, then its children; it takes two ids.
    auto opensFolder = [&](ItemId item) {
        return tree.LookupRecord(item)->address.empty() || tree.hasChildren(item);
    };
    std::uint64_t ids = 0;
    size_t textBytes = 0;
    forEachPreOrder(tree, start, [&](ItemId item, int) {
        RecordRef record = tree.LookupRecord(item);
        ids += opensFolder(item) && !record->address.empty() ? 2 : 1;
        textBytes += record->name.size() + record->address.size();
    });

    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE xbel PUBLIC \"+//IDN python.org//DTD XML Bookmark Exchange Language "
        "1.0//EN//XML\" \"http://pyxml.sourceforge.net/topics/dtds/xbel.dtd\">\n"
        "<xbel version=\"1.0\">\n";
    // GBK text grows by half in UTF-8; each entry's markup takes about 70 bytes.
    out.reserve(out.size() + textBytes * 3 / 2 + ids * 80);
    out += xbelHighestIdComment(ids);
    out += '\n';

    std::string utf8;
    std::string href;
    std::uint64_t id = 0;
    size_t count = 0;
    auto writeTitle = [&](int depth) {
        appendIndent(out, depth);
        out += "<title>";
        appendXmlEscaped(out, utf8);
        out += "</title>\n";
    };
    auto writeLink = [&](std::string_view address, int depth) {
        appendIndent(out, depth);
        out += "<bookmark href=\"";
        href.clear();
        appendUtf8FromStored(address, href);
        appendXmlEscaped(out, href);
        out += "\" id=\"";
        appendNumber(out, ++id);
        out += "\">\n";
        writeTitle(depth + 1);
        appendIndent(out, depth);
        out += "</bookmark>\n";
    };
    auto closeFolder = [&](int depth) {
        appendIndent(out, depth);
        out += "</folder>\n";
    };

    // The walk's depth is 0 at the first level written; the folders it left are closed when
    // the next entry is shallower.
    int open = 0;
    forEachPreOrder(tree, start, [&](ItemId item, int depth) {
        for (; open > depth; --open)
            closeFolder(open);
        RecordRef record = tree.LookupRecord(item);
        RecordText label = tree.label(item);
        utf8.clear();
        appendUtf8FromStored(label, utf8);
        const int indent = depth + 1;
        if (opensFolder(item)) {
            appendIndent(out, indent);
            out += "<folder id=\"";
            appendNumber(out, ++id);
            out += "\">\n";
            writeTitle(indent + 1);
            if (!record->address.empty())
                writeLink(record->address, indent + 1);
            if (tree.hasChildren(item))
                open = depth + 1;
            else
                closeFolder(indent);
        } else {
            writeLink(record->address, indent);
        }
        ++count;
        if (progress)
            progress(label);
    });
    for (; open > 0; --open)
        closeFolder(open);
    out += "</xbel>\n";
    if (written)
        *written = count;
    return out;
}

FileError exportXbelFile(const BookmarkTree& tree, const std::string& path, ItemId start,
                         const MergeProgress& progress, ExportResult* result) {
    size_t count = 0;
    std::string file = writeXbelBookmarks(tree, start, progress, &count);
    AtomicFileSink sink;
    FileError error = sink.open(path);
    if (!error && !sink.write(file.data(), file.size())) {
        error = sink.commit();
        if (!error)
            error = FileError{path, EIO};
    } else if (!error) {
        error = sink.commit();
    }
    if (result) {
        if (error)
            result->fail(error, count);
        else
            result->written += count;
    }
    return error;
}

}  // namespace brivanta
