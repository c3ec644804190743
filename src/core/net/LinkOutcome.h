#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace brivanta::net {

// How a link answered.
enum class LinkResult {
    working,
    redirected,   // a temporary redirect to a working address
    moved,        // permanently redirected (301, 308 all the way) to a working address
    notFound,     // 404 or 410, or a file that is not there
    serverError,  // 5xx
    refused,      // no connection could be made, or a file that may not be read
    timedOut,
    nameNotFound,
    tlsFailure,  // no TLS, or a certificate that is not trusted or names another host
    failed,      // any other answer: another 4xx, a broken reply, too many redirects,
                 // headers past their limit
};

// A link is dead when it neither works nor leads somewhere that works.
inline bool isDead(LinkResult r) {
    return r != LinkResult::working && r != LinkResult::redirected && r != LinkResult::moved;
}

// One word per result, as the command line prints them and the results file keeps them.
const char* linkResultName(LinkResult r);
// What a person reads for a result (UTF-8): "不存在", "找不到主机".
const char* linkResultText(LinkResult r);
// The inverse of linkResultName; false for a word that names no result.
bool parseLinkResult(std::string_view name, LinkResult& r);

// The result of an HTTP status that ended a check (after any redirects were followed).
LinkResult resultOfStatus(long status);

struct LinkOutcome {
    LinkResult result = LinkResult::failed;
    long code = 0;           // the last HTTP status, 0 when there was none
    std::string newAddress;  // where a redirect led (the last address asked)
    std::string detail;      // why it failed, for people (UTF-8), when it did not work
    std::time_t checkedAt = 0;
};

}  // namespace brivanta::net
