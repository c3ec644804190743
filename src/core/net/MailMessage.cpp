#include "core/net/MailMessage.h"

#include <cstdio>

namespace brivanta::net {

bool MailMessage::addRecipient(const std::string& address, const std::string& displayName) {
    recipients_.push_back({address, displayName});
    return true;
}

bool MailMessage::getRecipient(int index, std::string& address, std::string& displayName) const {
    if (index < 0 || index >= recipientCount())
        return false;
    address = recipients_[static_cast<size_t>(index)].address;
    displayName = recipients_[static_cast<size_t>(index)].displayName;
    return true;
}

bool MailMessage::addRecipients(std::string_view text) {
    for (;;) {
        size_t cut = text.find(';');
        std::string_view piece = text.substr(0, cut);
        size_t open = piece.find('<');
        if (open == std::string_view::npos) {
            addRecipient(std::string(piece));
        } else {
            size_t close = piece.find('>');
            if (close == std::string_view::npos || close < open)
                return false;
            addRecipient(std::string(piece.substr(open + 1, close - open - 1)),
                         std::string(piece.substr(0, open)));
        }
        if (cut == std::string_view::npos)
            return true;
        text.remove_prefix(cut + 1);
    }
}

std::string formatMailDate(std::time_t time) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    localtime_r(&time, &tm);
    char text[96];
    std::snprintf(text, sizeof text, "%s, %02d %s %02d %02d:%02d:%02d %s", days[tm.tm_wday % 7],
                  tm.tm_mday, months[tm.tm_mon % 12], tm.tm_year % 100, tm.tm_hour, tm.tm_min,
                  tm.tm_sec, tm.tm_zone ? tm.tm_zone : "");
    return text;
}

bool MailMessage::formatHeader() {
    if (recipients_.empty())
        return false;
    std::string to;
    for (size_t i = 0; i < recipients_.size(); ++i) {
        if (i > 0)
            to += ',';
        to += recipients_[i].displayName;
        to += '<';
        to += recipients_[i].address;
        to += '>';
    }
    date = std::time(nullptr);
    header = "Date: " + formatMailDate(date) + "\r\nFrom: " + from + "\r\nTo: " + to +
             "\r\nSubject: " + subject + "\r\n";
    return true;
}

std::string dotStuffed(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 64 + 2);
    size_t lineStart = 0;
    for (;;) {
        if (lineStart < text.size() && text[lineStart] == '.')
            out += '.';
        size_t end = text.find("\r\n", lineStart);
        if (end == std::string_view::npos) {
            out.append(text.substr(lineStart));
            return out;
        }
        out.append(text.substr(lineStart, end + 2 - lineStart));
        lineStart = end + 2;
    }
}

std::string dotUnstuffed(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t lineStart = 0;
    for (;;) {
        if (lineStart < text.size() && text[lineStart] == '.')
            ++lineStart;
        size_t end = text.find("\r\n", lineStart);
        if (end == std::string_view::npos) {
            out.append(text.substr(lineStart));
            return out;
        }
        out.append(text.substr(lineStart, end + 2 - lineStart));
        lineStart = end + 2;
    }
}

void MailMessage::stuffBody() {
    body = dotStuffed(body);
}

void MailMessage::unstuffBody() {
    body = dotUnstuffed(body);
}

namespace {

// The value of header field `key` ("From: "): from the end of the key to the next CR LF
// (or the end of the header, whose last line has none). A field is found on any line,
// the first one included.
bool headerValue(const std::string& header, std::string_view key, std::string& value) {
    size_t at;
    if (header.compare(0, key.size(), key) == 0) {
        at = 0;
    } else {
        std::string needle = "\r\n";
        needle += key;
        at = header.find(needle);
        if (at == std::string::npos)
            return false;
        at += 2;
    }
    size_t start = at + key.size();
    size_t end = header.find("\r\n", start);
    value = header.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return true;
}

}  // namespace

bool MailMessage::parseHeader() {
    std::string value;
    if (!headerValue(header, "From: ", value))
        return false;
    from = value;
    if (!headerValue(header, "To: ", value))
        return false;
    addRecipients(value);
    if (!headerValue(header, "Date: ", value))
        return false;
    date = std::time(nullptr);
    if (!headerValue(header, "Subject: ", value))
        return false;
    subject = value;
    if (headerValue(header, "Cc: ", value))
        addRecipients(value);
    return true;
}

}  // namespace brivanta::net
