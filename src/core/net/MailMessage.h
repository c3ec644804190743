#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace brivanta::net {

struct MailRecipient {
    std::string address;
    std::string displayName;
};

// A mail as the program sends and receives it: the envelope sender, the header lines it
// writes or reads, and the body.
class MailMessage {
  public:
    std::string from;
    std::string subject;
    std::string header;
    std::time_t date = 0;
    std::string body;

    bool addRecipient(const std::string& address, const std::string& displayName = {});
    bool getRecipient(int index, std::string& address, std::string& displayName) const;
    int recipientCount() const { return static_cast<int>(recipients_.size()); }
    void clearRecipients() { recipients_.clear(); }
    // Adds every address of a ";"-separated list ("name<addr>" or "addr"). False at the
    // first piece with "<" but no ">" after it; the pieces before it stay added.
    bool addRecipients(std::string_view text);

    // Builds the Date, From, To and Subject lines; false without recipients.
    bool formatHeader();
    // Dot transparency for the DATA phase: every line that starts with "." gets one more
    // in front, so the final "." line cannot occur inside the text, and the server's
    // removal of the first dot gives the text back unchanged.
    void stuffBody();
    // The receiving side of the same rule: one leading dot comes off every line.
    void unstuffBody();
    // Reads From, To, Date, Subject (all required) and Cc from the header.
    bool parseHeader();

  private:
    std::vector<MailRecipient> recipients_;
};

// The same rules on any text, in one pass.
std::string dotStuffed(std::string_view text);
std::string dotUnstuffed(std::string_view text);

// "Tue, 08 Dec 26 15:09:13 UTC": English names whatever the locale.
std::string formatMailDate(std::time_t time);

}  // namespace brivanta::net
