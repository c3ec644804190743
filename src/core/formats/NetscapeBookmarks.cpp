#include "core/formats/NetscapeBookmarks.h"

#include <algorithm>
#include <vector>

#include "core/formats/FileStreams.h"
#include "core/formats/HtmlEntities.h"
#include "core/formats/NetscapeText.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeWalk.h"

namespace brivanta {

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// `s` equals the lower-case `word`, ignoring the letter case of `s`.
bool sameWord(std::string_view s, std::string_view word) {
    if (s.size() != word.size())
        return false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (lower(s[i]) != word[i])
            return false;
    }
    return true;
}

// Position of the lower-case `word` in `s` from `from` on, ignoring letter case.
size_t findWord(std::string_view s, std::string_view word, size_t from) {
    char first[3] = {word[0], word[0], '\0'};
    if (word[0] >= 'a' && word[0] <= 'z')
        first[1] = static_cast<char>(word[0] - 'a' + 'A');
    for (size_t at = s.find_first_of(first, from); at != std::string_view::npos;
         at = s.find_first_of(first, at + 1)) {
        if (at + word.size() > s.size())
            return std::string_view::npos;
        if (sameWord(s.substr(at, word.size()), word))
            return at;
    }
    return std::string_view::npos;
}

bool isAscii(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

std::string storedFromUtf8(std::string_view utf8) {
    return isAscii(utf8) ? std::string(utf8) : text::fromUtf8(utf8);
}

void appendUtf8FromStored(std::string_view stored, std::string& out) {
    if (isAscii(stored))
        out.append(stored);
    else
        out.append(text::toUtf8(stored));
}

struct Attribute {
    std::string_view name;
    std::string_view value;
};

// One tag of the page: its lower-case-insensitive name, whether it closes, its attributes.
struct Tag {
    std::string_view name;
    bool closing = false;
    std::vector<Attribute> attributes;
    std::string_view raw;  // the whole tag as written

    std::string_view attribute(std::string_view lowerName, bool* present = nullptr) const {
        for (const Attribute& a : attributes) {
            if (sameWord(a.name, lowerName)) {
                if (present)
                    *present = true;
                return a.value;
            }
        }
        if (present)
            *present = false;
        return {};
    }
};

// Splits a page into text and tags, in one pass. Never goes back, so every page is read in
// time proportional to its size; an unterminated comment or quoted value runs to the end.
class Tokenizer {
  public:
    explicit Tokenizer(std::string_view page) : s_(page) {}

    bool atEnd() const { return pos_ >= s_.size(); }

    // The text up to the next tag (possibly empty), then that tag in `tag` (false at the end).
    // A comment or declaration comes back as a tag without a name.
    bool next(std::string_view& textOut, Tag& tag) {
        const size_t start = pos_;
        size_t scan = pos_;
        for (;;) {
            size_t lt = s_.find('<', scan);
            if (lt == std::string_view::npos) {
                textOut = s_.substr(start);
                pos_ = s_.size();
                return false;
            }
            char c = lt + 1 < s_.size() ? s_[lt + 1] : '\0';
            if (c == '!' || c == '?') {
                textOut = s_.substr(start, lt - start);
                size_t end = std::string_view::npos;
                if (s_.substr(lt, 4) == "<!--") {
                    end = s_.find("-->", lt + 4);
                    end = end == std::string_view::npos ? end : end + 3;
                } else {
                    end = s_.find('>', lt + 2);
                    end = end == std::string_view::npos ? end : end + 1;
                }
                pos_ = end == std::string_view::npos ? s_.size() : end;
                tag.name = {};
                tag.closing = false;
                tag.attributes.clear();
                return true;
            }
            bool closing = c == '/';
            size_t nameStart = lt + (closing ? 2 : 1);
            if (nameStart >= s_.size() || !isLetter(s_[nameStart])) {
                scan = lt + 1;  // a '<' that starts no tag is text
                continue;
            }
            size_t i = nameStart;
            while (i < s_.size() && (isLetter(s_[i]) || (s_[i] >= '0' && s_[i] <= '9')))
                ++i;
            textOut = s_.substr(start, lt - start);
            tag.name = s_.substr(nameStart, i - nameStart);
            tag.closing = closing;
            tag.attributes.clear();
            pos_ = readAttributes(i, tag);
            tag.raw = s_.substr(lt, pos_ - lt);
            return true;
        }
    }

    // Moves past the closing tag of a raw-text element (script, style).
    void skipRawText(std::string_view lowerName) {
        std::string closing = "</";
        closing += lowerName;
        size_t at = findWord(s_, closing, pos_);
        pos_ = at == std::string_view::npos ? s_.size() : at;
    }

  private:
    size_t readAttributes(size_t i, Tag& tag) {
        for (;;) {
            while (i < s_.size() && (isBlank(s_[i]) || s_[i] == '/'))
                ++i;
            if (i >= s_.size())
                return i;
            if (s_[i] == '>')
                return i + 1;
            size_t nameStart = i;
            while (i < s_.size() && !isBlank(s_[i]) && s_[i] != '=' && s_[i] != '>' &&
                   s_[i] != '/') {
                ++i;
            }
            Attribute a{s_.substr(nameStart, i - nameStart), {}};
            while (i < s_.size() && isBlank(s_[i]))
                ++i;
            if (i < s_.size() && s_[i] == '=') {
                ++i;
                while (i < s_.size() && isBlank(s_[i]))
                    ++i;
                if (i < s_.size() && (s_[i] == '"' || s_[i] == '\'')) {
                    char quote = s_[i];
                    size_t end = s_.find(quote, i + 1);
                    if (end == std::string_view::npos)
                        end = s_.size();
                    a.value = s_.substr(i + 1, end - i - 1);
                    i = end == s_.size() ? end : end + 1;
                } else {
                    size_t valueStart = i;
                    while (i < s_.size() && !isBlank(s_[i]) && s_[i] != '>')
                        ++i;
                    a.value = s_.substr(valueStart, i - valueStart);
                }
            }
            if (!a.name.empty() && tag.attributes.size() < 64)
                tag.attributes.push_back(a);
            if (a.name.empty() && i < s_.size() && s_[i] != '>')
                ++i;  // a stray '=' or quote
        }
    }

    std::string_view s_;
    size_t pos_ = 0;
};

// "text/html; charset=UTF-8" -> "UTF-8".
std::string_view charsetOfContent(std::string_view content) {
    size_t at = findWord(content, "charset", 0);
    if (at == std::string_view::npos)
        return {};
    size_t i = at + 7;
    while (i < content.size() && isBlank(content[i]))
        ++i;
    if (i >= content.size() || content[i] != '=')
        return {};
    ++i;
    while (i < content.size() && (isBlank(content[i]) || content[i] == '"' || content[i] == '\''))
        ++i;
    size_t start = i;
    while (i < content.size() && !isBlank(content[i]) && content[i] != ';' && content[i] != '"' &&
           content[i] != '\'') {
        ++i;
    }
    return content.substr(start, i - start);
}

// The character set a <META> names before the first entry, or "".
std::string declaredCharset(std::string_view page) {
    Tokenizer tokens(page.substr(0, 16384));
    std::string_view ignored;
    Tag tag;
    while (tokens.next(ignored, tag)) {
        if (tag.closing)
            continue;
        if (sameWord(tag.name, "meta")) {
            bool present = false;
            std::string_view charset = tag.attribute("charset", &present);
            if (!present)
                charset = charsetOfContent(tag.attribute("content"));
            if (!charset.empty())
                return std::string(charset);
        } else if (sameWord(tag.name, "dl") || sameWord(tag.name, "a") ||
                   sameWord(tag.name, "h3")) {
            break;
        }
    }
    return {};
}

// The iconv name to read a declared character set with; "" for UTF-8 itself.
std::string iconvName(std::string_view declared) {
    std::string name;
    for (char c : declared)
        name += lower(c);
    if (name == "utf-8" || name == "utf8" || name == "us-ascii" || name == "ascii" ||
        name == "unicode-1-1-utf-8") {
        return {};
    }
    // Pages that say GB2312 often hold GBK characters; GB18030 reads them all.
    if (name == "gb2312" || name == "gbk" || name == "gb18030" || name == "x-gbk" ||
        name == "cp936" || name == "euc-cn" || name == "chinese") {
        return "GB18030";
    }
    // As browsers do: Latin-1 pages are read as windows-1252.
    if (name == "iso-8859-1" || name == "latin1" || name == "l1" || name == "ascii-8bit")
        return "WINDOWS-1252";
    return name;
}

// The page as UTF-8, whatever it was written in.
std::string_view pageAsUtf8(std::string_view bytes, std::string& storage) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return bytes.substr(3);
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        text::charsetToUtf8(bytes[0] == '\xFF' ? "UTF-16LE" : "UTF-16BE", bytes.substr(2), storage);
        return storage;
    }
    std::string declared = declaredCharset(bytes);
    std::string charset;
    if (!declared.empty())
        charset = iconvName(declared);
    else if (!text::isValidUtf8(bytes))
        charset = "GB18030";  // old Chinese browsers wrote the system code page, unlabelled
    if (charset.empty() || !text::charsetToUtf8(charset, bytes, storage))
        return bytes;  // UTF-8, or a character set we do not know: read as UTF-8
    return storage;
}

// Follows the structure of the page and feeds the merger. A folder is a heading whose
// entries are in the list that follows it; a heading with no list after it is an empty
// folder. Lists that follow no heading (the page's own, stray ones) add no level.
class PageReader {
  public:
    explicit PageReader(TreeMerger& merger) : merger_(merger) {}

    void read(std::string_view page) {
        Tokenizer tokens(page);
        std::string_view textBefore;
        Tag tag;
        for (;;) {
            bool more = tokens.next(textBefore, tag);
            if (collecting_ != Collect::None)
                raw_.append(textBefore);
            if (!more)
                break;
            if (tag.name.empty())
                continue;  // a comment
            handle(tag, tokens);
        }
        finishText();
        flushFolder();
        while (!lists_.empty()) {
            if (lists_.back())
                merger_.closeFolder();
            lists_.pop_back();
        }
    }

  private:
    enum class Collect { None, FolderName, LinkName };

    void handle(const Tag& tag, Tokenizer& tokens) {
        std::string_view name = tag.name;
        if (!tag.closing && (sameWord(name, "script") || sameWord(name, "style"))) {
            finishText();
            tokens.skipRawText(sameWord(name, "script") ? "script" : "style");
            return;
        }
        if (sameWord(name, "a")) {
            finishText();
            if (tag.closing)
                return;
            flushFolder();
            bool present = false;
            std::string_view href = tag.attribute("href", &present);
            if (present) {
                collecting_ = Collect::LinkName;
                href_.clear();
                appendDecodedHtml(href, href_);
            }
            return;
        }
        if (sameWord(name, "h3")) {
            finishText();
            if (tag.closing)
                return;
            flushFolder();
            collecting_ = Collect::FolderName;
            return;
        }
        if (sameWord(name, "dl")) {
            finishText();
            if (!tag.closing) {
                bool folder = hasPendingFolder_;
                if (folder) {
                    merger_.openFolder(pendingFolder_);
                    hasPendingFolder_ = false;
                }
                lists_.push_back(folder);
            } else {
                flushFolder();
                if (!lists_.empty()) {
                    if (lists_.back())
                        merger_.closeFolder();
                    lists_.pop_back();
                }
            }
            return;
        }
        if (sameWord(name, "dt")) {
            finishText();
            flushFolder();
            return;
        }
        // A description, a rule or another heading ends a name; inline markup (<b>, <span>)
        // inside a name is dropped. Writers that do not escape names leave other "tags" in
        // them ("C++ <templates>"): those stay part of the name.
        if (sameWord(name, "dd") || sameWord(name, "hr") || sameWord(name, "h1") ||
            sameWord(name, "h2") || sameWord(name, "title") || sameWord(name, "p") ||
            sameWord(name, "body") || sameWord(name, "html") || sameWord(name, "head") ||
            sameWord(name, "meta")) {
            finishText();
        } else if (collecting_ != Collect::None && !isInlineMarkup(name)) {
            raw_.append(tag.raw);
        }
    }

    static bool isInlineMarkup(std::string_view name) {
        static constexpr std::string_view kInline[] = {
            "abbr", "b",    "big", "br",  "cite",  "code", "em",     "font",   "i",
            "img",  "nobr", "q",   "s",   "small", "span", "strike", "strong", "sub",
            "sup",  "tt",   "u",   "wbr", "li",    "ul",   "ol",     "div",    "center"};
        for (std::string_view word : kInline) {
            if (sameWord(name, word))
                return true;
        }
        return false;
    }

    void finishText() {
        if (collecting_ == Collect::None)
            return;
        decoded_.clear();
        appendDecodedHtml(raw_, decoded_);
        raw_.clear();
        if (collecting_ == Collect::LinkName) {
            // Firefox writes its saved searches ("place:...") too; they open nothing here.
            std::string address = cleanImportedAddress(storedFromUtf8(href_));
            if (!(address.size() >= 6 &&
                  sameWord(std::string_view(address).substr(0, 6), "place:")))
                merger_.addLink(storedFromUtf8(decoded_), address);
        } else {
            // The folder is opened by the list that follows it, or made empty.
            flushFolder();
            pendingFolder_ = storedFromUtf8(decoded_);
            hasPendingFolder_ = true;
        }
        collecting_ = Collect::None;
    }

    void flushFolder() {
        if (!hasPendingFolder_)
            return;
        hasPendingFolder_ = false;
        merger_.openFolder(pendingFolder_);
        merger_.closeFolder();
    }

    TreeMerger& merger_;
    Collect collecting_ = Collect::None;
    std::string raw_;
    std::string decoded_;
    std::string href_;
    std::string pendingFolder_;
    bool hasPendingFolder_ = false;
    // One element per open <DL>: true when it opened a folder in the merger.
    std::vector<bool> lists_;
};

void appendIndent(std::string& out, int depth) {
    // Deep trees would make the indentation grow with the square of the depth.
    out.append(static_cast<size_t>(std::min(depth, 16)) * 4, ' ');
}

}  // namespace

void parseNetscapeBookmarks(std::string_view bytes, TreeMerger& merger) {
    std::string storage;
    std::string_view page = pageAsUtf8(bytes, storage);
    PageReader reader(merger);
    reader.read(page);
}

FileError importNetscapeFile(const std::string& path, TreeMerger& merger) {
    std::string bytes;
    if (FileError e = readWholeFile(path, bytes))
        return e;
    parseNetscapeBookmarks(bytes, merger);
    return {};
}

std::string writeNetscapeBookmarks(const BookmarkTree& tree, ItemId start,
                                   const MergeProgress& progress, size_t* written) {
    std::string out =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
        "<!-- This is an automatically generated file.\n"
        "     It will be read and overwritten.\n"
        "     DO NOT EDIT! -->\n"
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
        "<TITLE>Bookmarks</TITLE>\n"
        "<H1>Bookmarks</H1>\n"
        "<DL><p>\n";
    if (start != kNoItem && !tree.contains(start))
        start = kNoItem;
    std::string utf8;
    size_t count = 0;
    // The format has no link with children: such a link is written as a folder of its name
    // holding the link itself first, then its children.
    auto opensList = [&](ItemId item) {
        return tree.LookupRecord(item)->address.empty() || tree.hasChildren(item);
    };
    auto writeLink = [&](const std::string& address, int depth) {
        appendIndent(out, depth);
        out += "<DT><A HREF=\"";
        appendHtmlEscaped(out, address);
        out += "\">";
        appendHtmlEscaped(out, utf8);
        out += "</A>\n";
    };
    auto writeEntry = [&](ItemId item, int depth) {
        RecordRef record = tree.LookupRecord(item);
        RecordText label = tree.label(item);
        utf8.clear();
        appendUtf8FromStored(label, utf8);
        std::string address;
        appendUtf8FromStored(record->address, address);
        if (opensList(item)) {
            appendIndent(out, depth);
            out += "<DT><H3>";
            appendHtmlEscaped(out, utf8);
            out += "</H3>\n";
            appendIndent(out, depth);
            out += "<DL><p>\n";
            if (!record->address.empty())
                writeLink(address, depth + 1);
        } else {
            writeLink(address, depth);
        }
        ++count;
        if (progress)
            progress(label);
    };
    auto closeList = [&](int depth) {
        appendIndent(out, depth);
        out += "</DL><p>\n";
    };

    // The walk's depth starts at 0; the page's lists are already one level in.
    struct Writer {
        const BookmarkTree& tree;
        decltype(writeEntry)& entry;
        decltype(closeList)& close;
        decltype(opensList)& opens;
        WalkStep visit(ItemId item, int depth) {
            entry(item, depth + 1);
            if (!opens(item))
                return WalkStep::Over;
            if (tree.hasChildren(item))
                return WalkStep::Into;
            close(depth + 1);
            return WalkStep::Over;
        }
        void leaveFolder(ItemId, int depth) { close(depth + 1); }
    };
    walkTree(tree, start, Writer{tree, writeEntry, closeList, opensList});
    out += "</DL><p>\n";
    if (written)
        *written = count;
    return out;
}

FileError exportNetscapeFile(const BookmarkTree& tree, const std::string& path, ItemId start,
                             const MergeProgress& progress, ExportResult* result) {
    size_t count = 0;
    std::string page = writeNetscapeBookmarks(tree, start, progress, &count);
    return exportWholeFile(
        path, [&](ByteSink& sink) { return sink.write(page.data(), page.size()); },
        [&] { return count; }, [&] { return count; }, result);
}

}  // namespace brivanta
