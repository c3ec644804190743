#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "core/formats/FileError.h"
#include "core/text/SystemErrorText.h"

namespace brivanta::text {
namespace {

bool hasLatinLetter(const std::string& s) {
    for (char c : s) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
            return true;
    }
    return false;
}

struct ErrnoCase {
    int number;
    const char* text;
};

class SystemErrorTextTest : public ::testing::TestWithParam<ErrnoCase> {};

// The failures people meet with files, folders and connections read in Chinese whatever the
// C library's locale says.
TEST_P(SystemErrorTextTest, CommonNumbersReadInChinese) {
    const ErrnoCase& c = GetParam();
    EXPECT_EQ(systemErrorText(c.number), c.text);
    EXPECT_EQ(systemErrorText(std::error_code(c.number, std::generic_category())), c.text);
    EXPECT_EQ(systemErrorText(std::error_code(c.number, std::system_category())), c.text);
    EXPECT_FALSE(hasLatinLetter(systemErrorText(c.number))) << std::strerror(c.number);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SystemErrorTextTest,
    ::testing::Values(ErrnoCase{ENOENT, "没有那个文件或目录"}, ErrnoCase{EACCES, "权限不够"},
                      ErrnoCase{EPERM, "不允许的操作"}, ErrnoCase{EEXIST, "文件已存在"},
                      ErrnoCase{ENOTDIR, "路径中有一部分不是目录"},
                      ErrnoCase{EISDIR, "这是一个目录"}, ErrnoCase{ENOSPC, "设备上没有空间"},
                      ErrnoCase{EDQUOT, "超出磁盘配额"}, ErrnoCase{EROFS, "只读文件系统"},
                      ErrnoCase{EIO, "输入/输出错误"}, ErrnoCase{ENAMETOOLONG, "文件名过长"},
                      ErrnoCase{ELOOP, "符号链接的层数过多"}, ErrnoCase{EMFILE, "打开的文件过多"},
                      ErrnoCase{ENOTEMPTY, "目录非空"},
                      ErrnoCase{EXDEV, "不能跨文件系统移动或链接"},
                      ErrnoCase{EBUSY, "设备或资源忙"}, ErrnoCase{EFBIG, "文件过大"}));

INSTANTIATE_TEST_SUITE_P(
    Connections, SystemErrorTextTest,
    ::testing::Values(ErrnoCase{ECONNREFUSED, "连接被拒绝"},
                      ErrnoCase{ECONNRESET, "连接被对方重置"}, ErrnoCase{ETIMEDOUT, "连接超时"},
                      ErrnoCase{EHOSTUNREACH, "没有到主机的路由"},
                      ErrnoCase{ENETUNREACH, "网络不可达"}, ErrnoCase{EADDRINUSE, "地址已在使用"},
                      ErrnoCase{EADDRNOTAVAIL, "无法使用请求的地址"},
                      ErrnoCase{EPIPE, "管道已断开"}, ErrnoCase{EAGAIN, "资源暂时不可用"},
                      ErrnoCase{ENOMEM, "内存不足"}));

TEST(SystemErrorText, UnknownNumbersAndOtherCategoriesSayWhatTheyAre) {
    EXPECT_EQ(systemErrorText(0x7fff), "系统错误（错误号 32767）");
    EXPECT_EQ(systemErrorText(-5), "系统错误（错误号 -5）");
    // A category of its own (here the stream library's) keeps its own words.
    std::error_code stream = std::make_error_code(std::io_errc::stream);
    EXPECT_EQ(systemErrorText(stream), stream.message());
}

TEST(SystemErrorText, FileErrorsNameTheFileAndTheReasonInChinese) {
    EXPECT_EQ((FileError{"Data/abc.bvk", ENOSPC}.writeMessage()),
              "无法写入文件 “Data/abc.bvk”：设备上没有空间");
    EXPECT_EQ((FileError{"Data/abc.bvk", ENOENT}.readMessage()),
              "无法读取文件 “Data/abc.bvk”：没有那个文件或目录");
    EXPECT_EQ((FileError{"x", EACCES}.writeMessage()), "无法写入文件 “x”：权限不够");
}

}  // namespace
}  // namespace brivanta::text
