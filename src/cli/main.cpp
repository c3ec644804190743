#include <cstdio>
#include <cstring>

#include "cli/CliCommands.h"
#include "core/app/Version.h"

namespace brivanta::cli {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"dump", "以缩进文本列出树文件的全部条目", runDump},
        {"build", "从缩进文本生成树文件", runBuild},
        {"import", "把 HTML 网页、收藏夹目录、树文件或浏览器书签加到树文件", runImport},
        {"export", "把树文件导出为 HTML 网页、收藏夹目录、树文件或浏览器书签文件", runExport},
        {"find", "按名称、地址或拼音首字母查找条目", runFind},
        {"duplicates", "列出地址相同的条目", runDuplicates},
        {"check-links", "检查链接是否失效，结果记在树文件旁", runCheckLinks},
        {"users", "列出账户文件 Users.ini 的记录", runUsers},
        {"send-peer", "把树文件作为一次传送发给监听的程序", runSendPeer},
        {"listen", "监听端口，把收到的传送加到树文件", runListen},
        {"mail-send", "把树文件装进信封经 SMTP 发出", runMailSend},
        {"mail-receive", "经 POP3 取回信封，加到各分节的树文件", runMailReceive},
        {"update-recommended", "从邮箱的 <SYSTEM> 信封重建推荐收藏的树文件", runUpdateRecommended},
    };
    return table;
}

namespace {

void printHelp(FILE* out) {
    std::fprintf(out,
                 "用法: brivanta-cli COMMAND [ARGS...] | --version\n"
                 "Brivanta 书签管理器的命令行工具。每个命令都接受 --help。\n\n命令:\n");
    for (const Command& c : commands())
        std::fprintf(out, "  %-14s %s\n", c.name, c.summary);
}

}  // namespace
}  // namespace brivanta::cli

int main(int argc, char** argv) {
    using namespace brivanta::cli;
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printHelp(argc < 2 ? stderr : stdout);
        return finishOutput(argc < 2 ? 1 : 0);
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("brivanta-cli %s\n", brivanta::kVersion);
        return finishOutput(0);
    }
    for (const Command& c : commands()) {
        if (std::strcmp(argv[1], c.name) == 0)
            return finishOutput(c.run(Args(argv + 2, argv + argc)));
    }
    fail(std::string("未知命令 “") + argv[1] + "”；用 brivanta-cli --help 查看命令列表");
    return 1;
}
