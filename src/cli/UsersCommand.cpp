#include <memory>

#include "cli/CliCommands.h"
#include "core/accounts/AccountTable.h"
#include "core/text/EscapedText.h"

namespace brivanta::cli {

namespace {

std::string usersHelp() {
    return "把 FILE 当作账户文件 Users.ini 读取（- 为标准输入），按文件顺序每条记录输出一行：\n"
           "用户名、Email、POP3 服务器、SMTP 服务器、密码校验和，以 TAB 分隔。\n"
           "字段里的 TAB、回车、换行、反斜杠和其它控制字符像 dump 那样写作转义序列。\n"
           "文件在一条记录中间结束时，列出前面完整的记录，报告损坏并以状态 1 退出。\n" +
           exitStatusHelp();
}

int runUsers(const std::string& file) {
    require(file, "FILE");
    const std::string path = inputPath(file);
    std::vector<UserAccount> records;
    bool cut = false;
    if (FileError e = readAccountFile(path, records, &cut))
        return fail(e.readMessage());
    OutputBuffer out;
    // Escaped as dump escapes names: a name from the file may hold anything, and a terminal
    // must not take it for control sequences or extra lines and columns.
    for (const UserAccount& a : records) {
        out.append(text::escapedUtf8(a.name, true) + '\t' + text::escapedUtf8(a.email) + '\t' +
                   text::escapedUtf8(a.pop3Server) + '\t' + text::escapedUtf8(a.smtpServer) + '\t' +
                   std::to_string(a.passwordSum) + '\n');
    }
    out.flush();
    if (cut) {
        return fail("文件 “" + file + "” 已损坏：它在一条记录中间结束，只读出了前面完整的 " +
                    std::to_string(records.size()) + " 条记录");
    }
    return 0;
}

Runner defineUsers(OptionLine& line) {
    auto file = std::make_shared<std::string>();
    line.add_option("FILE", *file);
    return [file] { return runUsers(*file); };
}

}  // namespace

const Command kUsersCommand = {"users", "列出账户文件 Users.ini 的记录",
                               "用法: brivanta-cli users FILE", usersHelp, defineUsers};

}  // namespace brivanta::cli
