#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/formats/BrowserImport.h"
#include "core/text/Encoding.h"
#include "core/text/SystemErrorText.h"

namespace brivanta {

namespace {

// Firefox's fixed roots, by their guid, in the order they become folders.
struct FirefoxRoot {
    const char* guid;
    const char* name;  // UTF-8
};
constexpr FirefoxRoot kRoots[] = {
    {"menu________", "书签菜单"},
    {"toolbar_____", "书签工具栏"},
    {"unfiled_____", "其他书签"},
    {"mobile______", "移动设备书签"},
};

// moz_bookmarks.type
constexpr int kTypeBookmark = 1;
constexpr int kTypeFolder = 2;

struct Row {
    std::int64_t id = 0;
    int type = 0;
    std::string title;
    std::string url;
};

// A private directory for the copy, removed with this object.
class ScratchDirectory {
  public:
    ScratchDirectory() {
        std::error_code ec;
        std::string pattern =
            (std::filesystem::temp_directory_path(ec) / "brivanta-places-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~ScratchDirectory() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

class Database {
  public:
    ~Database() { sqlite3_close(db_); }
    Database() = default;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    sqlite3*& handle() { return db_; }
    sqlite3* get() const { return db_; }

  private:
    sqlite3* db_ = nullptr;
};

std::string columnText(sqlite3_stmt* statement, int column) {
    const unsigned char* value = sqlite3_column_text(statement, column);
    if (value == nullptr)
        return {};
    return std::string(reinterpret_cast<const char*>(value),
                       static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

std::string failure(const std::string& file, const std::string& why) {
    return "无法读取 Firefox 书签文件 “" + file + "”：" + why;
}

}  // namespace

std::string importFirefoxBookmarks(const std::string& profile, TreeMerger& merger) {
    std::error_code ec;
    std::filesystem::path source = profile;
    if (std::filesystem::is_directory(source, ec))
        source /= "places.sqlite";
    const std::string sourceName = source.string();
    if (!std::filesystem::is_regular_file(source, ec))
        return failure(sourceName, "文件不存在");

    ScratchDirectory scratch;
    if (scratch.path().empty())
        return failure(sourceName, "无法建立临时目录");
    std::filesystem::path copy = std::filesystem::path(scratch.path()) / "places.sqlite";
    std::filesystem::copy_file(source, copy, ec);
    if (ec)
        return failure(sourceName, text::systemErrorText(ec));
    // Recent changes of a running Firefox are still in the write-ahead log.
    std::filesystem::path wal = sourceName + "-wal";
    if (std::filesystem::is_regular_file(wal, ec)) {
        std::filesystem::copy_file(wal, copy.string() + "-wal", ec);
        if (ec)
            return failure(wal.string(), text::systemErrorText(ec));
    }

    Database db;
    if (sqlite3_open_v2(copy.string().c_str(), &db.handle(), SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        return failure(sourceName, db.get() ? sqlite3_errmsg(db.get()) : "SQLite");
    }
    const char* query =
        "SELECT b.id, b.type, b.parent, b.position, b.title, p.url, p.title, b.guid "
        "FROM moz_bookmarks b LEFT JOIN moz_places p ON b.fk = p.id";
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db.get(), query, -1, &statement, nullptr) != SQLITE_OK)
        return failure(sourceName, sqlite3_errmsg(db.get()));

    struct Placed {
        std::int64_t parent;
        std::int64_t position;
        size_t row;
    };
    std::vector<Row> rows;
    std::vector<Placed> placed;
    std::unordered_map<std::string, std::int64_t> rootIds;
    int rc = SQLITE_OK;
    // Rows are read up to the import's entry limit: a larger database is read that far.
    const size_t maxRows = merger.budget().maxEntries();
    bool tooMany = false;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        if (rows.size() >= maxRows) {
            tooMany = true;
            rc = SQLITE_DONE;
            break;
        }
        Row row;
        row.id = sqlite3_column_int64(statement, 0);
        row.type = sqlite3_column_int(statement, 1);
        row.title = columnText(statement, 4);
        row.url = columnText(statement, 5);
        if (row.title.empty())
            row.title = columnText(statement, 6);  // the page's own title
        std::string guid = columnText(statement, 7);
        for (const FirefoxRoot& root : kRoots) {
            if (guid == root.guid)
                rootIds.emplace(guid, row.id);
        }
        placed.push_back(
            {sqlite3_column_int64(statement, 2), sqlite3_column_int64(statement, 3), rows.size()});
        rows.push_back(std::move(row));
    }
    std::string stepError = rc == SQLITE_DONE ? std::string() : sqlite3_errmsg(db.get());
    sqlite3_finalize(statement);
    if (!stepError.empty())
        return failure(sourceName, stepError);

    std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        if (a.parent != b.parent)
            return a.parent < b.parent;
        if (a.position != b.position)
            return a.position < b.position;
        return a.row < b.row;
    });
    // Children of each folder id: a range of `placed`.
    std::unordered_map<std::int64_t, std::pair<size_t, size_t>> children;
    for (size_t i = 0; i < placed.size();) {
        size_t j = i;
        while (j < placed.size() && placed[j].parent == placed[i].parent)
            ++j;
        children[placed[i].parent] = {i, j};
        i = j;
    }

    // Each folder is read once, even if a damaged file gives two rows the same id.
    std::unordered_set<std::int64_t> expanded;
    struct Open {
        size_t next;
        size_t end;
    };
    for (const FirefoxRoot& root : kRoots) {
        auto id = rootIds.find(root.guid);
        if (id == rootIds.end())
            continue;
        auto range = children.find(id->second);
        if (range == children.end() || !expanded.insert(id->second).second)
            continue;
        merger.openFolder(text::gbk(root.name));
        std::vector<Open> stack{{range->second.first, range->second.second}};
        while (!stack.empty()) {
            Open& top = stack.back();
            if (top.next == top.end) {
                stack.pop_back();
                merger.closeFolder();
                continue;
            }
            const Row& row = rows[placed[top.next++].row];
            if (row.type == kTypeBookmark) {
                if (!row.url.empty() && !row.url.starts_with("place:"))
                    merger.addLink(text::fromUtf8(row.title), text::fromUtf8(row.url));
            } else if (row.type == kTypeFolder) {
                merger.openFolder(text::fromUtf8(row.title));
                auto inner = children.find(row.id);
                if (inner != children.end() && expanded.insert(row.id).second) {
                    stack.push_back({inner->second.first, inner->second.second});
                } else {
                    merger.closeFolder();
                }
            }
        }
    }
    if (tooMany)
        merger.stopAt(ImportBudget::Stop::Entries);
    return {};
}

}  // namespace brivanta
