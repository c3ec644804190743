#include <algorithm>

#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "core/formats/TreeArchive.h"
#include "core/net/MailboxTransfer.h"
#include "core/net/TcpConnection.h"

namespace brivanta::cli {

int runMailSend(Args args) {
    const char* usage =
        "用法: brivanta-cli mail-send --smtp HOST[:PORT] --to ADDRESS "
        "[--section custom|system|address] [--security none|starttls|tls] [--ca-file F] "
        "[--login USER --password-file F] [--from ADDRESS] [--timeout S] FILE";
    if (wantsHelp(args)) {
        std::printf(
            "%s\n"
            "把树文件 FILE 的整棵树装进邮件（主题 <BRIVANTA>）经 SMTP 服务器（端口默认 25，\n"
            "随 --security 为 587 或 465）发给 ADDRESS，像“发送到邮箱”命令那样，并打印结果\n"
            "（成功时为“发送完毕！”）。\n"
            "--section 选择分节（默认 custom）；address 按每条记录三个字符串读取 FILE。\n"
            "--login USER 以 USER 登录（AUTH PLAIN 或 LOGIN），密码取自文件 F 的第一行；\n"
            "--from ADDRESS 发件人地址；不给时，USER 是完整地址（带 "
            "@）就以它为发件人，否则不填发件人。\n"
            "--timeout S 连接和每行回答的秒数（默认连接 15 秒，回答 30 秒）；一封邮件最多 20×S "
            "秒。\n"
            "%s",
            usage, kSecurityHelp);
        return 0;
    }
    net::NetTimeouts timeouts;
    if (!takeTimeouts(args, timeouts))
        return 1;
    std::string smtp, to, section = "custom";
    bool missing = false;
    if (!takeOption(args, "--smtp", smtp, missing) || !takeOption(args, "--to", to, missing)) {
        return fail(usage);
    }
    takeOption(args, "--section", section, missing);
    if (missing)
        return fail(usage);
    net::MailSecurity security;
    std::string host;
    int port = 0;
    if (!takeServerSecurity(args, smtp, net::defaultSmtpPort, host, port, security))
        return 1;
    const bool loginGiven = takeOption(args, "--login", security.login, missing);
    if (missing || (loginGiven && security.login.empty()))
        return fail("--login 需要用户名");
    const bool passwordGiven =
        std::find(args.begin(), args.end(), "--password-file") != args.end() ||
        std::any_of(args.begin(), args.end(),
                    [](const std::string& a) { return a.starts_with("--password-file="); });
    if (passwordGiven && !loginGiven)
        return fail("--password-file 只和 --login 一起用");
    if (loginGiven && !takePasswordFile(args, security.password))
        return 1;
    if (takeOption(args, "--from", security.from, missing);
        missing || security.from.size() > 254 ||
        (!security.from.empty() && security.from.find('@') == std::string::npos))
        return fail("--from 需要完整的发件人地址（名字@域名）");
    if (args.size() != 1)
        return fail(usage);
    int kind;
    if (section == "custom") {
        kind = kCustomTree;
    } else if (section == "system") {
        kind = kRecommendedTree;
    } else if (section == "address") {
        kind = kAddressBookTree;
    } else {
        return fail("--section 只能是 custom、system 或 address，不是 “" + section + "”");
    }
    BookmarkTree tree(kind);
    FileError error;
    bool damaged = false;
    if (!loadArchiveFile(tree, args[0], kNoItem, &error, &damaged))
        return fail(error.readMessage());
    if (damaged)
        warnDamaged(args[0], tree.size());
    net::MailResult result =
        net::sendTreeByMail(tree, kNoItem, host, port, to, timeouts, {}, security);
    if (!result.ok)
        return failWithServer("SMTP", host, port, result.statusText);
    printStatus(result.statusText);
    return 0;
}

}  // namespace brivanta::cli
