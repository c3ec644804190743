#include <algorithm>
#include <charconv>
#include <memory>

#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "cli/ProgressLine.h"
#include "cli/SharedTreeFile.h"
#include "core/formats/TreeArchive.h"
#include "core/net/PeerTransfer.h"
#include "core/trees/ImportBudget.h"

namespace brivanta::cli {

namespace {

constexpr int kListenLockWaitMs = 10000;

bool parseCount(const std::string& text, int& value, int min) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= min;
}

struct ListenLine {
    std::string port, count, bind, timeout;
    bool addressBook = false;
    bool quiet = false;
    std::string file;
};

std::string listenHelp() {
    return std::string(
               "在端口 N（默认 5000，0 表示任选一个空闲端口）上监听，把每次收到的传送加到\n"
               "树文件 FILE 的顶层，每个连接结束后保存 FILE；保存之后才正常关闭连接，\n"
               "保存失败或拒收的传送以复位告诉发送方。先打印一行“正在监听端口 N”。\n"
               "--count N 收到 N 个连接后结束；--bind 只在该地址上监听（默认本机全部地址）；\n"
               "--address-book 按通讯录（每条记录三个字符串）读写；--timeout S 每次等待数据的秒数\n"
               "（默认 30）：停住的发送方在此后断开，它的传送不保存；一次传送最多 5 秒（S "
               "更短时为\n"
               "S 秒）加上每 16 KiB 一秒，至多 20×S 秒（默认 10 分钟）。\n") +
           kQuietHelp + exitStatusHelp("失败（端口打不开，或收到的传送没能保存）");
}

int runListen(const ListenLine& command) {
    require(command.file, "FILE");
    const bool addressBook = command.addressBook;
    net::NetTimeouts timeouts;
    applyTimeout(command.timeout, timeouts);
    int port = 5000, count = 0;
    if (!command.port.empty() && (!parseCount(command.port, port, 0) || port > 65535))
        throw UsageError("--port 的值 “" + command.port + "” 不是 0 到 65535 的端口号");
    if (!command.count.empty() && !parseCount(command.count, count, 1))
        throw UsageError("--count 的值 “" + command.count + "” 不是正整数");
    const std::string& bindAddress = command.bind;
    const std::string& path = command.file;

    SharedTreeFile file(addressBook ? kAddressBookTree : kCustomTree, path);
    if (!file.load())
        return 1;
    // A sender waits 30 s for the verdict: the save must end well before that, or a sender
    // that gave up would find its transfer saved after all and send it twice.
    file.setLockWaitMs(std::min(lockWaitMs(), kListenLockWaitMs));

    net::PeerListener listener(file.tree().treeKind(), timeouts);
    if (!listener.open(port, bindAddress)) {
        printStatus(listener.statusText(), stderr);
        return 1;
    }
    listener.setTreeCost(file.estimatedCost());
    std::printf("正在监听端口 %d\n", listener.port());
    std::fflush(stdout);

    // How many transfers and records so far, between the lines on standard output.
    ProgressLine progress(command.quiet);
    size_t transfers = 0, records = 0;
    auto tally = [&] {
        progress.update("正在监听端口 " + std::to_string(listener.port()) + "：已收到 " +
                            std::to_string(transfers) + " 个传送，共 " + std::to_string(records) +
                            " 条记录",
                        true);
    };
    tally();
    int status = 0;
    listener.run(
        [&](net::PeerReceipt& receipt) {
            progress.clear();
            if (receipt.refused()) {
                std::printf("拒收来自 %s 的传送（%s），没有保存其中的记录\n", receipt.peer.c_str(),
                            net::describe(receipt.status));
                std::fflush(stdout);
                tally();
                return false;
            }
            // The file as it is now, so that another writer's changes stay.
            size_t added = 0;
            const bool saved = file.addReceived(receipt, added);
            if (!saved) {
                // The sender hears a reset: its transfer did not arrive.
                std::printf("来自 %s 的 %zu 条记录没有保存\n", receipt.peer.c_str(),
                            receipt.records);
                std::fflush(stdout);
                status = 1;
                listener.close();
                return false;
            }
            listener.setTreeCost(file.estimatedCost());
            std::printf("收到 %zu 条记录（来自 %s）", added, receipt.peer.c_str());
            if (!receipt.ended())
                std::printf("，连接提前结束：%s", net::describe(receipt.status));
            std::printf("\n");
            if (std::string limits = importBudgetText(receipt.entries.depthBudget());
                !limits.empty())
                std::printf("%s\n", limits.c_str());
            std::fflush(stdout);
            ++transfers;
            records += added;
            tally();
            return true;
        },
        count);
    return status;
}

Runner defineListen(OptionLine& line) {
    auto parsed = std::make_shared<ListenLine>();
    line.add_option("--port", parsed->port);
    line.add_option("--count", parsed->count);
    line.add_option("--bind", parsed->bind);
    line.add_flag("--address-book", parsed->addressBook);
    addTimeoutOption(line, parsed->timeout);
    addQuietOption(line, parsed->quiet);
    line.add_option("FILE", parsed->file);
    return [parsed] { return runListen(*parsed); };
}

}  // namespace

const Command kListenCommand = {
    "listen", "监听端口，把收到的传送加到树文件",
    "用法: brivanta-cli listen [--port N] [--count N] [--bind ADDRESS] [--address-book] "
    "[--timeout S] [-q] FILE",
    listenHelp, defineListen};

}  // namespace brivanta::cli
