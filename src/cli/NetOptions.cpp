#include "cli/NetOptions.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"
#include "core/net/TcpConnection.h"
#include "core/text/Encoding.h"
#include "core/text/SystemErrorText.h"

namespace brivanta::cli {

void addTimeoutOption(OptionLine& line, std::string& seconds) {
    line.add_option("--timeout", seconds);
}

void applyTimeout(const std::string& value, net::NetTimeouts& timeouts) {
    if (value.empty())
        return;
    char* end = nullptr;
    double seconds = std::strtod(value.c_str(), &end);
    if (end == value.c_str() || *end != '\0' || !(seconds > 0) || seconds > 86400)
        throw UsageError("--timeout 的值 “" + value + "” 不是正的秒数");
    timeouts.connectMs = timeouts.readMs = static_cast<int>(std::lround(seconds * 1000));
    if (timeouts.readMs == 0)
        timeouts.connectMs = timeouts.readMs = 1;
    // The whole of a mail or a transfer keeps the default ratio to a single wait (30 s to
    // 10 minutes), so a shorter wait shortens those too.
    timeouts.transferMs = static_cast<int>(std::min<long long>(
        timeouts.transferMs, static_cast<long long>(timeouts.readMs) * kWholeToSingle));
}

bool readPasswordFile(const std::string& path, std::string& password) {
    if (path.empty())
        throw UsageError("缺少 --password-file F（密码不从命令行读取）");
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

const char* const kSecurityHelp =
    "--security none|starttls|tls：不加密（端口 25、110 及其他端口的默认）、连接后用\n"
    "STARTTLS/STLS 加密（587 的默认；服务器不提供时失败，不以明文继续）、从第一个字节起\n"
    "用 TLS（465、995 的默认）。不给端口时端口随方式而定。加密时按系统的证书颁发机构检查\n"
    "服务器证书和主机名；--ca-file F 另外信任 PEM 文件 F 中的颁发机构。\n";

void addSecurityOptions(OptionLine& line, SecurityLine& parsed) {
    line.add_option("--security", parsed.mode);
    line.add_option("--ca-file", parsed.caFile);
}

bool resolveServerSecurity(const SecurityLine& parsed, const std::string& address,
                           int (*defaultPort)(net::SecurityMode), std::string& host, int& port,
                           net::MailSecurity& security) {
    const bool modeGiven = !parsed.mode.empty();
    if (modeGiven && !net::parseSecurityMode(parsed.mode, security.mode))
        throw UsageError("--security 只能是 none、starttls 或 tls，不是 “" + parsed.mode + "”");
    const int portOfMode = defaultPort(modeGiven ? security.mode : net::SecurityMode::none);
    if (!net::splitHostPort(address, portOfMode, host, port) || host.empty())
        throw UsageError("“" + address + "” 不是 HOST 或 HOST:PORT");
    if (!modeGiven)
        security.mode = net::defaultSecurityForPort(port);
    if (!parsed.caFile.empty()) {
        if (security.mode == net::SecurityMode::none)
            throw UsageError("--ca-file 只用于加密的连接（--security starttls 或 tls）");
        if (::access(parsed.caFile.c_str(), R_OK) != 0) {
            fail("不能读取证书文件 “" + parsed.caFile + "”：" + text::systemErrorText(errno));
            return false;
        }
        security.tls.caFile = parsed.caFile;
    }
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

std::string statusLine(const std::string& gbkText) {
    std::string line = terminalText(gbkText);
    for (char& c : line) {
        if (c == '\n')
            c = ' ';
    }
    return line;
}

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
