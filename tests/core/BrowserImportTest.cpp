#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "TreeBuilders.h"
#include "core/formats/BrowserImport.h"
#include "core/formats/BrowserProfiles.h"
#include "core/formats/FileStreams.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

namespace fs = std::filesystem;

std::string shape(const BookmarkTree& tree) {
    return text::toUtf8(testing::describe(tree));
}

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Firefox's own layout of the two tables (columns as Firefox 115 creates them).
const char* const kPlacesSchema = R"(
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,
  rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL,
  typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL,
  last_visit_date INTEGER, guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL,
  url_hash INTEGER DEFAULT 0 NOT NULL, description TEXT, preview_image_url TEXT,
  site_name TEXT, origin_id INTEGER, recalc_frecency INTEGER NOT NULL DEFAULT 0,
  alt_frecency INTEGER, recalc_alt_frecency INTEGER NOT NULL DEFAULT 0);
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL,
  parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT,
  dateAdded INTEGER, lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0,
  syncChangeCounter INTEGER NOT NULL DEFAULT 1);
INSERT INTO moz_bookmarks (id, type, parent, position, title, guid) VALUES
  (1, 2, 0, 0, '', 'root________'), (2, 2, 1, 0, 'menu', 'menu________'),
  (3, 2, 1, 1, 'toolbar', 'toolbar_____'), (4, 2, 1, 2, 'tags', 'tags________'),
  (5, 2, 1, 3, 'unfiled', 'unfiled_____'), (6, 2, 1, 4, 'mobile', 'mobile______');
INSERT INTO moz_places (id, url, title) VALUES
  (1, 'https://support.mozilla.org/', 'Support page'), (2, 'https://untitled.example/', 'Page title'),
  (3, 'place:sort=8&maxResults=10', NULL), (4, 'https://first.example/', NULL),
  (5, 'https://second.example/', NULL), (6, 'https://phone.example/', NULL);
INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, guid) VALUES
  (10, 2, NULL, 2, 0, 'Mozilla Firefox', 'folder000001'),
  (11, 1, 1, 10, 0, '获取帮助', 'bookmark0001'),
  (12, 3, NULL, 2, 1, NULL, 'separator001'),
  (13, 1, 2, 2, 2, NULL, 'bookmark0002'),
  (14, 1, 3, 2, 3, '最常访问', 'bookmark0003'),
  (15, 1, 5, 3, 1, 'second', 'bookmark0005'),
  (16, 1, 4, 3, 0, 'first 😀', 'bookmark0004'),
  (17, 2, NULL, 4, 0, '搜索', 'tagfolder001'),
  (18, 1, 1, 17, 0, NULL, 'tagentry0001'),
  (19, 1, 6, 6, 0, 'phone', 'bookmark0006'),
  (20, 2, NULL, 99, 0, 'orphan', 'orphan000001'),
  (21, 2, NULL, 21, 0, 'own parent', 'cycle0000001');
)";

const char* const kPlacesShape =
    "书签菜单|{Mozilla Firefox|{获取帮助|https://support.mozilla.org/;};"
    "Page title|https://untitled.example/;};"
    "书签工具栏|{first 😀|https://first.example/;second|https://second.example/;};"
    "移动设备书签|{phone|https://phone.example/;};";

void exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << error;
}

TEST(FirefoxImport, ReadsTheRootsOfPlaces) {
    testing::TempDir dir;
    fs::create_directories(dir.file("profile"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.file("profile/places.sqlite").c_str(), &db), SQLITE_OK);
    exec(db, kPlacesSchema);
    sqlite3_close(db);

    BookmarkTree tree;
    {
        TreeMerger merger(tree);
        EXPECT_EQ(importFirefoxBookmarks(dir.file("profile"), merger), "");
        EXPECT_EQ(merger.added(), 9u);
    }
    EXPECT_EQ(shape(tree), kPlacesShape);
    // The database file itself, given directly, and a second time: nothing new.
    TreeMerger again(tree);
    EXPECT_EQ(importFirefoxBookmarks(dir.file("profile/places.sqlite"), again), "");
    EXPECT_EQ(again.added(), 0u);
    EXPECT_EQ(shape(tree), kPlacesShape);
}

TEST(FirefoxImport, ReadsRowsOnlyUpToTheEntryLimit) {
    testing::TempDir dir;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.file("places.sqlite").c_str(), &db), SQLITE_OK);
    exec(db, kPlacesSchema);
    sqlite3_close(db);
    // The database holds 18 rows; a budget of 10 entries reads the first 10 and says so.
    BookmarkTree tree;
    TreeMerger merger(tree, kNoItem, {}, ImportBudget(10));
    EXPECT_EQ(importFirefoxBookmarks(dir.file("places.sqlite"), merger), "");
    EXPECT_EQ(merger.budget().stop(), ImportBudget::Stop::Entries);
    EXPECT_LT(tree.size(), 9u);
    TreeMerger whole(tree, kNoItem, {}, ImportBudget(18));
    EXPECT_EQ(importFirefoxBookmarks(dir.file("places.sqlite"), whole), "");
    EXPECT_FALSE(whole.budget().stopped());
    EXPECT_EQ(shape(tree), kPlacesShape);
}

TEST(FirefoxImport, ReadsWhileFirefoxHoldsTheDatabase) {
    testing::TempDir dir;
    const std::string places = dir.file("places.sqlite");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(places.c_str(), &db), SQLITE_OK);
    // As a running Firefox: write-ahead log, exclusive lock, nothing checkpointed yet.
    exec(db,
         "PRAGMA locking_mode=EXCLUSIVE; PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
    exec(db, kPlacesSchema);
    ASSERT_TRUE(fs::exists(places + "-wal"));
    std::string before, after;
    readWholeFile(places, before);

    BookmarkTree tree;
    TreeMerger merger(tree);
    EXPECT_EQ(importFirefoxBookmarks(places, merger), "");
    EXPECT_EQ(shape(tree), kPlacesShape);
    readWholeFile(places, after);
    EXPECT_EQ(after, before);  // read from a copy: Firefox's own files untouched
    exec(db,
         "INSERT INTO moz_bookmarks (type, fk, parent, position, title) VALUES (1, 1, 5, 0, 'x')");
    sqlite3_close(db);
}

TEST(FirefoxImport, FailuresNameTheFile) {
    testing::TempDir dir;
    BookmarkTree tree;
    TreeMerger merger(tree);
    std::string missing = importFirefoxBookmarks(dir.file("nowhere"), merger);
    EXPECT_NE(missing.find(dir.file("nowhere")), std::string::npos) << missing;
    writeFile(dir.file("bad/places.sqlite"), std::string(4096, 'x'));
    std::string bad = importFirefoxBookmarks(dir.file("bad"), merger);
    EXPECT_NE(bad.find(dir.file("bad/places.sqlite")), std::string::npos) << bad;
    // A database without Firefox's tables.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.file("other.sqlite").c_str(), &db), SQLITE_OK);
    exec(db, "CREATE TABLE t (x)");
    sqlite3_close(db);
    std::string other = importFirefoxBookmarks(dir.file("other.sqlite"), merger);
    EXPECT_NE(other.find("moz_bookmarks"), std::string::npos) << other;
    EXPECT_TRUE(tree.empty());
}

const char* const kChromiumJson = R"({
   "checksum": "0123456789abcdef",
   "roots": {
      "bookmark_bar": {
         "children": [ {
            "date_added": "13300000000000000", "guid": "a", "id": "5",
            "name": "GitHub", "type": "url", "url": "https://github.com/"
         }, {
            "children": [ {
               "children": [ { "name": "深处", "type": "url", "url": "https://deep.example/" } ],
               "name": "内层", "type": "folder"
            }, {
               "name": "邮件 & 日历", "type": "url", "url": "https://mail.example/?a=1&b=2"
            } ],
            "date_added": "13300000000000000", "name": "工作", "type": "folder"
         }, {
            "name": "空文件夹", "type": "folder", "children": []
         }, 42, { "name": "no address", "type": "url" } ],
         "name": "Bookmarks bar", "type": "folder"
      },
      "other": { "children": [], "name": "Other bookmarks", "type": "folder" },
      "synced": {
         "children": [ { "name": "手机 😀", "type": "url", "url": "https://m.example/" } ],
         "name": "Mobile bookmarks", "type": "folder"
      }
   },
   "version": 1
})";

TEST(ChromiumImport, ReadsTheRootsOfTheBookmarksFile) {
    testing::TempDir dir;
    writeFile(dir.file("Default/Bookmarks"), kChromiumJson);
    BookmarkTree tree;
    for (const char* source : {"Default/Bookmarks", "Default"}) {
        TreeMerger merger(tree);
        EXPECT_EQ(importChromiumBookmarks(dir.file(source), merger), "");
    }
    EXPECT_EQ(shape(tree),
              "书签栏|{GitHub|https://github.com/;工作|{内层|{深处|https://deep.example/;};"
              "邮件 & 日历|https://mail.example/?a=1&b=2;};空文件夹|;};"
              "移动设备书签|{手机 😀|https://m.example/;};");
}

TEST(ChromiumImport, DamagedFilesAreReportedNamingTheFile) {
    testing::TempDir dir;
    struct Case {
        const char* file;
        std::string json;
    };
    for (const Case& c :
         {Case{"cut", std::string(kChromiumJson).substr(0, 300)}, Case{"array", "[1, 2]"},
          Case{"noroots", "{\"version\": 1}"}, Case{"binary", std::string("\0\xFF\xFE", 3)}}) {
        writeFile(dir.file(c.file), c.json);
        BookmarkTree tree;
        TreeMerger merger(tree);
        std::string problem = importChromiumBookmarks(dir.file(c.file), merger);
        EXPECT_NE(problem.find(dir.file(c.file)), std::string::npos) << c.file << ": " << problem;
        EXPECT_TRUE(tree.empty());
    }
}

TEST(ChromiumImport, DeepNestingNeedsNoRecursion) {
    constexpr int kDepth = 20000;
    std::string json = "{\"roots\":{\"other\":";
    for (int i = 0; i < kDepth; ++i)
        json += "{\"type\":\"folder\",\"name\":\"f" + std::to_string(i) + "\",\"children\":[";
    json += "{\"type\":\"url\",\"name\":\"x\",\"url\":\"http://x/\"}";
    for (int i = 0; i < kDepth; ++i)
        json += "]}";
    json += "}}";
    testing::TempDir dir;
    writeFile(dir.file("Bookmarks"), json);
    BookmarkTree tree;
    TreeMerger merger(tree);
    EXPECT_EQ(importChromiumBookmarks(dir.file("Bookmarks"), merger), "");
    // The root "other" itself becomes 其他书签, holding the chain below it; what lies below the
    // depth limit follows the last folder at the limit.
    EXPECT_EQ(tree.size(), static_cast<size_t>(kDepth) + 1);
    EXPECT_EQ(tree.depth(tree.nextItemData()), ImportBudget::kMaxDepth - 1);
    EXPECT_EQ(merger.budget().flattened(),
              static_cast<size_t>(kDepth) + 1 - ImportBudget::kMaxDepth);
}

const char* const kProfilesIni =
    "[Install4F96D1932A9F858E]\nDefault=Profiles/xyz.default-release\nLocked=1\n\n"
    "[Profile1]\nName=default\nIsRelative=1\nPath=Profiles/abc.default\nDefault=1\n\n"
    "[Profile0]\nName=default-release\nIsRelative=1\nPath=Profiles/xyz.default-release\n\n"
    "[Profile2]\nName=elsewhere\nIsRelative=0\nPath=/srv/firefox/other\n\n"
    "[General]\nStartWithLastProfile=1\nVersion=2\n";

TEST(BrowserProfiles, FindsFirefoxProfilesDefaultFirst) {
    testing::TempDir home;
    writeFile(home.file(".mozilla/firefox/profiles.ini"), kProfilesIni);
    BrowserProfiles profiles(home.path());
    std::vector<BrowserProfile> found = profiles.firefox();
    ASSERT_EQ(found.size(), 3u);
    // The installation's default wins over the older Default=1 mark.
    EXPECT_EQ(found[0].path, home.file(".mozilla/firefox/Profiles/xyz.default-release"));
    EXPECT_TRUE(found[0].isDefault);
    EXPECT_EQ(found[1].name, "default");
    EXPECT_FALSE(found[1].isDefault);
    EXPECT_EQ(found[2].path, "/srv/firefox/other");
    EXPECT_EQ(profiles.defaultFirefox().name, "default-release");

    // Without an [Install] section, Default=1 decides.
    std::string older = kProfilesIni;
    older.erase(0, older.find("[Profile1]"));
    writeFile(home.file(".mozilla/firefox/profiles.ini"), older);
    EXPECT_EQ(profiles.defaultFirefox().name, "default");
    EXPECT_TRUE(BrowserProfiles(home.file("empty")).firefox().empty());
    EXPECT_EQ(BrowserProfiles(home.file("empty")).defaultFirefox().path, "");
}

TEST(BrowserProfiles, FindsChromiumFamilyBookmarkFiles) {
    testing::TempDir home;
    writeFile(home.file(".config/google-chrome/Profile 1/Bookmarks"), "{}");
    writeFile(home.file(".config/google-chrome/Default/Bookmarks"), "{}");
    writeFile(home.file(".config/google-chrome/System Profile/Bookmarks"), "{}");
    writeFile(home.file(".config/chromium/Default/Preferences"), "{}");  // no bookmarks yet
    writeFile(home.file(".config/BraveSoftware/Brave-Browser/Default/Bookmarks"), "{}");
    std::vector<BrowserProfile> found = BrowserProfiles(home.path()).chromium();
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].browser, "Google Chrome");
    EXPECT_EQ(found[0].path, home.file(".config/google-chrome/Default/Bookmarks"));
    EXPECT_EQ(found[1].name, "Profile 1");
    EXPECT_EQ(found[2].browser, "Brave");
    // An XDG configuration directory elsewhere replaces ~/.config.
    writeFile(home.file("xdg/chromium/Default/Bookmarks"), "{}");
    EXPECT_EQ(BrowserProfiles(home.path(), home.file("xdg")).defaultChromium().browser, "Chromium");
}

TEST(BrowserProfiles, RelativeAndLinkedHomes) {
    testing::TempDir dir;
    writeFile(dir.file("real/.mozilla/firefox/profiles.ini"), kProfilesIni);
    fs::create_directory_symlink(dir.file("real"), dir.file("linked"));
    writeFile(dir.file("real/.mozilla/firefox/Profiles/xyz.default-release/places.sqlite"), "");
    // Relative to the working directory, which the test leaves where it is.
    for (const std::string& home :
         {dir.relative("real"), dir.relative("linked"), "./" + dir.relative("linked/")}) {
        BrowserProfile profile = BrowserProfiles(home).defaultFirefox();
        EXPECT_EQ(profile.name, "default-release") << home;
        EXPECT_TRUE(fs::exists(fs::path(profile.path) / "places.sqlite")) << profile.path;
    }
}

}  // namespace
}  // namespace brivanta
