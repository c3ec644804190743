#include <gtest/gtest.h>

#include <fstream>

#include "CliRunner.h"
#include "TempDir.h"

namespace brivanta {
namespace {

using testing::CliRun;

CliRun cli(const testing::TempDir& dir, const std::string& args,
           const std::string& input = "/dev/null") {
    std::string command = "cd '" + dir.path() + "' && " + BRIVANTA_CLI_PATH + " " + args + " <" +
                          input + " >.stdout 2>.stderr";
    return testing::runShell(dir, command, ".stdout", ".stderr");
}

// Writes a tree file from dump text (two spaces a level, name TAB address).
void buildTree(const testing::TempDir& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir.file(name + ".txt"), std::ios::binary) << text;
    CliRun built = cli(dir, "build " + name, name + ".txt");
    ASSERT_EQ(built.status, 0) << built.err;
}

TEST(DuplicatesCli, PrintsGroupsOfOneFileWithFolderPaths) {
    testing::TempDir dir;
    buildTree(dir, "own.bvk",
              "新闻\t\n"
              "  新浪\thttp://Sina.com.cn\n"
              "  网易\thttp://163.com/?utm_source=x\n"
              "收藏\t\n"
              "  深处\t\n"
              "    新浪首页\thttps://sina.com.cn/#top\n"
              "网易\thttp://163.com/\n"
              "独一\thttp://only.example/\n");
    CliRun run = cli(dir, "duplicates own.bvk");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "1\t新闻/新浪\thttp://Sina.com.cn\n"
              "1\t收藏/深处/新浪首页\thttps://sina.com.cn/#top\n"
              "\n"
              "2\t新闻/网易\thttp://163.com/?utm_source=x\n"
              "2\t网易\thttp://163.com/\n");
}

TEST(DuplicatesCli, SeveralFilesAloneOrTogether) {
    testing::TempDir dir;
    buildTree(dir, "a.bvk", "甲\thttp://same.example/\n乙\thttp://a.example/\n");
    buildTree(dir, "b.bvk", "丙\thttp://SAME.example\n丁\thttp://b.example/\n");
    // Alone, neither file has a duplicate.
    CliRun alone = cli(dir, "duplicates a.bvk b.bvk");
    EXPECT_EQ(alone.status, 1);
    EXPECT_EQ(alone.out, "");
    CliRun together = cli(dir, "duplicates --all a.bvk b.bvk");
    EXPECT_EQ(together.status, 0) << together.err;
    EXPECT_EQ(together.out,
              "1\ta.bvk:甲\thttp://same.example/\n"
              "1\tb.bvk:丙\thttp://SAME.example\n");
}

TEST(DuplicatesCli, AnAddressBookIsReadAsOneAndMailMatchesWithoutCase) {
    testing::TempDir dir;
    buildTree(dir, "own.bvk", "写信\tmailto:Zhang@Example.CN\n");
    std::ofstream(dir.file("book.txt"), std::ios::binary) << "张三\tzhang@example.cn\tperson\n";
    CliRun built = cli(dir, "build --address-book book.ads", "book.txt");
    ASSERT_EQ(built.status, 0) << built.err;
    CliRun run = cli(dir, "duplicates --all own.bvk book.ads");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "1\town.bvk:写信\tmailto:Zhang@Example.CN\n"
              "1\tbook.ads:张三\tzhang@example.cn\n");
}

TEST(DuplicatesCli, ErrorsNameTheFile) {
    testing::TempDir dir;
    CliRun run = cli(dir, "duplicates nowhere.bvk");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("nowhere.bvk"), std::string::npos) << run.err;
    EXPECT_EQ(cli(dir, "duplicates").status, 2);
}

}  // namespace
}  // namespace brivanta
