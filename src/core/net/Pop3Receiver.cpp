#include "core/net/Pop3Receiver.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "core/net/ServerCapabilities.h"
#include "core/text/Encoding.h"

namespace brivanta::net {

namespace {

std::string stepText(int step) {
    switch (step) {
        case 0:
            return "Server didn't connect";
        case 1:
            return text::gbk("用户名错！");
        case 2:
            return text::gbk("用户名/密码错！");
        case 3:
            return "STATus couldn't be retrieved";
        case 4:
            return "RETRieve failed";
        case 6:
            return text::gbk("退出错误！");
    }
    return {};
}

constexpr std::string_view kTerminator = "\r\n.\r\n";

}  // namespace

std::string Pop3Receiver::successText() {
    return text::gbk("接收完毕！");
}

Pop3Receiver::Pop3Receiver(std::string host, int port, std::string user, std::string password,
                           const NetTimeouts& timeouts)
    : statusText_(successText()), user_(std::move(user)), password_(std::move(password)) {
    endpoint_.host = std::move(host);
    endpoint_.port = port;
    socket_.setTimeouts(timeouts);
}

void Pop3Receiver::setSecurity(SecurityMode mode, const TlsOptions& tls) {
    endpoint_.security = mode;
    endpoint_.tls = tls;
}

Pop3Receiver::~Pop3Receiver() {
    if (connected_)
        disconnect();
    socket_.close();
}

void Pop3Receiver::setCredentials(const std::string& user, const std::string& password) {
    user_ = user;
    password_ = password;
}

void Pop3Receiver::breakDialogue(const std::string& text) {
    statusText_ = text;
    broken_ = true;
    socket_.close();
    replies_.clear();
}

bool Pop3Receiver::send(std::string_view data) {
    // A failed send needs no text of its own: the reply that cannot come reports it.
    if (broken_)
        return false;
    socket_.sendAll(data);
    return true;
}

bool Pop3Receiver::readReply(Step step) {
    if (broken_)
        return false;
    NetStatus s = replies_.readLine(lastReply_);
    if (s != NetStatus::ok) {
        breakDialogue(text::gbk("SOCKET错误！"));
        return false;
    }
    if (lastReply_.starts_with("-ERR")) {
        statusText_ = stepText(step);
        return false;
    }
    if (!lastReply_.starts_with("+OK")) {
        // Not a POP3 answer at all: nothing after it can be trusted.
        breakDialogue(stepText(step));
        return false;
    }
    return true;
}

bool Pop3Receiver::connect() {
    if (connected_)
        return true;
    broken_ = false;
    if (!openMailConnection(endpoint_, socket_, replies_, statusText_))
        return false;
    return logIn();
}

bool Pop3Receiver::connect(TcpConnection&& connection) {
    if (connected_)
        return true;
    broken_ = false;
    if (!adoptMailConnection(endpoint_, std::move(connection), socket_, replies_, statusText_))
        return false;
    return logIn();
}

bool Pop3Receiver::logIn() {
    // Stop at the first refusal: a refused user name is not followed by its password.
    bool ok = readReply(kGreeting);
    if (ok && endpoint_.security == SecurityMode::startTls)
        ok = startTls();
    // The user name and password never go out in the clear once security was asked for.
    if (ok && endpoint_.security != SecurityMode::none && !socket_.isEncrypted()) {
        statusText_ = text::gbk("连接没有加密，没有发送用户名和密码");
        ok = false;
    }
    ok = ok && send("USER " + user_ + "\r\n") && readReply(kUser);
    ok = ok && send("PASS " + password_ + "\r\n") && readReply(kPass);
    if (!ok) {
        socket_.close();
        replies_.clear();
        broken_ = false;
        return false;
    }
    connected_ = true;
    return true;
}

bool Pop3Receiver::readList(std::string& lines) {
    // A capability list is short; a server that sends without end is cut off.
    constexpr size_t kMaxList = size_t{64} * 1024;
    lines.clear();
    std::string line;
    for (;;) {
        if (replies_.readLine(line) != NetStatus::ok) {
            breakDialogue(text::gbk("SOCKET错误！"));
            return false;
        }
        if (line == ".\r\n")
            return true;
        lines += line;
        if (lines.size() > kMaxList) {
            breakDialogue(text::gbk("服务器的 CAPA 回答太长"));
            return false;
        }
    }
}

bool Pop3Receiver::startTls() {
    // CAPA is optional: a server without it may still know STLS, so only a list that
    // lacks STLS ends the dialogue here.
    const std::string before = statusText_;
    send("CAPA\r\n");
    if (!readReply(kGreeting) && broken_)
        return false;
    if (lastReply_.starts_with("+OK")) {
        std::string lines;
        if (!readList(lines))
            return false;
        if (!parseCapaReply(lines).stls) {
            statusText_ = text::gbk("服务器不提供 STLS 加密，没有发送用户名和密码");
            return false;
        }
    }
    statusText_ = before;
    send("STLS\r\n");
    if (!readReply(kGreeting)) {
        if (!broken_)
            statusText_ = text::gbk("服务器拒绝 STLS：") + quotedReply(lastReply_);
        return false;
    }
    return encryptMailConnection(endpoint_, socket_, replies_, statusText_);
}

int Pop3Receiver::messageCount() {
    if (broken_)
        return -1;
    send("STAT\r\n");
    if (!readReply(kStat))
        return -1;
    size_t digit = lastReply_.find_first_of("0123456789");
    if (digit == std::string::npos)
        return -1;
    long long value = 0;
    for (size_t i = digit; i < lastReply_.size() && lastReply_[i] >= '0' && lastReply_[i] <= '9';
         ++i) {
        value = value * 10 + (lastReply_[i] - '0');
        // More mails than can be numbered: as many as can, and the caller's limit applies.
        if (value > 0x7fffffff)
            return 0x7fffffff;
    }
    return static_cast<int>(value);
}

bool Pop3Receiver::readMailText(std::string& text) {
    // The status line's CR LF counts as the line end before the mail's first line, so an
    // empty mail (".\r\n" right after the status line) ends at once. Only the new bytes and
    // the four before them are searched for the terminator: linear in the mail's size.
    text = "\r\n";
    text += replies_.takeBuffered();
    size_t searchFrom = 0;
    std::vector<char> chunk(256 * 1024);
    // A mail past the limit is read on without being kept, so that the dialogue stays in
    // step and the mails after it can still be fetched; a server that sends without end is
    // cut off after a bounded amount.
    bool oversize = false;
    std::uint64_t skipped = 0;
    std::uint64_t received = 0;
    // However slowly it comes, a mail has a whole deadline that grows with what arrived.
    const NetTimeouts& timeouts = socket_.timeouts();
    const auto start = std::chrono::steady_clock::now();
    const std::uint64_t maxSkipped = std::max<std::uint64_t>(maxMailSize_ * 4, 1u << 20);
    for (;;) {
        size_t at = text.find(kTerminator, searchFrom);
        if (at != std::string::npos) {
            replies_.putBack(std::string_view(text).substr(at + kTerminator.size()));
            if (oversize || at > maxMailSize_ + 2) {
                text.clear();
                statusText_ = stepText(kRetr);
                return false;
            }
            text.resize(at + 2);  // the mail ends with the CR LF of its last line
            text.erase(0, 2);
            return true;
        }
        if (!oversize && text.size() > maxMailSize_ + 2)
            oversize = true;
        if (oversize) {
            // Only the bytes a terminator split across two reads could start with are kept.
            const size_t keep = std::min(text.size(), kTerminator.size() - 1);
            skipped += text.size() - keep;
            text.erase(0, text.size() - keep);
            if (skipped > maxSkipped) {
                breakDialogue(stepText(kRetr));
                return false;
            }
        }
        searchFrom =
            text.size() >= kTerminator.size() - 1 ? text.size() - (kTerminator.size() - 1) : 0;
        size_t got = 0;
        NetStatus s = NetStatus::ok;
        if (long long allowed = timeouts.mailMs(received); allowed > 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(
                    start + std::chrono::milliseconds(allowed) - std::chrono::steady_clock::now())
                    .count();
            if (left <= 0 || !socket_.waitForInput(static_cast<int>(left)))
                s = NetStatus::timedOut;
        }
        if (s == NetStatus::ok)
            s = socket_.receive(chunk.data(), chunk.size(), got);
        received += got;
        text.append(chunk.data(), got);
        if (s != NetStatus::ok) {
            // Closed before the final ".", timed out, or broken: the mail is incomplete.
            breakDialogue(text::gbk("SOCKET错误！"));
            return false;
        }
    }
}

bool Pop3Receiver::retrieve(int number, MailMessage& message) {
    if (broken_ || !connected_)
        return false;
    send("RETR " + std::to_string(number) + "\r\n");
    if (!readReply(kRetr))
        return false;
    std::string mail;
    if (!readMailText(mail))
        return false;

    message = MailMessage();
    size_t split = mail.find("\r\n\r\n");
    if (mail.starts_with("\r\n")) {
        // A mail that starts with its empty line has no header at all.
        message.body = dotUnstuffed(std::string_view(mail).substr(2));
    } else if (split == std::string::npos) {
        // No empty line: all of it is header, and the body is empty.
        if (mail.ends_with("\r\n"))
            mail.resize(mail.size() - 2);
        message.header = std::move(mail);
    } else {
        message.header.assign(mail, 0, split);
        message.body = dotUnstuffed(std::string_view(mail).substr(split + 4));
        // The header lines were stuffed too; a header line starting with "." is rare but
        // must come back whole.
        message.header = dotUnstuffed(message.header);
    }
    message.parseHeader();
    return true;
}

bool Pop3Receiver::disconnect() {
    if (!connected_)
        return true;
    bool ok = false;
    if (!broken_) {
        send("QUIT\r\n");
        ok = readReply(kQuit);
    }
    socket_.close();
    replies_.clear();
    connected_ = false;
    broken_ = false;
    return ok;
}

}  // namespace brivanta::net
