#include "core/net/MailConnect.h"

#include "core/text/Encoding.h"

namespace brivanta::net {

namespace {

bool tlsFromTheStart(const MailEndpoint& endpoint, TcpConnection& socket, std::string& statusText) {
    if (endpoint.security != SecurityMode::tls)
        return true;
    if (socket.startTls(endpoint.host, endpoint.tls) == NetStatus::ok)
        return true;
    statusText = text::gbk(socket.tlsFailure());
    socket.close();
    return false;
}

}  // namespace

bool openMailConnection(const MailEndpoint& endpoint, TcpConnection& socket, ReplyReader& replies,
                        std::string& statusText) {
    replies.clear();
    NetStatus s = socket.connect(endpoint.host, endpoint.port);
    if (s != NetStatus::ok) {
        statusText =
            text::gbk(s == NetStatus::noSocket ? "创建SOCKET失败！" : "不能连接到服务器！");
        socket.close();
        return false;
    }
    return tlsFromTheStart(endpoint, socket, statusText);
}

bool adoptMailConnection(const MailEndpoint& endpoint, TcpConnection&& given, TcpConnection& socket,
                         ReplyReader& replies, std::string& statusText) {
    replies.clear();
    NetTimeouts timeouts = socket.timeouts();
    socket = std::move(given);
    socket.setTimeouts(timeouts);
    return tlsFromTheStart(endpoint, socket, statusText);
}

bool encryptMailConnection(const MailEndpoint& endpoint, TcpConnection& socket,
                           ReplyReader& replies, std::string& statusText) {
    if (!replies.takeBuffered().empty()) {
        statusText = text::gbk("服务器在开始加密前多发了明文，连接已断开");
        socket.close();
        return false;
    }
    if (socket.startTls(endpoint.host, endpoint.tls) == NetStatus::ok)
        return true;
    statusText = text::gbk(socket.tlsFailure());
    socket.close();
    return false;
}

std::string quotedReply(std::string_view reply) {
    std::string line(reply.substr(0, reply.find_first_of("\r\n")));
    if (line.size() > 200)
        line.resize(200);
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    }
    return line;
}

}  // namespace brivanta::net
