#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "../ChildRun.h"
#include "core/formats/Exchange.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"
#include "core/formats/XbelBookmarks.h"

namespace brivanta {
namespace {

using testing::ChildRun;
using testing::runChild;

// One import format and a file of it holding the entry "new".
struct SourceFormat {
    const char* word;
    void (*write)(const std::string& path);
};

BookmarkTree& newTree() {
    static BookmarkTree tree;
    if (tree.empty())
        tree.InsertNode({"new", "http://new/", ""});
    return tree;
}

void writeText(const std::string& path, const char* text) {
    std::ofstream(path, std::ios::binary) << text;
}

const SourceFormat kFormats[] = {
    {"html",
     [](const std::string& p) {
         EXPECT_FALSE(exportExchange(newTree(), ExchangeFormat::HtmlPage, p));
     }},
    {"bvk", [](const std::string& p) { EXPECT_FALSE(saveArchiveFile(newTree(), p)); }},
    {"xbel", [](const std::string& p) { EXPECT_FALSE(exportXbelFile(newTree(), p)); }},
    {"netscape",
     [](const std::string& p) {
         writeText(p, "<DL><p><DT><A HREF=\"http://new/\">new</A></DL><p>");
     }},
    {"chromium",
     [](const std::string& p) {
         writeText(
             p, R"({"roots":{"bookmark_bar":{"children":[{"name":"new","url":"http://new/"}]}}})");
     }},
};

class ImportSource : public ::testing::TestWithParam<SourceFormat> {
  protected:
    void SetUp() override {
        BookmarkTree old;
        old.InsertNode({"old", "http://old/", ""});
        ASSERT_FALSE(saveArchiveFile(old, dir.file("t.bvk")));
        ASSERT_FALSE(readWholeFile(dir.file("t.bvk"), before));
    }
    ChildRun import(const std::string& source) {
        // Killed after a minute: a source that blocks the import fails here, not in CTest.
        return runChild(dir, {"import", GetParam().word, source, dir.file("t.bvk")}, "/dev/null",
                        60);
    }
    std::string target() const {
        std::string now;
        EXPECT_FALSE(readWholeFile(dir.file("t.bvk"), now));
        return now;
    }

    testing::TempDir dir;
    std::string before;
};

// A named pipe nobody writes to used to keep the import waiting at open() for ever.
TEST_P(ImportSource, APipeWithoutWriterEndsAtOnceAndAddsNothing) {
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    ChildRun run = import(dir.file("pipe"));
    ASSERT_NE(run.status, -1) << "the import waited for a writer";
    EXPECT_LE(run.status, 1) << run.err;
    EXPECT_EQ(target(), before);
}

// /dev/zero would be read until memory runs out.
TEST_P(ImportSource, ADeviceIsRefusedByName) {
    ChildRun run = import("/dev/zero");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("“/dev/zero”：它不是普通文件"), std::string::npos) << run.err;
    EXPECT_EQ(target(), before);
}

// What the shell's "<(command)" hands over: a pipe whose writer has written and gone.
TEST_P(ImportSource, APipeTheShellMadeIsReadWhole) {
    GetParam().write(dir.file("source"));
    std::string bytes;
    ASSERT_FALSE(readWholeFile(dir.file("source"), bytes));
    ASSERT_LT(bytes.size(), 4096u) << "must fit the pipe's buffer";
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(::write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(ends[1]);
    ChildRun run = import("/dev/fd/" + std::to_string(ends[0]));
    ::close(ends[0]);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(runChild(dir, {"dump", dir.file("t.bvk")}).out.find("http://new/"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Formats, ImportSource, ::testing::ValuesIn(kFormats),
                         [](const auto& row) { return std::string(row.param.word); });

}  // namespace
}  // namespace brivanta
