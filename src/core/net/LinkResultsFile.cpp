#include "core/net/LinkResultsFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "core/formats/FileStreams.h"
#include "core/text/EscapedText.h"

namespace brivanta::net {

namespace {

constexpr std::string_view kHeader = "# brivanta link results 1";

std::vector<std::string_view> splitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    while (true) {
        size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

bool parseNumber(std::string_view s, long& out) {
    if (s.empty() || s.size() > 9)
        return false;
    long n = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    out = n;
    return true;
}

}  // namespace

std::string utcTimeText(std::time_t t) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

bool parseUtcTime(std::string_view text, std::time_t& t) {
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z')
        return false;
    long year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!parseNumber(text.substr(0, 4), year) || !parseNumber(text.substr(5, 2), month) ||
        !parseNumber(text.substr(8, 2), day) || !parseNumber(text.substr(11, 2), hour) ||
        !parseNumber(text.substr(14, 2), minute) || !parseNumber(text.substr(17, 2), second))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return false;
    std::tm tm{};
    tm.tm_year = static_cast<int>(year - 1900);
    tm.tm_mon = static_cast<int>(month - 1);
    tm.tm_mday = static_cast<int>(day);
    tm.tm_hour = static_cast<int>(hour);
    tm.tm_min = static_cast<int>(minute);
    tm.tm_sec = static_cast<int>(second);
    t = timegm(&tm);
    return true;
}

FileError LinkResultsFile::load(const std::string& path, std::size_t* skipped) {
    entries_.clear();
    if (skipped)
        *skipped = 0;
    std::string data;
    FileError error = readWholeFile(path, data);
    if (error.errorNumber == ENOENT)
        return {};
    if (error)
        return error;
    std::string_view rest(data);
    bool first = true;
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (first && line == kHeader) {
            first = false;
            continue;
        }
        first = false;
        if (line.empty())
            continue;
        std::vector<std::string_view> f = splitTabs(line);
        Entry e;
        std::string address;
        if ((f.size() == 4 || f.size() == 5) && parseUtcTime(f[0], e.checkedAt) &&
            parseLinkResult(f[1], e.result) && parseNumber(f[2], e.code) &&
            text::unescapeUtf8(f[3], address) && !address.empty() &&
            (f.size() == 4 || text::unescapeUtf8(f[4], e.newAddress))) {
            entries_[std::move(address)] = std::move(e);
        } else if (skipped) {
            ++*skipped;
        }
    }
    return {};
}

FileError LinkResultsFile::save(const std::string& path) const {
    std::vector<const std::pair<const std::string, Entry>*> sorted;
    sorted.reserve(entries_.size());
    for (const auto& each : entries_)
        sorted.push_back(&each);
    std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->first < b->first; });
    std::string out(kHeader);
    out.push_back('\n');
    for (const auto* each : sorted) {
        const Entry& e = each->second;
        out += utcTimeText(e.checkedAt);
        out += '\t';
        out += linkResultName(e.result);
        out += '\t';
        out += std::to_string(e.code);
        out += '\t';
        out += text::escapedUtf8(each->first);
        if (!e.newAddress.empty()) {
            out += '\t';
            out += text::escapedUtf8(e.newAddress);
        }
        out += '\n';
    }
    AtomicFileSink sink;
    if (FileError error = sink.open(path))
        return error;
    if (!sink.write(out.data(), out.size()))
        return FileError{path, sink.error() ? sink.error() : EIO};
    return sink.commit();
}

void LinkResultsFile::record(const std::string& address, const LinkOutcome& outcome) {
    Entry& e = entries_[address];
    e.result = outcome.result;
    e.code = outcome.code;
    e.newAddress = outcome.newAddress;
    e.checkedAt = outcome.checkedAt;
}

const LinkResultsFile::Entry* LinkResultsFile::find(std::string_view address) const {
    auto it = entries_.find(std::string(address));
    return it == entries_.end() ? nullptr : &it->second;
}

bool LinkResultsFile::needsCheck(std::string_view address, std::time_t now, bool onlyFailed,
                                 long long maxAge) const {
    const Entry* e = find(address);
    if (!e)
        return true;
    if (onlyFailed && isDead(e->result))
        return true;
    if (maxAge > 0 && now - e->checkedAt >= maxAge)
        return true;
    return !onlyFailed && maxAge <= 0;
}

}  // namespace brivanta::net
