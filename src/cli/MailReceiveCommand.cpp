#include <sys/stat.h>

#include <memory>

#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "cli/ProgressLine.h"
#include "cli/SharedTreeFile.h"
#include "core/formats/TreeArchive.h"
#include "core/net/MailboxTransfer.h"
#include "core/net/TcpConnection.h"
#include "core/trees/ImportBudget.h"

namespace brivanta::cli {

namespace {

bool sameFile(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

struct MailReceiveLine {
    std::string pop3, user, passwordFile, timeout;
    SecurityLine security;
    std::string custom, recommended, addressBook;
    bool quiet = false;
};

std::string mailReceiveHelp() {
    return std::string(
               "从 POP3 邮箱（端口默认 110，--security tls 时 995）取回全部邮件（邮件留在服务器\n"
               "上），把每个 <BRIVANTA> 信封的条目加到其分节对应的文件顶层：<CUSTOM> 到\n"
               "--custom，<SYSTEM> 到 --recommended，<ADDRESS> 到 --address-book；没有给出文件\n"
               "的分节跳过。保存收到条目的文件，并打印结果（成功时为“接收完毕！”）。密码取自\n"
               "文件 F 的第一行。\n"
               "--timeout S 连接和每行回答的秒数（默认连接 15 秒，回答 30 秒）；一封邮件最多 "
               "20×S 秒。\n") +
           kSecurityHelp + kQuietHelp + exitStatusHelp();
}

int runMailReceive(const MailReceiveLine& command) {
    require(command.pop3, "--pop3 HOST[:PORT]");
    require(command.user, "--user USER");
    net::NetTimeouts timeouts;
    applyTimeout(command.timeout, timeouts);
    std::string password;
    if (!readPasswordFile(command.passwordFile, password))
        return 1;
    net::MailSecurity security;
    std::string host;
    int port = 0;
    if (!resolveServerSecurity(command.security, command.pop3, net::defaultPop3Port, host, port,
                               security))
        return 1;
    const std::string& user = command.user;

    struct Target {
        const char* option;
        int kind;
        unsigned section;
        std::string path;
        std::unique_ptr<SharedTreeFile> file;
    };
    Target targets[] = {
        {"--custom", kCustomTree, net::kCustomSection, command.custom, nullptr},
        {"--recommended", kRecommendedTree, net::kSystemSection, command.recommended, nullptr},
        {"--address-book", kAddressBookTree, net::kAddressSection, command.addressBook, nullptr},
    };
    unsigned accepted = 0;
    for (Target& t : targets) {
        if (t.path.empty())
            continue;
        // Two sections saved into one file: the second save would drop what the first added.
        for (const Target& other : targets) {
            if (&other != &t && other.file && sameFile(other.path, t.path)) {
                return fail(std::string(other.option) + " 和 " + t.option + " 不能是同一个文件 “" +
                            t.path + "”");
            }
        }
        t.file = std::make_unique<SharedTreeFile>(t.kind, t.path);
        if (!t.file->load())
            return 1;
        accepted |= t.section;
    }

    // Each mail that brings entries is saved into its file at once (under the file's lock,
    // added to the file as it is now), so a receive that is killed keeps what it fetched.
    int status = 0;
    ProgressLine progress(command.quiet);
    net::MailResult result = net::receiveEnvelopes(
        host, port, user, password, accepted,
        [&](net::Envelope&& envelope) {
            for (Target& t : targets) {
                if (!t.file || t.kind != envelope.treeKind || status != 0)
                    continue;
                size_t added = 0;
                ImportBudget budget;
                if (!t.file->update(
                        [&](BookmarkTree& tree) {
                            return net::loadEnvelope(tree, envelope, &budget);
                        },
                        added)) {
                    status = 1;  // named the file; no later mail is added to any file
                } else if (std::string limits = importBudgetText(budget); !limits.empty()) {
                    progress.clear();
                    std::printf("%s：%s\n", t.path.c_str(), limits.c_str());
                }
            }
        },
        timeouts, [&](const std::string& caption) { progress.update(statusLine(caption), true); },
        security);
    progress.clear();
    if (status != 0 && result.ok)
        return status;
    if (!result.ok)
        return failWithServer("POP3", host, port, result.statusText);
    printStatus(result.statusText);
    return status;
}

Runner defineMailReceive(OptionLine& line) {
    auto parsed = std::make_shared<MailReceiveLine>();
    line.add_option("--pop3", parsed->pop3);
    line.add_option("--user", parsed->user);
    line.add_option("--password-file", parsed->passwordFile);
    line.add_option("--custom", parsed->custom);
    line.add_option("--recommended", parsed->recommended);
    line.add_option("--address-book", parsed->addressBook);
    addSecurityOptions(line, parsed->security);
    addTimeoutOption(line, parsed->timeout);
    addQuietOption(line, parsed->quiet);
    return [parsed] { return runMailReceive(*parsed); };
}

}  // namespace

const Command kMailReceiveCommand = {
    "mail-receive", "经 POP3 取回信封，加到各分节的树文件",
    "用法: brivanta-cli mail-receive --pop3 HOST[:PORT] --user USER --password-file F "
    "[--custom FILE] [--recommended FILE] [--address-book FILE] "
    "[--security none|starttls|tls] [--ca-file F] [--timeout S] [-q]",
    mailReceiveHelp, defineMailReceive};

}  // namespace brivanta::cli
