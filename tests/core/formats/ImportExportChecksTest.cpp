#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "../ChildDirectory.h"
#include "../TempDir.h"
#include "core/formats/ImportExportChecks.h"

namespace brivanta {
namespace {

namespace fs = std::filesystem;

struct CheckCase {
    const char* what;
    ExchangeFormat format;
    bool isExport;
    const char* typed;
    ExchangeCheck outcome;
    const char* path;    // as shown again
    const char* folder;  // the folder named in the message
};

class ExchangeChecks : public ::testing::TestWithParam<CheckCase> {};

// Run in a directory holding dir/ (with file.htm), link -> dir, and plain.htm; relative
// paths are relative to it.
TEST_P(ExchangeChecks, DecideInOrder) {
    const CheckCase& c = GetParam();
    testing::TempDir home;
    fs::create_directory(home.file("dir"));
    std::ofstream(home.file("dir/file.htm")) << "x";
    std::ofstream(home.file("plain.htm")) << "x";
    fs::create_directory_symlink("dir", home.file("link"));
    EXPECT_TRUE(testing::inChildDirectory(home.path(), [&] {
        ExchangeCheckResult r = checkExchangePath(c.format, c.isExport, c.typed);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(r.path, c.path);
        EXPECT_EQ(r.folder, c.folder);
    }));
}

constexpr auto kFolder = ExchangeFormat::ShortcutFolder;
constexpr auto kHtml = ExchangeFormat::HtmlPage;
constexpr auto kArchive = ExchangeFormat::ArchiveFile;
constexpr auto kBookmarks = ExchangeFormat::BookmarkFile;
constexpr auto kFirefox = ExchangeFormat::FirefoxProfile;
constexpr auto kChromium = ExchangeFormat::ChromiumProfile;

INSTANTIATE_TEST_SUITE_P(
    Cases, ExchangeChecks,
    ::testing::Values(
        CheckCase{"folder exists", kFolder, true, "dir", ExchangeCheck::Accepted, "dir", ""},
        CheckCase{"trailing slash removed", kFolder, false, "dir/", ExchangeCheck::Accepted, "dir",
                  ""},
        CheckCase{"trailing backslash removed", kFolder, true, "link\\", ExchangeCheck::Accepted,
                  "link", ""},
        CheckCase{"only one separator removed", kFolder, true, "dir//", ExchangeCheck::Accepted,
                  "dir/", ""},
        CheckCase{"root stays", kFolder, true, "/", ExchangeCheck::Accepted, "/", ""},
        CheckCase{"missing folder", kFolder, false, "nowhere/", ExchangeCheck::MissingFolder,
                  "nowhere", "nowhere"},
        CheckCase{"a file is no folder", kFolder, true, "plain.htm", ExchangeCheck::MissingFolder,
                  "plain.htm", "plain.htm"},
        CheckCase{"empty is no folder", kFolder, true, "", ExchangeCheck::MissingFolder, "", ""},
        CheckCase{"import file exists", kHtml, false, "link/file.htm", ExchangeCheck::Accepted,
                  "link/file.htm", ""},
        CheckCase{"import file missing", kArchive, false, "dir/none.bvk",
                  ExchangeCheck::MissingFile, "dir/none.bvk", ""},
        CheckCase{"import of a directory", kHtml, false, "dir", ExchangeCheck::MissingFile, "dir",
                  ""},
        CheckCase{"import of nothing", kHtml, false, "", ExchangeCheck::MissingFile, "", ""},
        CheckCase{"export bare name", kHtml, true, "new.htm", ExchangeCheck::Accepted, "new.htm",
                  ""},
        CheckCase{"export bare existing name asks", kHtml, true, "plain.htm",
                  ExchangeCheck::AskOverwrite, "plain.htm", ""},
        CheckCase{"export into missing folder", kArchive, true, "no/where/x.bvk",
                  ExchangeCheck::MissingFolder, "no/where/x.bvk", "no/where"},
        CheckCase{"export over existing file asks", kHtml, true, "link/file.htm",
                  ExchangeCheck::AskOverwrite, "link/file.htm", ""},
        CheckCase{"export new file in root folder", kArchive, true, "/brivanta-no-such.bvk",
                  ExchangeCheck::Accepted, "/brivanta-no-such.bvk", ""},
        CheckCase{"export with trailing separator", kHtml, true, "dir/new.htm\\",
                  ExchangeCheck::Accepted, "dir/new.htm", ""},
        // The bookmark file goes both ways, as a file.
        CheckCase{"bookmark file import", kBookmarks, false, "link/file.htm",
                  ExchangeCheck::Accepted, "link/file.htm", ""},
        CheckCase{"bookmark file export asks", kBookmarks, true, "plain.htm",
                  ExchangeCheck::AskOverwrite, "plain.htm", ""},
        CheckCase{"bookmark file missing", kBookmarks, false, "dir/none.html",
                  ExchangeCheck::MissingFile, "dir/none.html", ""},
        // Browser profiles: a directory or a file that exists, only ever read.
        CheckCase{"firefox profile directory", kFirefox, false, "link/", ExchangeCheck::Accepted,
                  "link", ""},
        CheckCase{"chromium bookmarks file", kChromium, false, "dir/file.htm",
                  ExchangeCheck::Accepted, "dir/file.htm", ""},
        CheckCase{"profile missing", kChromium, false, "dir/Default/Bookmarks",
                  ExchangeCheck::MissingFile, "dir/Default/Bookmarks", ""},
        CheckCase{"no profile found", kFirefox, false, "", ExchangeCheck::NoProfile, "", ""},
        CheckCase{"profiles are not written", kFirefox, true, "dir", ExchangeCheck::ImportOnly,
                  "dir", ""}),
    [](const ::testing::TestParamInfo<CheckCase>& row) {
        std::string name;
        for (const char* p = row.param.what; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST(ExchangeChecks, ShortcutFolderNeverAsksAboutOverwriting) {
    testing::TempDir home;
    fs::create_directory(home.file("fav"));
    std::ofstream(home.file("fav/a.url")) << "URL=x";
    EXPECT_EQ(checkExchangePath(kFolder, true, home.relative("fav")).outcome,
              ExchangeCheck::Accepted);
}

TEST(DefaultExchangePath, FollowsTheFormatAndTheSelectedName) {
    ExchangeFolders folders{"/home/u/Favorites", "/home/u/Documents"};
    EXPECT_EQ(defaultExchangePath(kFolder, "News", folders), "/home/u/Favorites");
    EXPECT_EQ(defaultExchangePath(kHtml, "News", folders), "/home/u/Documents/News.htm");
    EXPECT_EQ(defaultExchangePath(kHtml, "", folders), "/home/u/Documents/favorites.htm");
    EXPECT_EQ(defaultExchangePath(kArchive, "新闻", folders), "/home/u/Documents/新闻.bvk");
    EXPECT_EQ(defaultExchangePath(kArchive, "", {"", ""}), "favorites.bvk");
    // The proposed file stays in the documents folder whatever the entry is called.
    EXPECT_EQ(defaultExchangePath(kHtml, "../a/b", folders), "/home/u/Documents/.._a_b.htm");
    EXPECT_EQ(defaultExchangePath(kHtml, "..", {"", "/docs/"}), "/docs/_.htm");
    EXPECT_EQ(defaultExchangePath(kBookmarks, "News", folders), "/home/u/Documents/News.html");
    EXPECT_EQ(defaultExchangePath(ExchangeFormat::XbelFile, "News", folders),
              "/home/u/Documents/News.xbel");
    EXPECT_EQ(defaultExchangePath(kFirefox, "News", folders), "");
    EXPECT_EQ(favoritesFolder("/home/u"), "/home/u/Favorites");
    EXPECT_EQ(favoritesFolder("/home/u/"), "/home/u/Favorites");
}

TEST(ExchangeFormats, OnlyBrowserProfilesAreImportOnly) {
    for (ExchangeFormat f : {kFolder, kHtml, kArchive, kBookmarks}) {
        EXPECT_TRUE(formatExports(f));
        EXPECT_FALSE(isBrowserProfile(f));
    }
    for (ExchangeFormat f : {kFirefox, kChromium}) {
        EXPECT_FALSE(formatExports(f));
        EXPECT_TRUE(isBrowserProfile(f));
    }
}

TEST(FolderPart, IsTheTextBeforeTheLastSeparator) {
    EXPECT_EQ(folderPart("a/b/c.htm"), "a/b");
    EXPECT_EQ(folderPart("a\\b\\c.htm"), "a\\b");
    EXPECT_EQ(folderPart("c.htm"), "");
    EXPECT_EQ(folderPart("/c.htm"), "/");
    EXPECT_EQ(folderPart("c:d.htm"), "");
}

// The folder an export was refused for can be made, with the folders above it; what stands in
// the way is named with its reason.
TEST(CreateFolders, MakesEveryMissingLevelAndNamesWhatIsInTheWay) {
    testing::TempDir home;
    const std::string deep = home.relative("Documents/新建/a");
    EXPECT_FALSE(createFolders(deep + "/"));
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_EQ(checkExchangePath(kHtml, true, deep + "/x.htm").outcome, ExchangeCheck::Accepted);
    // Made already: nothing to do.
    EXPECT_FALSE(createFolders(deep));

    std::ofstream(home.file("plain.htm")) << "x";
    FileError blocked = createFolders(home.relative("plain.htm/sub"));
    EXPECT_EQ(blocked.errorNumber, ENOTDIR);
    EXPECT_EQ(blocked.path, home.relative("plain.htm/sub"));
    FileError itself = createFolders(home.relative("plain.htm"));
    EXPECT_EQ(itself.errorNumber, ENOTDIR);
    EXPECT_EQ(itself.path, home.relative("plain.htm"));
    EXPECT_EQ(createFolders("").errorNumber, ENOENT);
}

}  // namespace
}  // namespace brivanta
