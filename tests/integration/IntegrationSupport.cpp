#include "IntegrationSupport.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"
#include "core/net/ReplyReader.h"
#include "core/net/TcpConnection.h"
#include "core/trees/TreeWalk.h"

namespace brivanta::integration {

std::string shellQuote(const std::string& word) {
    std::string out = "'";
    for (char c : word) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

CliResult runCli(const std::vector<std::string>& args) {
    std::string command = "timeout 60 " + shellQuote(BRIVANTA_CLI_PATH);
    for (const std::string& a : args)
        command += " " + shellQuote(a);
    command += " 2>&1";
    CliResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "brivanta-integration-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr)
        dir_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!dir_.empty())
        std::filesystem::remove_all(dir_, ec);
}

std::string fileTreeText(const std::string& path, int treeKind) {
    BookmarkTree tree(treeKind);
    if (!loadArchiveFile(tree, path))
        return "(no file " + path + ")";
    return treeText(tree);
}

bool saveChain(const std::string& path, int levels) {
    BookmarkTree tree(kCustomTree);
    ItemId parent = kNoItem;
    for (int i = 0; i < levels; ++i)
        parent = tree.InsertNode({"c" + std::to_string(i), "http://c/", ""}, parent);
    return !saveArchiveFile(tree, path).failed();
}

int fileDepth(const std::string& path, int treeKind, size_t& entries) {
    BookmarkTree tree(treeKind);
    entries = 0;
    if (!loadArchiveFile(tree, path))
        return -1;
    int deepest = 0;
    forEachPreOrder(tree, kNoItem, [&](ItemId, int depth) {
        deepest = std::max(deepest, depth + 1);  // the walk counts the top level as 0
        ++entries;
    });
    return deepest;
}

namespace {

std::string setting(const std::map<std::string, std::string>& file, const char* name) {
    if (const char* v = std::getenv(name); v && *v)
        return v;
    auto it = file.find(name);
    return it == file.end() ? std::string() : it->second;
}

MailServers findServers() {
    std::map<std::string, std::string> file;
    const char* dir = std::getenv("BRIVANTA_MAIL_DIR");
    std::ifstream in(std::string(dir && *dir ? dir : "/tmp/brivanta-mail-servers") +
                     "/servers.env");
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos)
            file[line.substr(0, eq)] = line.substr(eq + 1);
    }
    MailServers s;
    for (const char* name : {"BRIVANTA_SMTP_PORT", "BRIVANTA_POP3_PORT"}) {
        if (const char* v = std::getenv(name); v && *v)
            s.expected = true;
    }
    s.smtpPort = std::atoi(setting(file, "BRIVANTA_SMTP_PORT").c_str());
    s.pop3Port = std::atoi(setting(file, "BRIVANTA_POP3_PORT").c_str());
    s.passwordFile = setting(file, "BRIVANTA_MAIL_PASSWORD_FILE");
    std::ifstream pw(s.passwordFile);
    std::getline(pw, s.password);
    if (s.smtpPort <= 0 || s.pop3Port <= 0) {
        s.problem = "no SMTP and POP3 ports in the environment or in servers.env";
        return s;
    }
    if (s.password.empty()) {
        s.problem = "no password in \"" + s.passwordFile + "\"";
        return s;
    }
    for (int port : {s.smtpPort, s.pop3Port}) {
        net::TcpConnection probe;
        probe.setTimeouts({2000, 2000});
        if (probe.connect("127.0.0.1", port) != net::NetStatus::ok) {
            s.problem = "nothing answers on 127.0.0.1:" + std::to_string(port);
            return s;
        }
    }
    s.available = true;
    s.pop3sPort = std::atoi(setting(file, "BRIVANTA_POP3S_PORT").c_str());
    s.submissionPort = std::atoi(setting(file, "BRIVANTA_SUBMISSION_PORT").c_str());
    s.submissionsPort = std::atoi(setting(file, "BRIVANTA_SUBMISSIONS_PORT").c_str());
    s.certDir = setting(file, "BRIVANTA_MAIL_CERT_DIR");
    s.stateDir = setting(file, "BRIVANTA_MAIL_DIR");
    if (s.stateDir.empty())
        s.stateDir = dir && *dir ? dir : "/tmp/brivanta-mail-servers";
    if (s.pop3sPort <= 0 || s.submissionPort <= 0 || s.submissionsPort <= 0 || s.certDir.empty()) {
        s.tlsProblem =
            "no TLS ports in the environment or in servers.env (servers started "
            "by an older scripts/mail-servers?)";
        return s;
    }
    for (int port : {s.pop3sPort, s.submissionPort, s.submissionsPort}) {
        net::TcpConnection probe;
        probe.setTimeouts({2000, 2000});
        if (probe.connect("127.0.0.1", port) != net::NetStatus::ok) {
            s.tlsProblem = "nothing answers on 127.0.0.1:" + std::to_string(port);
            return s;
        }
    }
    s.tls = true;
    return s;
}

// A minimal POP3 dialogue for the tests' housekeeping. Returns the mail count, -1 on error.
int pop3Session(const std::string& user, bool deleteAll) {
    const MailServers& s = mailServers();
    net::TcpConnection c;
    c.setTimeouts({5000, 10000});
    if (c.connect("127.0.0.1", s.pop3Port) != net::NetStatus::ok)
        return -1;
    net::ReplyReader r(c);
    std::string line;
    auto command = [&](const std::string& text) {
        if (!text.empty())
            c.sendAll(text + "\r\n");
        return r.readLine(line) == net::NetStatus::ok && line.starts_with("+OK");
    };
    if (!command("") || !command("USER " + user) || !command("PASS " + s.password) ||
        !command("STAT")) {
        return -1;
    }
    int count = std::atoi(line.c_str() + 4);
    if (deleteAll) {
        for (int i = 1; i <= count; ++i) {
            if (!command("DELE " + std::to_string(i)))
                return -1;
        }
    }
    command("QUIT");
    return count;
}

}  // namespace

const MailServers& mailServers() {
    static const MailServers servers = findServers();
    return servers;
}

bool lockMailboxes() {
    static int fd = -1;
    if (fd >= 0)
        return true;
    const char* dir = std::getenv("BRIVANTA_MAIL_DIR");
    const std::string path =
        std::string(dir && *dir ? dir : "/tmp/brivanta-mail-servers") + "/tests.lock";
    int f = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (f < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (::flock(f, LOCK_EX | LOCK_NB) != 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::close(f);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    fd = f;
    return true;
}

bool emptyMailbox(const std::string& user) {
    return pop3Session(user, true) >= 0;
}

int waitForMails(const std::string& user, int count) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    int seen = -1;
    while (std::chrono::steady_clock::now() < deadline) {
        seen = pop3Session(user, false);
        if (seen >= count)
            return seen;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return seen;
}

}  // namespace brivanta::integration
