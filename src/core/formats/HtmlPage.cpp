#include "core/formats/HtmlPage.h"

#include <algorithm>

#include "core/formats/FileStreams.h"
#include "core/formats/HtmlEntities.h"
#include "core/formats/StringStream.h"
#include "core/text/Encoding.h"
#include "core/text/Trim.h"

namespace brivanta {

namespace {

constexpr std::string_view kRowStart = "<tr><td>";
constexpr std::string_view kLinkStart = "</td><td><a href='";
constexpr std::string_view kLinkEnd = "'>";

// The length of the depth prefix the archive writer put in front of a label.
size_t prefixLength(std::string_view label) {
    if (label.starts_with("->"))
        return 2;
    size_t bars = 0;
    while (bars < label.size() && label[bars] == '|')
        ++bars;
    return bars;
}

// Takes the writer's strings two at a time (label, address) and turns each pair into a row.
class RowWriter : public StringWriter {
  public:
    explicit RowWriter(ByteSink& sink) : sink_(sink) {}

    void write(std::string_view s) { page_ += s; }
    // False when the sink has failed.
    bool flush() {
        if (!page_.empty() && ok_)
            ok_ = sink_.write(page_.data(), page_.size());
        page_.clear();
        return ok_;
    }

    void writeString(std::string_view s) override {
        if (!haveLabel_) {
            label_.assign(s);
            haveLabel_ = true;
            return;
        }
        haveLabel_ = false;
        size_t prefix = prefixLength(label_);
        page_ += kRowStart;
        page_.append(label_, 0, prefix);
        appendHtmlEscaped(page_, std::string_view(label_).substr(prefix));
        address_.clear();
        appendHtmlEscaped(address_, s);
        page_ += kLinkStart;
        page_ += address_;
        page_ += kLinkEnd;
        page_ += address_;
        page_ += "</a></td></tr>";
        if (page_.size() >= kFlushSize)
            flush();
    }

  private:
    static constexpr size_t kFlushSize = 1 << 20;
    ByteSink& sink_;
    std::string page_;
    bool ok_ = true;
    std::string label_;
    std::string address_;
    bool haveLabel_ = false;
};

// Hands the rows of a page to the archive reader as label, address, label, address ...
class RowReader : public StringReader {
  public:
    explicit RowReader(std::string_view page) : page_(page) { next_ = page_.find(kRowStart); }

    bool readString(std::string& out) override {
        if (pendingAddress_) {
            out = std::move(address_);
            pendingAddress_ = false;
            return true;
        }
        if (next_ == std::string_view::npos)
            return false;
        size_t nameStart = next_ + kRowStart.size();
        size_t linkStart = page_.find(kLinkStart, next_);
        if (linkStart == std::string_view::npos || linkStart < nameStart) {
            next_ = std::string_view::npos;
            return false;
        }
        size_t addressStart = linkStart + kLinkStart.size();
        size_t addressEnd = page_.find(kLinkEnd, addressStart);
        if (addressEnd == std::string_view::npos) {
            next_ = std::string_view::npos;
            return false;
        }
        out = htmlDecoded(page_.substr(nameStart, linkStart - nameStart));
        address_ = htmlDecoded(page_.substr(addressStart, addressEnd - addressStart));
        pendingAddress_ = true;
        next_ = page_.find(kRowStart, addressEnd);
        return true;
    }

  private:
    std::string_view page_;
    size_t next_;
    std::string address_;
    bool pendingAddress_ = false;
};

}  // namespace

const std::string& htmlPageHeader() {
    static const std::string header = text::gbk(
        "<html><head><meta http-equiv='Content-Type' content='text/html; charset=gb2312'>"
        "<title>Brivanta导出文件</title>"
        "<style><!--  A:link {text-decoration: none; color: #000080; font-family: 宋体}"
        "A:visited {text-decoration: none; color: #0000FF; font-family: 宋体}"
        "A:active {text-decoration: none; font-family: 宋体}"
        "A:hover {text-decoration: none; color: #ff0000}"
        "td {font-family: '宋体', 'Arial', 'Times New Roman';font-size:10pt;}"
        "--></style>"
        "<base target='_blank'></head><body bgcolor=#cccccc text=green>"
        "<table border=1 cellspacing=0 align=center  bgcolor=#c0c0c0 bordercolor=#000000 "
        "bordercolordark=#ffffff>");
    return header;
}

bool writeHtmlPage(BookmarkTree& tree, ByteSink& sink, ItemId start,
                   const ArchiveProgress& progress) {
    RowWriter rows(sink);
    rows.write(htmlPageHeader());
    SerializeTree(tree, rows, start, progress);
    rows.write(kHtmlPageFooter);
    return rows.flush();
}

std::string htmlPageText(BookmarkTree& tree, ItemId start, const ArchiveProgress& progress) {
    std::string page;
    StringSink sink(page);
    writeHtmlPage(tree, sink, start, progress);
    return page;
}

FileError exportHtmlPage(BookmarkTree& tree, const std::string& path, ItemId start,
                         const ArchiveProgress& progress, ExportResult* result) {
    size_t count = 0;
    if (start != kNoItem && !tree.contains(start))
        start = kNoItem;
    auto counting = [&](const std::string& label) {
        ++count;
        if (progress)
            progress(label);
    };
    // A page not saved holds none of the entries it was to hold.
    return exportWholeFile(
        path, [&](ByteSink& sink) { return writeHtmlPage(tree, sink, start, counting); },
        [&] { return count; }, [&] { return entriesToExport(tree, start); }, result);
}

size_t importHtmlRows(std::string_view page, TreeMerger& merger) {
    page = page.substr(0, page.find('\0'));
    RowReader rows(page);
    // An entry is held back until the next row tells whether it holds entries ("->" after
    // it): then it is opened as a folder (a link with children keeps its address), else it is
    // a link, or an empty folder when it has no address.
    std::string name, address, label, nextAddress;
    long long level = 0;   // of the held-back entry; 0 before the first row
    long long opened = 0;  // folders open in the merger
    size_t count = 0;
    auto flush = [&](bool hasChildren) {
        if (hasChildren) {
            merger.openFolder(name, address);
            ++opened;
        } else if (address.empty()) {
            merger.openFolder(name);
            merger.closeFolder();
        } else {
            merger.addLink(name, address);
        }
    };
    while (rows.readString(label) && rows.readString(nextAddress)) {
        text::trimLeftInPlace(label);
        text::trimLeftInPlace(nextAddress);
        std::string_view rest = label;
        long long next = level;
        if (rest.starts_with("->")) {
            rest.remove_prefix(2);
            ++next;
        } else if (rest.starts_with('|')) {
            size_t bars = prefixLength(rest);
            rest.remove_prefix(bars);
            next -= static_cast<long long>(bars);
        }
        // Bars that would climb above where the import began keep it there.
        next = std::max(next, 1LL);
        if (count > 0)
            flush(next > level);
        for (; opened >= next; --opened)
            merger.closeFolder();
        name.assign(rest);
        address = nextAddress;
        level = next;
        ++count;
        if (merger.stopped())
            break;
    }
    if (count > 0)
        flush(false);
    for (; opened > 0; --opened)
        merger.closeFolder();
    return count;
}

size_t importHtmlText(BookmarkTree& tree, std::string_view page, ItemId parent,
                      const ArchiveProgress& progress, ImportBudget* budget) {
    BookmarkTree::BulkUpdate bulk(tree);
    TreeMerger merger(tree, parent, progress, budget ? *budget : ImportBudget());
    importHtmlRows(page, merger);
    if (budget)
        *budget = merger.budget();
    return merger.added();
}

FileError importHtmlFile(const std::string& path, TreeMerger& merger) {
    std::string page;
    if (FileError e = readWholeFile(path, page))
        return e;
    if (importHtmlRows(page, merger) == 0)
        return FileError{path, kNothingToImport};
    return {};
}

FileError importHtmlPage(BookmarkTree& tree, const std::string& path, ItemId parent,
                         const ArchiveProgress& progress, size_t* added, ImportBudget* budget) {
    BookmarkTree::BulkUpdate bulk(tree);
    TreeMerger merger(tree, parent, progress, budget ? *budget : ImportBudget());
    FileError error = importHtmlFile(path, merger);
    if (budget)
        *budget = merger.budget();
    if (added)
        *added = merger.added();
    return error;
}

}  // namespace brivanta
