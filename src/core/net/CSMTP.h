#pragma once

#include <cstdint>
#include <string>

#include "core/net/MailConnect.h"
#include "core/net/MailMessage.h"
#include "core/net/NetTimeouts.h"
#include "core/net/ReplyReader.h"
#include "core/net/SecurityMode.h"
#include "core/net/ServerCapabilities.h"
#include "core/net/TcpConnection.h"

namespace brivanta::net {

// The program's SMTP client: connect, send any number of messages, disconnect. Every
// failure leaves its text in statusText() (GBK); a later success does not clear it.
// Without security and login it speaks the dialogue of old ("HELO", "MAIL From: <x>");
// with either it speaks EHLO (HELO when that is refused), STARTTLS or TLS from the first
// byte, AUTH PLAIN or LOGIN, and RFC 5321 commands.
class CSMTP {
  public:
    CSMTP(std::string server, int port, const NetTimeouts& timeouts = {});
    virtual ~CSMTP();
    CSMTP(const CSMTP&) = delete;
    CSMTP& operator=(const CSMTP&) = delete;

    // STARTTLS is then required: a server that does not offer it is left before anything
    // else is sent. Takes effect at the next connect.
    void setSecurity(SecurityMode mode, const TlsOptions& tls = {});
    // Logs in as `user` after the greeting (and after STARTTLS); "" does not log in. The
    // envelope sender of a mail with no sender of its own is then `user`.
    void setLogin(const std::string& user, const std::string& password);

    bool connect();
    // The same greeting over a connection that is already open (the server and port given
    // at construction are not used).
    bool connect(TcpConnection&& connection);
    // Sends `message` (its recipients, header and body). A refused recipient does not stop
    // the mail; its reply stays in statusText().
    bool sendMessage(const MailMessage& message);
    bool disconnect();

    // A mail larger than this (header and stuffed body) is not sent: a receiver would
    // refuse it. Its sendMessage fails before MAIL with a text that says so.
    void setMaxMailSize(std::uint64_t bytes) { maxMailSize_ = bytes; }
    static constexpr std::uint64_t kDefaultMaxMailSize = 256ull << 20;

    const std::string& statusText() const { return statusText_; }
    bool isConnected() const { return connected_; }
    // The reply the last check read, with its line ends (for tests and diagnostics).
    const std::string& lastReply() const { return lastReply_; }
    // "发送完毕！"
    static std::string successText();

  protected:
    // Formats the header and stuffs the body; false when the message has no recipients.
    virtual bool prepareMessage(MailMessage& message);

  private:
    enum ReplyCheck { kOk = 0, kGreeting = 1, kData = 2, kQuit = 3 };
    bool greet();
    // EHLO, or HELO when the server refuses EHLO; fills caps_.
    bool hello();
    bool startTls();
    bool authenticate();
    bool newDialogue() const { return endpoint_.security != SecurityMode::none || !login_.empty(); }
    bool readReply(ReplyCheck check);
    // Reads a reply; true when its code is `code`, else statusText_ is "code:mismatch".
    bool expect(int code, const char* mismatch);
    int replyCode() const;
    bool send(std::string_view data);
    void dropConnection();

    std::string statusText_;
    bool connected_ = false;
    bool broken_ = false;  // the dialogue broke (receive error): no further exchange
    MailEndpoint endpoint_;
    std::string login_;
    std::string password_;
    SmtpCapabilities caps_;
    TcpConnection socket_;
    ReplyReader replies_{socket_};
    std::string lastReply_;
    std::uint64_t maxMailSize_ = kDefaultMaxMailSize;
};

}  // namespace brivanta::net
