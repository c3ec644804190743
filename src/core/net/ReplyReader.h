#pragma once

#include <chrono>
#include <string>

#include "core/net/TcpConnection.h"

namespace brivanta::net {

// Reads a command dialogue's replies from a connection. TCP keeps no message boundaries:
// a reply is read until its line is complete, and whatever arrives after it stays here for
// the next read.
class ReplyReader {
  public:
    explicit ReplyReader(TcpConnection& connection) : connection_(connection) {}

    // One line with its CR LF. A line longer than `maxLength` ends with tooLarge; a line not
    // complete within the read time-out (however it trickles in) ends with timedOut.
    NetStatus readLine(std::string& line, size_t maxLength = 64 * 1024);
    // One SMTP reply: its lines up to the last ("250-a" ... "250 b"), all in `reply`, all
    // within the read time-out.
    NetStatus readSmtpReply(std::string& reply, size_t maxLength = 64 * 1024);
    // Bytes that arrived but were not read yet; the caller takes them all.
    std::string takeBuffered();
    // Puts bytes back in front of what is buffered.
    void putBack(std::string_view bytes);
    // Forgets what is buffered (after the dialogue broke).
    void clear();

  private:
    using Deadline = std::chrono::steady_clock::time_point;
    Deadline deadline() const;
    NetStatus readLine(std::string& line, size_t maxLength, Deadline deadline);

    TcpConnection& connection_;
    std::string buffer_;
    size_t start_ = 0;  // first unread byte of buffer_
};

}  // namespace brivanta::net
