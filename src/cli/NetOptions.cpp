#include "cli/NetOptions.h"

#include <sys/stat.h>

#include <cstdlib>

#include "formats/FileStreams.h"
#include "formats/TreeArchive.h"
#include "text/Encoding.h"

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
    return true;
}

bool takePasswordFile(Args& args, std::string& password) {
    std::string path;
    bool missing = false;
    if (!takeOption(args, "--password-file", path, missing)) {
        fail("需要 --password-file F（密码不从命令行读取）");
        return false;
    }
    std::string content;
    if (FileError e = readWholeFile(path, content)) {
        fail(e.readMessage());
        return false;
    }
    size_t end = content.find_first_of("\r\n");
    password = content.substr(0, end);
    return true;
}

bool loadTreeFile(BookmarkTree& tree, const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return true;  // no file yet: an empty tree
    FileError error;
    if (!loadArchiveFile(tree, path, kNoItem, &error)) {
        fail(error.readMessage());
        return false;
    }
    return true;
}

void printStatus(const std::string& gbkText, FILE* out) {
    std::string utf8 = text::toUtf8(gbkText);
    // Messages use CR LF inside; a terminal wants LF.
    std::string clean;
    for (char c : utf8) {
        if (c != '\r')
            clean += c;
    }
    std::fprintf(out, "%s\n", clean.c_str());
    std::fflush(out);
}

}  // namespace brivanta::cli
