#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "IntegrationSupport.h"
#include "LocalWebServer.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"
#include "core/net/LinkChecker.h"
#include "core/text/Encoding.h"

namespace brivanta::integration {
namespace {

using net::LinkResult;

class LighttpdTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { server_ = new testing::LocalWebServer(); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(server_->ok()) << server_->problem(); }
    static testing::LocalWebServer* server_;
};
testing::LocalWebServer* LighttpdTest::server_ = nullptr;

struct PageCase {
    const char* path;
    LinkResult result;
    long code;
    const char* newPath;  // "" when the check ends where it began
};

class LighttpdPageTest : public LighttpdTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(LighttpdPageTest, EachPageHasItsResult) {
    const PageCase& c = GetParam();
    std::string address = server_->url(c.path);
    net::LinkCheckOptions options;
    options.hostPauseMs = 0;
    options.timeoutMs = 10000;
    net::LinkChecker checker(options);
    std::vector<net::LinkOutcome> got;
    bool given = false;
    std::string failure;
    ASSERT_TRUE(checker.run(
        [&](net::LinkJob& job) {
            if (given)
                return false;
            job.address = address;
            return given = true;
        },
        [&](const net::LinkJob&, const net::LinkOutcome& o) { got.push_back(o); }, failure));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].result, c.result)
        << net::linkResultName(got[0].result) << " " << got[0].detail;
    EXPECT_EQ(got[0].code, c.code);
    EXPECT_EQ(got[0].newAddress, *c.newPath ? server_->url(c.newPath) : "");
}

INSTANTIATE_TEST_SUITE_P(
    Pages, LighttpdPageTest,
    ::testing::Values(PageCase{"/index.html", LinkResult::working, 200, ""},
                      PageCase{"/", LinkResult::working, 200, ""},
                      PageCase{"/missing", LinkResult::notFound, 404, ""},
                      PageCase{"/gone.sh", LinkResult::notFound, 410, ""},
                      PageCase{"/broken.sh", LinkResult::serverError, 500, ""},
                      PageCase{"/old", LinkResult::moved, 200, "/index.html"},
                      PageCase{"/temp", LinkResult::redirected, 200, "/index.html"},
                      PageCase{"/chain1", LinkResult::moved, 200, "/index.html"},
                      PageCase{"/moved-dead", LinkResult::notFound, 404, "/missing"},
                      PageCase{"/loop", LinkResult::failed, 301, "/loop"}));

// Lines in the order checks end are sorted, so the comparison does not depend on timing.
std::string sortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

TEST_F(LighttpdTest, CheckLinksCommandReportsKeepsAndRechecksOnlyFailures) {
    TempDir dir;
    BookmarkTree tree;
    ItemId folder = tree.InsertNode({text::gbk("网站"), "", ""});
    tree.InsertNode({text::gbk("首页"), server_->url("/index.html"), ""}, folder);
    tree.InsertNode({text::gbk("旧址"), server_->url("/old"), ""}, folder);
    tree.InsertNode({text::gbk("没了"), server_->url("/gone.sh"), ""});
    tree.InsertNode({text::gbk("本地"), dir.path("here.txt"), ""});
    tree.InsertNode({text::gbk("信"), "mailto:a@b.example", ""});
    std::string file = dir.path("own.bvk");
    ASSERT_FALSE(saveArchiveFile(tree, file));
    ASSERT_FALSE(saveArchiveFile(tree, dir.path("here.txt")));  // any file will do

    CliResult first = runCli({"check-links", "--jobs", "4", "--timeout", "10", file});
    EXPECT_EQ(first.exitCode, 1) << first.output;
    EXPECT_EQ(sortedLines(first.output),
              sortedLines("working\t200\t网站/首页\t" + server_->url("/index.html") + "\n" +
                          "moved\t200\t网站/旧址\t" + server_->url("/old") + "\t" +
                          server_->url("/index.html") + "\n" + "not-found\t410\t没了\t" +
                          server_->url("/gone.sh") + "\n" + "working\t0\t本地\t" +
                          dir.path("here.txt") + "\n"));
    std::string kept;
    ASSERT_FALSE(readWholeFile(file + ".links", kept));
    EXPECT_EQ(std::count(kept.begin(), kept.end(), '\n'), 5);  // a header and four links

    CliResult again = runCli({"check-links", "--only-failed", file});
    EXPECT_EQ(again.exitCode, 1) << again.output;
    EXPECT_EQ(again.output, "not-found\t410\t没了\t" + server_->url("/gone.sh") + "\n");

    // Once the dead link is gone from the tree, a check of the failures finds nothing to do.
    tree.DeleteNode(tree.child(kNoItem, 1));
    ASSERT_FALSE(saveArchiveFile(tree, file));
    CliResult none = runCli({"check-links", "--only-failed", file});
    EXPECT_EQ(none.exitCode, 0) << none.output;
    EXPECT_EQ(none.output, "");
    // ... and its result is no longer kept.
    ASSERT_FALSE(readWholeFile(file + ".links", kept));
    EXPECT_EQ(std::count(kept.begin(), kept.end(), '\n'), 4);
    EXPECT_EQ(kept.find("gone.sh"), std::string::npos) << kept;
}

TEST_F(LighttpdTest, ProgressShowsOnATerminalOnly) {
    TempDir dir;
    BookmarkTree tree;
    for (int i = 0; i < 3; ++i)
        tree.InsertNode({"p" + std::to_string(i), server_->url("/page/" + std::to_string(i)), ""});
    std::string file = dir.path("own.bvk");
    ASSERT_FALSE(saveArchiveFile(tree, file));
    // script(1) gives the command a terminal; its standard error goes into the typescript.
    std::string command = std::string(BRIVANTA_CLI_PATH) + " check-links " + shellQuote(file);
    FILE* pipe =
        popen(("timeout 60 script -qec " + shellQuote(command) + " /dev/null").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string seen;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        seen.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << seen;
    EXPECT_NE(seen.find("已检查 3/3 条链接，失效 0"), std::string::npos) << seen;
    // Without a terminal only the result lines come out.
    CliResult piped = runCli({"check-links", file});
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_EQ(piped.output.find("已检查"), std::string::npos) << piped.output;
}

TEST(CheckLinksCli, RejectsBadOptionsNamingThem) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check-links", "--jobs", "0", "x.bvk"},
          std::vector<std::string>{"check-links", "--jobs", "2.5", "x.bvk"},
          std::vector<std::string>{"check-links", "--timeout", "-1", "x.bvk"},
          std::vector<std::string>{"check-links", "--older-than", "soon", "x.bvk"},
          std::vector<std::string>{"check-links", "--pause", "-5", "x.bvk"}}) {
        CliResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.output.find(args[1]), std::string::npos) << r.output;
    }
    CliResult missing = runCli({"check-links", "/nonexistent/x.bvk"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("/nonexistent/x.bvk"), std::string::npos) << missing.output;
}

}  // namespace
}  // namespace brivanta::integration
