#pragma once

#include <cstdint>
#include <string>

#include "core/net/MailConnect.h"
#include "core/net/MailMessage.h"
#include "core/net/NetTimeouts.h"
#include "core/net/ReplyReader.h"
#include "core/net/SecurityMode.h"
#include "core/net/TcpConnection.h"

namespace brivanta::net {

// The program's POP3 client: log in, count the mails, fetch them one by one, log out.
// Mails are never deleted. Every failure leaves its text in statusText() (GBK).
class Pop3Receiver {
  public:
    Pop3Receiver(std::string host, int port, std::string user = {}, std::string password = {},
                 const NetTimeouts& timeouts = {});
    ~Pop3Receiver();
    Pop3Receiver(const Pop3Receiver&) = delete;
    Pop3Receiver& operator=(const Pop3Receiver&) = delete;

    // Sets both; an empty password is a password like any other.
    void setCredentials(const std::string& user, const std::string& password);
    // In mode startTls the client asks for CAPA and then STLS, and a server that does not
    // offer STLS is left before the user name goes out. Takes effect at the next connect.
    void setSecurity(SecurityMode mode, const TlsOptions& tls = {});
    bool connect();
    // The same login over a connection that is already open (the host and port given at
    // construction are not used).
    bool connect(TcpConnection&& connection);
    // The number of mails, -1 when STAT fails or its reply holds no number; a count past
    // the largest int is that largest int.
    int messageCount();
    // Fetches mail `number` into `message` (header, body and the fields of the header).
    bool retrieve(int number, MailMessage& message);
    bool disconnect();

    const std::string& statusText() const { return statusText_; }
    const std::string& lastReply() const { return lastReply_; }
    bool isConnected() const { return connected_; }
    // False once the dialogue broke (a reply that never came, a mail cut short or too
    // large): the connection is closed and further calls fail without a new text.
    bool isUsable() const { return connected_ && !broken_; }
    // A mail larger than this fails its retrieve ("RETRieve failed") and is skipped; the mails
    // after it can still be fetched. A server that sends far more ends the dialogue.
    void setMaxMailSize(std::uint64_t bytes) { maxMailSize_ = bytes; }
    // "接收完毕！"
    static std::string successText();

    static constexpr std::uint64_t kDefaultMaxMailSize = 256ull << 20;

  private:
    enum Step { kGreeting = 0, kUser = 1, kPass = 2, kStat = 3, kRetr = 4, kQuit = 6 };
    bool logIn();
    bool startTls();
    // The lines of a multi-line reply after its status line, up to the final ".".
    bool readList(std::string& lines);
    bool readReply(Step step);
    bool send(std::string_view data);
    void breakDialogue(const std::string& text);
    // Reads the mail text after RETR's status line up to the final ".", without it.
    bool readMailText(std::string& text);

    std::string statusText_;
    std::string lastReply_;
    bool connected_ = false;
    bool broken_ = false;
    MailEndpoint endpoint_;
    std::string user_;
    std::string password_;
    TcpConnection socket_;
    ReplyReader replies_{socket_};
    std::uint64_t maxMailSize_ = kDefaultMaxMailSize;
};

}  // namespace brivanta::net
