#include "core/net/CSMTP.h"

#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>

#include "core/net/Base64.h"
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
    : statusText_(successText()) {
    endpoint_.host = std::move(server);
    endpoint_.port = port;
    socket_.setTimeouts(timeouts);
}

void CSMTP::setSecurity(SecurityMode mode, const TlsOptions& tls) {
    endpoint_.security = mode;
    endpoint_.tls = tls;
}

void CSMTP::setLogin(const std::string& user, const std::string& password) {
    login_ = user;
    password_ = password;
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
    return expect(kExpected[check].code, kExpected[check].text);
}

int CSMTP::replyCode() const {
    if (lastReply_.size() >= 3 && std::isdigit(static_cast<unsigned char>(lastReply_[0])) &&
        std::isdigit(static_cast<unsigned char>(lastReply_[1])) &&
        std::isdigit(static_cast<unsigned char>(lastReply_[2]))) {
        return (lastReply_[0] - '0') * 100 + (lastReply_[1] - '0') * 10 + (lastReply_[2] - '0');
    }
    return 0;
}

bool CSMTP::expect(int expected, const char* mismatch) {
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
    const int code = replyCode();
    if (code == expected)
        return true;
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%d:%s", code, mismatch);
    // The server's own words say why ("501 5.5.4 Invalid FROM"); our text alone does not.
    statusText_ = buffer;
    if (std::string words = quotedReply(lastReply_); !words.empty())
        statusText_ += text::gbk("：") + words;
    return false;
}

bool CSMTP::connect() {
    if (connected_)
        return true;
    broken_ = false;
    if (!openMailConnection(endpoint_, socket_, replies_, statusText_))
        return false;
    return greet();
}

bool CSMTP::connect(TcpConnection&& connection) {
    if (connected_)
        return true;
    broken_ = false;
    if (!adoptMailConnection(endpoint_, std::move(connection), socket_, replies_, statusText_))
        return false;
    return greet();
}

bool CSMTP::greet() {
    if (!readReply(kGreeting)) {
        statusText_ = text::gbk("服务器没有响应！");
        dropConnection();
        return false;
    }
    bool ok = true;
    if (!newDialogue()) {
        send("HELO " + localHostName() + "\r\n");
        ok = readReply(kOk);
    } else {
        ok = hello();
        if (ok && endpoint_.security == SecurityMode::startTls)
            ok = startTls() && hello();
        // Whatever happened above, a password only goes out encrypted when that was asked.
        if (ok && !login_.empty())
            ok = authenticate();
    }
    if (!ok) {
        dropConnection();
        return false;
    }
    connected_ = true;
    return true;
}

bool CSMTP::hello() {
    caps_ = {};
    const std::string before = statusText_;
    send("EHLO " + localHostName() + "\r\n");
    if (expect(250, kExpected[kOk].text)) {
        caps_ = parseEhloReply(lastReply_);
        return true;
    }
    // A server of old that knows only HELO says so with a 5xx (500 unknown command, 502
    // not implemented); anything else is a real refusal.
    const int code = replyCode();
    if (broken_ || code < 500 || code > 504)
        return false;
    statusText_ = before;
    send("HELO " + localHostName() + "\r\n");
    return readReply(kOk);
}

bool CSMTP::startTls() {
    if (!caps_.startTls) {
        // Nothing else goes out in the clear: no login, no mail, not even QUIT.
        statusText_ = text::gbk("服务器不提供 STARTTLS 加密，没有发送密码和邮件");
        return false;
    }
    send("STARTTLS\r\n");
    if (!expect(220, "")) {
        if (!broken_)
            statusText_ = text::gbk("服务器拒绝 STARTTLS：") + quotedReply(lastReply_);
        return false;
    }
    return encryptMailConnection(endpoint_, socket_, replies_, statusText_);
}

bool CSMTP::authenticate() {
    if (endpoint_.security != SecurityMode::none && !socket_.isEncrypted()) {
        statusText_ = text::gbk("连接没有加密，没有发送密码");
        return false;
    }
    const bool plain = caps_.offersAuth("PLAIN");
    if (!plain && !caps_.offersAuth("LOGIN")) {
        statusText_ = text::gbk("服务器不接受 AUTH PLAIN 或 AUTH LOGIN 登录");
        return false;
    }
    bool ok = false;
    if (plain) {
        std::string credentials;
        credentials += '\0';
        credentials += login_;
        credentials += '\0';
        credentials += password_;
        send("AUTH PLAIN " + base64Encode(credentials) + "\r\n");
        ok = expect(235, "");
    } else {
        send("AUTH LOGIN\r\n");
        ok = expect(334, "");
        ok = ok && send(base64Encode(login_) + "\r\n") && expect(334, "");
        ok = ok && send(base64Encode(password_) + "\r\n") && expect(235, "");
    }
    if (!ok && !broken_)
        statusText_ = text::gbk("登录被拒绝：") + quotedReply(lastReply_);
    return ok;
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

    // Strict submission servers refuse the old spelling ("MAIL From: <>" gets 501), and
    // refuse an empty sender from an account that logged in. A login is a sender only when
    // it is a whole address: "MAIL FROM:<carol>" gets 501 too.
    const bool strict = newDialogue();
    const bool loginIsAddress = login_.find('@') != std::string::npos;
    const std::string sender =
        strict && message.from.empty() && loginIsAddress ? login_ : message.from;
    send((strict ? "MAIL FROM:<" : "MAIL From: <") + sender + ">\r\n");
    if (!readReply(kOk))
        return false;
    std::string address, name;
    for (int i = 0; i < message.recipientCount(); ++i) {
        message.getRecipient(i, address, name);
        send((strict ? "RCPT TO:<" : "RCPT TO: <") + address + ">\r\n");
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
