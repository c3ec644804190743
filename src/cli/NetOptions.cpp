#include "cli/NetOptions.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"

namespace brivanta::cli {

bool takeTimeouts(Args& args, net::NetTimeouts& timeouts) {
    std::string value;
    bool missing = false;
    if (!takeOption(args, "--timeout", value, missing)) {
        if (missing)
            fail("--timeout 需要秒数");
        return !missing;
    }
    char* end = nullptr;
    double seconds = std::strtod(value.c_str(), &end);
    if (end == value.c_str() || *end != '\0' || !(seconds > 0) || seconds > 86400) {
        fail("--timeout 的值 “" + value + "” 不是正的秒数");
        return false;
    }
    timeouts.connectMs = timeouts.readMs = static_cast<int>(seconds * 1000 + 0.5);
    if (timeouts.readMs == 0)
        timeouts.connectMs = timeouts.readMs = 1;
    // The whole of a mail or a transfer keeps the default ratio to a single wait (30 s to
    // 10 minutes), so a shorter wait shortens those too.
    timeouts.transferMs = static_cast<int>(std::min<long long>(
        timeouts.transferMs, static_cast<long long>(timeouts.readMs) * kWholeToSingle));
    return true;
}

bool takePasswordFile(Args& args, std::string& password) {
    std::string path;
    bool missing = false;
    if (!takeOption(args, "--password-file", path, missing)) {
        fail("需要 --password-file F（密码不从命令行读取）");
        return false;
    }
    // Only the first line counts, so only that much is read: a password file that is
    // really a device or a huge file is not swallowed whole.
    FileSource source;
    FileError error = source.open(path);
    std::string content;
    char buffer[4096];
    while (!error && content.find_first_of("\r\n") == std::string::npos &&
           content.size() < 64 * 1024) {
        size_t n = source.read(buffer, sizeof buffer);
        if (source.failed())
            error = FileError{path, source.error()};
        if (n == 0)
            break;
        content.append(buffer, n);
    }
    if (error) {
        fail(error.readMessage());
        return false;
    }
    password = content.substr(0, content.find_first_of("\r\n"));
    return true;
}

bool loadTreeFile(BookmarkTree& tree, const std::string& path, bool* damaged) {
    if (damaged)
        *damaged = false;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT)
        return true;  // no file yet: an empty tree
    FileError error;
    bool cut = false;
    if (!loadArchiveFile(tree, path, kNoItem, &error, &cut)) {
        fail(error.readMessage());
        return false;
    }
    if (cut)
        warnDamaged(path, tree.size());
    if (damaged)
        *damaged = cut;
    return true;
}

void warnDamaged(const std::string& path, size_t records) {
    std::fprintf(stderr, "brivanta-cli: 警告：文件 “%s” 已损坏，只读出了它前面完整的 %zu 条记录\n",
                 path.c_str(), records);
}

namespace {

// Messages use CR LF inside; a terminal wants LF.
std::string terminalText(const std::string& gbkText) {
    std::string clean;
    for (char c : text::toUtf8(gbkText)) {
        if (c != '\r')
            clean += c;
    }
    return clean;
}

}  // namespace

void printStatus(const std::string& gbkText, FILE* out) {
    std::fprintf(out, "%s\n", terminalText(gbkText).c_str());
    std::fflush(out);
}

std::string hostPortText(const std::string& host, int port) {
    if (host.find(':') != std::string::npos)
        return "[" + host + "]:" + std::to_string(port);
    return host + ":" + std::to_string(port);
}

int failWithServer(const std::string& kind, const std::string& host, int port,
                   const std::string& gbkStatus) {
    return fail(kind + " 服务器 " + hostPortText(host, port) + "：" + terminalText(gbkStatus));
}

}  // namespace brivanta::cli
