#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"
#include "core/net/PeerTransfer.h"
#include "core/net/TcpConnection.h"

namespace brivanta::cli {

int runSendPeer(Args args) {
    const char* usage =
        "用法: brivanta-cli send-peer [--address-book] [--timeout S] HOST:PORT FILE";
    if (wantsHelp(args)) {
        std::printf(
            "%s\n"
            "把树文件 FILE 的整棵树作为一次传送发给 HOST:PORT 上监听的程序（端口默认 5000）。\n"
            "--address-book 按通讯录（每条记录三个字符串）读取 FILE。\n"
            "--timeout S 连接和每次等待的秒数（默认连接 15 秒，读写 30 秒）。\n",
            usage);
        return 0;
    }
    bool addressBook = takeFlag(args, "--address-book");
    net::NetTimeouts timeouts;
    if (!takeTimeouts(args, timeouts))
        return 1;
    if (args.size() != 2)
        return fail(usage);
    std::string host;
    int port = 0;
    if (!net::splitHostPort(args[0], 5000, host, port) || host.empty()) {
        return fail("“" + args[0] + "” 不是 HOST 或 HOST:PORT");
    }
    // The file's own bytes are the archive stream of its tree: sent as they are, up to the
    // last complete record, without building the tree (a damaged tail stays behind, as a
    // load would leave it).
    std::string bytes;
    if (FileError e = readWholeFile(args[1], bytes))
        return fail(e.readMessage());
    size_t records = 0;
    const std::uint64_t complete = net::completeRecordBytes(
        bytes, recordWidth(addressBook ? kAddressBookTree : kCustomTree), records);
    if (complete < bytes.size()) {
        warnDamaged(args[1], records);
        bytes.resize(static_cast<size_t>(complete));
    }
    net::PeerSendResult result = net::sendArchiveToPeer(bytes, host, port, timeouts);
    if (!result.ok) {
        printStatus(result.statusText, stderr);
        return 1;
    }
    return 0;
}

}  // namespace brivanta::cli
