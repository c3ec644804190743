#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "TempDir.h"
#include "core/app/ProgramDirectory.h"
#include "core/formats/FileStreams.h"

namespace brivanta {
namespace {

struct RootsCase {
    const char* what;
    const char* homeOption;
    const char* homeVariable;
    const char* executableDirectory;
    const char* xdgDataHome;
    std::set<std::string> existing;
    const char* dataRoot;
    const char* shareRoot;
    bool installed;
    const char* profileFile;
};

class StorageRootsChoice : public ::testing::TestWithParam<RootsCase> {};

TEST_P(StorageRootsChoice, FollowsTheRule) {
    const RootsCase& c = GetParam();
    RootFacts facts;
    facts.homeOption = c.homeOption;
    facts.homeVariable = c.homeVariable;
    facts.executableDirectory = c.executableDirectory;
    facts.xdgDataHome = c.xdgDataHome;
    facts.userHome = "/home/ann";
    // The rows with an absolute XDG_DATA_HOME set XDG_CONFIG_HOME too.
    facts.xdgConfigHome = c.xdgDataHome[0] == '/' ? "/conf" : "";
    facts.exists = [&](const std::string& p) { return c.existing.count(p) > 0; };
    StorageRoots roots = chooseStorageRoots(facts);
    EXPECT_EQ(roots.dataRoot, c.dataRoot) << c.what;
    EXPECT_EQ(roots.shareRoot, c.shareRoot) << c.what;
    EXPECT_EQ(roots.installed, c.installed) << c.what;
    EXPECT_EQ(roots.profileFile, c.profileFile) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StorageRootsChoice,
    ::testing::Values(RootsCase{"build tree",
                                "",
                                "",
                                "/src/build/bin",
                                "",
                                {"/src/build/bin/System.bvk"},
                                "/src/build/bin",
                                "/src/build/bin",
                                false,
                                "/home/ann/.config/Velkor/Brivanta.conf"},
                      RootsCase{"installed",
                                "",
                                "",
                                "/usr/bin",
                                "",
                                {"/usr/share/brivanta"},
                                "/home/ann/.local/share/brivanta",
                                "/usr/share/brivanta",
                                true,
                                "/home/ann/.config/Velkor/Brivanta.conf"},
                      RootsCase{"installed with XDG_DATA_HOME",
                                "",
                                "",
                                "/opt/b/bin",
                                "/data/",
                                {"/opt/b/share/brivanta"},
                                "/data/brivanta",
                                "/opt/b/share/brivanta",
                                true,
                                "/conf/Velkor/Brivanta.conf"},
                      RootsCase{"a relative XDG_DATA_HOME is ignored",
                                "",
                                "",
                                "/usr/bin",
                                "rel",
                                {"/usr/share/brivanta"},
                                "/home/ann/.local/share/brivanta",
                                "/usr/share/brivanta",
                                true,
                                "/home/ann/.config/Velkor/Brivanta.conf"},
                      RootsCase{"--home wins",
                                "h/",
                                "/env",
                                "/usr/bin",
                                "",
                                {"/usr/share/brivanta"},
                                "h",
                                "h",
                                false,
                                "h/Brivanta.conf"},
                      RootsCase{"BRIVANTA_HOME next",
                                "",
                                "/env",
                                "/usr/bin",
                                "",
                                {"/usr/share/brivanta"},
                                "/env",
                                "/env",
                                false,
                                "/env/Brivanta.conf"},
                      RootsCase{"an unpacked copy beside a share folder stays portable",
                                "",
                                "",
                                "/opt/b/bin",
                                "",
                                {"/opt/b/bin/System.bvk", "/opt/b/share/brivanta"},
                                "/opt/b/bin",
                                "/opt/b/bin",
                                false,
                                "/home/ann/.config/Velkor/Brivanta.conf"},
                      RootsCase{"neither",
                                "",
                                "",
                                "/x/bin",
                                "",
                                {},
                                "/x/bin",
                                "/x/bin",
                                false,
                                "/home/ann/.config/Velkor/Brivanta.conf"}),
    [](const ::testing::TestParamInfo<RootsCase>& row) {
        return "case" + std::to_string(row.index);
    });

TEST(PrepareDataRoot, SeedsOnceAndNeverOverwrites) {
    testing::TempDir dir;
    std::filesystem::create_directories(dir.file("share"));
    {
        AtomicFileSink sink;
        ASSERT_FALSE(sink.open(dir.file("share/System.bvk")).failed());
        sink.write("shipped", 7);
        ASSERT_FALSE(sink.commit().failed());
    }
    StorageRoots roots{dir.file("home/.local/share/brivanta"), dir.file("share"), true, ""};
    ASSERT_FALSE(prepareDataRoot(roots).failed());
    std::string seeded;
    ASSERT_FALSE(readWholeFile(roots.dataRoot + "/System.bvk", seeded).failed());
    EXPECT_EQ(seeded, "shipped");

    // The user's own recommended tree is never replaced by the shipped one.
    {
        AtomicFileSink sink;
        ASSERT_FALSE(sink.open(roots.dataRoot + "/System.bvk").failed());
        sink.write("mine", 4);
        ASSERT_FALSE(sink.commit().failed());
    }
    ASSERT_FALSE(prepareDataRoot(roots).failed());
    ASSERT_FALSE(readWholeFile(roots.dataRoot + "/System.bvk", seeded).failed());
    EXPECT_EQ(seeded, "mine");

    // A portable copy is left alone.
    StorageRoots portable{dir.file("nothing"), dir.file("nothing"), false, ""};
    EXPECT_FALSE(prepareDataRoot(portable).failed());
    EXPECT_FALSE(std::filesystem::exists(dir.file("nothing")));
}

}  // namespace
}  // namespace brivanta
