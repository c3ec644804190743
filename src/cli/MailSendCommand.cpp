#include <memory>

#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "core/formats/TreeArchive.h"
#include "core/net/MailboxTransfer.h"
#include "core/net/TcpConnection.h"

namespace brivanta::cli {

namespace {

struct MailSendLine {
    std::string smtp, to, section = "custom", login, passwordFile, from, timeout;
    SecurityLine security;
    std::string file;
};

std::string mailSendHelp() {
    return std::string(
               "把树文件 FILE（- 为标准输入）的整棵树装进邮件（主题 <BRIVANTA>）经 SMTP 服务器\n"
               "（端口默认 25，随 --security 为 587 或 465）发给 ADDRESS，像“发送到邮箱”命令\n"
               "那样，并打印结果（成功时为“发送完毕！”）。\n"
               "--section 选择分节（默认 custom）；address 按每条记录三个字符串读取 FILE。\n"
               "--login USER 以 USER 登录（AUTH PLAIN 或 LOGIN），密码取自文件 F 的第一行；\n"
               "--from ADDRESS 发件人地址；不给时，USER 是完整地址（带 @）就以它为发件人，\n"
               "否则不填发件人。\n"
               "--timeout S 连接和每行回答的秒数（默认连接 15 秒，回答 30 秒）；一封邮件最多 "
               "20×S 秒。\n") +
           kSecurityHelp + exitStatusHelp();
}

int runMailSend(const MailSendLine& command) {
    require(command.smtp, "--smtp HOST[:PORT]");
    require(command.to, "--to ADDRESS");
    require(command.file, "FILE");
    net::NetTimeouts timeouts;
    applyTimeout(command.timeout, timeouts);
    int kind;
    if (command.section == "custom") {
        kind = kCustomTree;
    } else if (command.section == "system") {
        kind = kRecommendedTree;
    } else if (command.section == "address") {
        kind = kAddressBookTree;
    } else {
        throw UsageError("--section 只能是 custom、system 或 address，不是 “" + command.section +
                         "”");
    }
    if (!command.passwordFile.empty() && command.login.empty())
        throw UsageError("--password-file 只和 --login 一起用");
    net::MailSecurity security;
    std::string host;
    int port = 0;
    if (!resolveServerSecurity(command.security, command.smtp, net::defaultSmtpPort, host, port,
                               security))
        return 1;
    security.login = command.login;
    if (!security.login.empty() && !readPasswordFile(command.passwordFile, security.password))
        return 1;
    security.from = command.from;
    if (security.from.size() > 254 ||
        (!security.from.empty() && security.from.find('@') == std::string::npos))
        throw UsageError("--from 需要完整的发件人地址（名字@域名）");
    const std::string path = inputPath(command.file);
    BookmarkTree tree(kind);
    FileError error;
    bool damaged = false;
    if (!loadArchiveFile(tree, path, kNoItem, &error, &damaged))
        return fail(error.readMessage());
    if (damaged)
        warnDamaged(path, tree.size());
    net::MailResult result =
        net::sendTreeByMail(tree, kNoItem, host, port, command.to, timeouts, {}, security);
    if (!result.ok)
        return failWithServer("SMTP", host, port, result.statusText);
    printStatus(result.statusText);
    return 0;
}

Runner defineMailSend(OptionLine& line) {
    auto parsed = std::make_shared<MailSendLine>();
    line.add_option("--smtp", parsed->smtp);
    line.add_option("--to", parsed->to);
    line.add_option("--section", parsed->section);
    addSecurityOptions(line, parsed->security);
    line.add_option("--login", parsed->login);
    line.add_option("--password-file", parsed->passwordFile);
    line.add_option("--from", parsed->from);
    addTimeoutOption(line, parsed->timeout);
    line.add_option("FILE", parsed->file);
    return [parsed] { return runMailSend(*parsed); };
}

}  // namespace

const Command kMailSendCommand = {
    "mail-send", "把树文件装进信封经 SMTP 发出",
    "用法: brivanta-cli mail-send --smtp HOST[:PORT] --to ADDRESS "
    "[--section custom|system|address] [--security none|starttls|tls] [--ca-file F] "
    "[--login USER --password-file F] [--from ADDRESS] [--timeout S] FILE",
    mailSendHelp, defineMailSend};

}  // namespace brivanta::cli
