#include "core/net/ReplyReader.h"

namespace brivanta::net {

ReplyReader::Deadline ReplyReader::deadline() const {
    const int ms = connection_.timeouts().readMs;
    return ms > 0 ? std::chrono::steady_clock::now() + std::chrono::milliseconds(ms)
                  : Deadline::max();
}

NetStatus ReplyReader::readLine(std::string& line, size_t maxLength) {
    return readLine(line, maxLength, deadline());
}

NetStatus ReplyReader::readLine(std::string& line, size_t maxLength, Deadline deadline) {
    line.clear();
    size_t scanFrom = start_;
    for (;;) {
        size_t lf = buffer_.find('\n', scanFrom);
        while (lf != std::string::npos && (lf == start_ || buffer_[lf - 1] != '\r')) {
            lf = buffer_.find('\n', lf + 1);
        }
        if (lf != std::string::npos) {
            line.assign(buffer_, start_, lf + 1 - start_);
            start_ = lf + 1;
            if (start_ == buffer_.size()) {
                buffer_.clear();
                start_ = 0;
            }
            return NetStatus::ok;
        }
        if (buffer_.size() - start_ > maxLength)
            return NetStatus::tooLarge;
        scanFrom = buffer_.size();
        if (start_ > 0) {
            buffer_.erase(0, start_);
            scanFrom -= start_;
            start_ = 0;
        }
        if (deadline != Deadline::max()) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !connection_.waitForInput(static_cast<int>(left.count())))
                return NetStatus::timedOut;
        }
        char chunk[4096];
        size_t got = 0;
        NetStatus s = connection_.receive(chunk, sizeof chunk, got);
        if (s != NetStatus::ok)
            return s;
        buffer_.append(chunk, got);
    }
}

NetStatus ReplyReader::readSmtpReply(std::string& reply, size_t maxLength) {
    reply.clear();
    std::string line;
    const Deadline whole = deadline();
    for (;;) {
        NetStatus s = readLine(line, maxLength, whole);
        if (s != NetStatus::ok)
            return s;
        reply += line;
        if (reply.size() > maxLength)
            return NetStatus::tooLarge;
        // "250-..." continues the reply; "250 ..." (or anything else) ends it.
        if (line.size() < 4 || line[3] != '-')
            return NetStatus::ok;
    }
}

std::string ReplyReader::takeBuffered() {
    std::string rest = buffer_.substr(start_);
    buffer_.clear();
    start_ = 0;
    return rest;
}

void ReplyReader::putBack(std::string_view bytes) {
    buffer_.erase(0, start_);
    start_ = 0;
    buffer_.insert(0, bytes);
}

void ReplyReader::clear() {
    buffer_.clear();
    start_ = 0;
}

}  // namespace brivanta::net
