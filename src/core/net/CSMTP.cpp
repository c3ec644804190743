#include "core/net/CSMTP.h"

#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>

#include "core/text/Encoding.h"

namespace brivanta::net {

namespace {

struct Expected {
    int code;
    const char* text;
};

constexpr Expected kExpected[] = {
    {250, "SMTP server error"},
    {220, "SMTP server not available"},
    {354, "SMTP server not ready for data"},
    {221, "SMTP server didn't terminate session"},
};

std::string localHostName() {
    char name[81] = {};
    if (gethostname(name, 80) != 0 || name[0] == '\0')
        return "localhost";
    return name;
}

}  // namespace

std::string CSMTP::successText() {
    return text::gbk("发送完毕！");
}

CSMTP::CSMTP(std::string server, int port, const NetTimeouts& timeouts)
    : statusText_(successText()), port_(port), server_(std::move(server)) {
    socket_.setTimeouts(timeouts);
}

CSMTP::~CSMTP() {
    if (connected_)
        disconnect();
    socket_.close();
}

void CSMTP::dropConnection() {
    socket_.close();
    replies_.clear();
}

bool CSMTP::send(std::string_view data) {
    // A failed send needs no text of its own: the reply that cannot come reports it, and
    // a server that refuses and closes may still have left its reply to read.
    if (broken_)
        return false;
    return socket_.sendAll(data) == NetStatus::ok;
}

bool CSMTP::readReply(ReplyCheck check) {
    if (broken_)
        return false;
    NetStatus s = replies_.readSmtpReply(lastReply_);
    if (s != NetStatus::ok) {
        // A reply that never came (time-out, closed, garbage without end) leaves the
        // dialogue out of step: nothing more can be exchanged on this connection.
        statusText_ = text::gbk("SOCKET错误！");
        broken_ = true;
        dropConnection();
        return false;
    }
    int code = 0;
    if (lastReply_.size() >= 3 && std::isdigit(static_cast<unsigned char>(lastReply_[0])) &&
        std::isdigit(static_cast<unsigned char>(lastReply_[1])) &&
        std::isdigit(static_cast<unsigned char>(lastReply_[2]))) {
        code = (lastReply_[0] - '0') * 100 + (lastReply_[1] - '0') * 10 + (lastReply_[2] - '0');
    }
    const Expected& e = kExpected[check];
    if (code == e.code)
        return true;
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%d:%s", code, e.text);
    statusText_ = buffer;
    return false;
}

bool CSMTP::connect() {
    if (connected_)
        return true;
    broken_ = false;
    replies_.clear();
    NetStatus s = socket_.connect(server_, port_);
    if (s != NetStatus::ok) {
        statusText_ =
            text::gbk(s == NetStatus::noSocket ? "创建SOCKET失败！" : "不能连接到服务器！");
        dropConnection();
        return false;
    }
    return greet();
}

bool CSMTP::connect(TcpConnection&& connection) {
    if (connected_)
        return true;
    broken_ = false;
    replies_.clear();
    NetTimeouts timeouts = socket_.timeouts();
    socket_ = std::move(connection);
    socket_.setTimeouts(timeouts);
    return greet();
}

bool CSMTP::greet() {
    if (!readReply(kGreeting)) {
        statusText_ = text::gbk("服务器没有响应！");
        dropConnection();
        return false;
    }
    send("HELO " + localHostName() + "\r\n");
    if (!readReply(kOk)) {
        dropConnection();
        return false;
    }
    connected_ = true;
    return true;
}

bool CSMTP::prepareMessage(MailMessage& message) {
    if (!message.formatHeader())
        return false;
    message.stuffBody();
    if (!message.body.ends_with("\r\n"))
        message.body += "\r\n";
    return true;
}

bool CSMTP::sendMessage(const MailMessage& original) {
    if (!connected_) {
        statusText_ = text::gbk("必须先连接！");
        return false;
    }
    if (broken_)
        return false;
    // Checked before the copy too, so that a body far too large is not copied twice over.
    const std::string tooLarge = text::gbk("邮件太大，没有发送！");
    if (original.body.size() > maxMailSize_) {
        statusText_ = tooLarge;
        return false;
    }
    MailMessage message = original;  // sending twice must not stuff the body twice
    if (!prepareMessage(message))
        return false;
    if (message.header.size() + message.body.size() > maxMailSize_) {
        statusText_ = tooLarge;
        return false;
    }

    send("MAIL From: <" + message.from + ">\r\n");
    if (!readReply(kOk))
        return false;
    std::string address, name;
    for (int i = 0; i < message.recipientCount(); ++i) {
        message.getRecipient(i, address, name);
        send("RCPT TO: <" + address + ">\r\n");
        readReply(kOk);  // a refused recipient leaves its text and the mail goes on
        if (broken_)
            return false;
    }
    send("DATA\r\n");
    if (!readReply(kData))
        return false;

    std::string head = message.header;
    head += "X-Mailer: CSMTP class for MFC\r\n\r\n";
    send(head);
    // A server that refuses the text on the way (a line too long, a size limit) answers
    // at once and closes; stop sending then, so its reply is read before the connection
    // is reset.
    constexpr size_t kPiece = 64 * 1024;
    std::string_view body = message.body;
    bool answered = false;
    // A server that reads a byte now and then must not hold the mail for ever either.
    const long long allowed = socket_.timeouts().mailMs(head.size() + body.size());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(allowed);
    for (size_t at = 0; at < body.size() && !answered; at += kPiece) {
        if (allowed > 0 && std::chrono::steady_clock::now() >= deadline) {
            statusText_ = text::gbk("SOCKET错误！");
            broken_ = true;
            dropConnection();
            return false;
        }
        answered = socket_.hasInput();
        if (!answered && !send(body.substr(at, kPiece)))
            break;
    }
    if (!answered)
        send("\r\n.\r\n");
    return readReply(kOk);
}

bool CSMTP::disconnect() {
    if (!connected_)
        return true;
    bool ok = false;
    if (!broken_) {
        // A server that ended the dialogue itself (after refusing the mail) does not answer
        // QUIT; its refusal says more than the missing answer does.
        const std::string before = statusText_;
        send("QUIT\r\n");
        ok = readReply(kQuit);
        if (!ok && broken_ && before != successText())
            statusText_ = before;
    }
    dropConnection();
    connected_ = false;
    broken_ = false;
    return ok;
}

}  // namespace brivanta::net
