#include "cli/CliCommands.h"
#include "core/accounts/AccountTable.h"
#include "core/text/Encoding.h"

namespace brivanta::cli {

int runUsers(Args args) {
    if (wantsHelp(args)) {
        std::printf(
            "用法: brivanta-cli users FILE\n"
            "把 FILE 当作账户文件 Users.ini 读取，按文件顺序每条记录输出一行：\n"
            "用户名、Email、POP3 服务器、SMTP 服务器、密码校验和，以 TAB 分隔。\n");
        return 0;
    }
    if (args.size() != 1)
        return fail("用法: brivanta-cli users FILE");
    std::vector<UserAccount> records;
    if (FileError e = readAccountFile(args[0], records))
        return fail(e.readMessage());
    OutputBuffer out;
    for (const UserAccount& a : records) {
        out.append(text::toUtf8(a.name) + '\t' + text::toUtf8(a.email) + '\t' +
                   text::toUtf8(a.pop3Server) + '\t' + text::toUtf8(a.smtpServer) + '\t' +
                   std::to_string(a.passwordSum) + '\n');
    }
    return 0;
}

}  // namespace brivanta::cli
