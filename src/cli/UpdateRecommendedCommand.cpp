#include <cerrno>
#include <memory>

#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "core/formats/FileLock.h"
#include "core/net/RecommendedUpdate.h"

namespace brivanta::cli {

namespace {

// "System.bak" in the folder of `file`.
std::string backupBeside(const std::string& file) {
    size_t slash = file.rfind('/');
    return (slash == std::string::npos ? std::string() : file.substr(0, slash + 1)) + "System.bak";
}

struct UpdateRecommendedLine {
    std::string pop3, user, passwordFile, timeout;
    SecurityLine security;
    std::string file;
};

std::string updateRecommendedHelp() {
    return std::string(
               "像“更新推荐收藏”命令那样更新推荐收藏的树文件 FILE：从 POP3 邮箱（端口默认 110）\n"
               "取回全部 <SYSTEM> 信封，按邮件顺序组成新的树。只有邮箱里的每封邮件都完整读到、\n"
               "并且至少收到一个条目时，才把 FILE 原来的树备份到同一目录的 System.bak、写入新树\n"
               "并打印“更新完毕！”；否则打印“更新失败！”和服务器及原因，退出状态 1，FILE 和\n"
               "System.bak 都保持原样。密码取自文件 F 的第一行。\n"
               "--timeout S 连接和每行回答的秒数（默认连接 15 秒，回答 30 秒）。\n") +
           kSecurityHelp + exitStatusHelp();
}

int runUpdateRecommended(const UpdateRecommendedLine& command) {
    require(command.pop3, "--pop3 HOST[:PORT]");
    require(command.user, "--user USER");
    require(command.file, "FILE");
    net::NetTimeouts timeouts;
    applyTimeout(command.timeout, timeouts);
    net::RecommendedMailbox mailbox;
    mailbox.user = command.user;
    if (!readPasswordFile(command.passwordFile, mailbox.password))
        return 1;
    if (!resolveServerSecurity(command.security, command.pop3, net::defaultPop3Port, mailbox.host,
                               mailbox.port, mailbox.security))
        return 1;
    const std::string& path = command.file;

    // The tree file is replaced as a whole: no other writer may add to it meanwhile.
    FileLock lock;
    if (FileError e = lock.lock(path, 30000)) {
        return fail(e.errorNumber == EWOULDBLOCK ? FileLock::busyMessage(path) : e.writeMessage());
    }
    BookmarkTree tree(kRecommendedTree);
    if (!loadTreeFile(tree, path))
        return 1;
    net::RecommendedUpdateResult result =
        net::updateRecommendedTree(tree, backupBeside(path), path, mailbox, timeouts);
    if (result.ok) {
        printStatus(result.statusText);
        return 0;
    }
    printStatus(result.statusText, stderr);
    if (!result.mailboxFailure.empty())
        failWithServer("POP3", mailbox.host, mailbox.port, result.mailboxFailure);
    if (result.error)
        fail(result.error.writeMessage());
    return 1;
}

Runner defineUpdateRecommended(OptionLine& line) {
    auto parsed = std::make_shared<UpdateRecommendedLine>();
    line.add_option("--pop3", parsed->pop3);
    line.add_option("--user", parsed->user);
    line.add_option("--password-file", parsed->passwordFile);
    addSecurityOptions(line, parsed->security);
    addTimeoutOption(line, parsed->timeout);
    line.add_option("FILE", parsed->file);
    return [parsed] { return runUpdateRecommended(*parsed); };
}

}  // namespace

const Command kUpdateRecommendedCommand = {
    "update-recommended", "从邮箱的 <SYSTEM> 信封重建推荐收藏的树文件",
    "用法: brivanta-cli update-recommended --pop3 HOST[:PORT] --user USER --password-file F "
    "[--security none|starttls|tls] [--ca-file F] [--timeout S] FILE",
    updateRecommendedHelp, defineUpdateRecommended};

}  // namespace brivanta::cli
