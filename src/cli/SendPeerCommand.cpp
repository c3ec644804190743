#include <memory>

#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"
#include "core/net/PeerTransfer.h"
#include "core/net/TcpConnection.h"

namespace brivanta::cli {

namespace {

struct SendPeerLine {
    bool addressBook = false;
    std::string timeout;
    std::string address;
    std::string file;
};

std::string sendPeerHelp() {
    return "把树文件 FILE（- 为标准输入）的整棵树作为一次传送发给 HOST:PORT 上监听的程序\n"
           "（端口默认 5000）。\n"
           "--address-book 按通讯录（每条记录三个字符串）读取 FILE。\n"
           "--timeout S 连接和每次等待的秒数（默认连接 15 秒，读写 30 秒）。\n" +
           exitStatusHelp();
}

int runSendPeer(const SendPeerLine& command) {
    require(command.address, "HOST:PORT");
    require(command.file, "FILE");
    net::NetTimeouts timeouts;
    applyTimeout(command.timeout, timeouts);
    std::string host;
    int port = 0;
    if (!net::splitHostPort(command.address, 5000, host, port) || host.empty())
        throw UsageError("“" + command.address + "” 不是 HOST 或 HOST:PORT");
    const std::string path = inputPath(command.file);
    // The file's own bytes are the archive stream of its tree: sent as they are, up to the
    // last complete record, without building the tree (a damaged tail stays behind, as a
    // load would leave it).
    std::string bytes;
    if (FileError e = readWholeFile(path, bytes))
        return fail(e.readMessage());
    size_t records = 0;
    const std::uint64_t complete = net::completeRecordBytes(
        bytes, recordWidth(command.addressBook ? kAddressBookTree : kCustomTree), records);
    if (complete < bytes.size()) {
        warnDamaged(path, records);
        bytes.resize(static_cast<size_t>(complete));
    }
    net::PeerSendResult result = net::sendArchiveToPeer(bytes, host, port, timeouts);
    if (!result.ok) {
        printStatus(result.statusText, stderr);
        return 1;
    }
    return 0;
}

Runner defineSendPeer(OptionLine& line) {
    auto parsed = std::make_shared<SendPeerLine>();
    line.add_flag("--address-book", parsed->addressBook);
    addTimeoutOption(line, parsed->timeout);
    line.add_option("HOST:PORT", parsed->address);
    line.add_option("FILE", parsed->file);
    return [parsed] { return runSendPeer(*parsed); };
}

}  // namespace

const Command kSendPeerCommand = {
    "send-peer", "把树文件作为一次传送发给监听的程序",
    "用法: brivanta-cli send-peer [--address-book] [--timeout S] HOST:PORT FILE", sendPeerHelp,
    defineSendPeer};

}  // namespace brivanta::cli
