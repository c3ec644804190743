#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/net/LinkOutcome.h"

namespace brivanta::net {

struct LinkCheckOptions {
    int connections = 16;   // open at the same time, over all hosts
    int perHost = 2;        // open at the same time to one host
    int hostPauseMs = 100;  // between the starts of two requests to one host
    int connectTimeoutMs = 10000;
    int timeoutMs = 20000;  // each request as a whole, redirects included
    std::size_t maxBodyBytes = 64 * 1024;
    std::size_t maxHeaderBytes = 32 * 1024;  // of one response
    int maxRedirects = 5;
    std::string caFile;  // PEM authorities trusted besides the system's
    const std::atomic<bool>* cancel = nullptr;
};

// One link to check; `tag` is the caller's (the entry it came from, say).
struct LinkJob {
    std::string address;
    std::uint64_t tag = 0;
};

// What the checker does with an address: web addresses (http, https) are asked over the
// network, file addresses (file://, an absolute path) are looked up on the disk; mail and
// every other address are left alone.
enum class LinkKind { web, file, unchecked };
LinkKind linkKind(std::string_view address);

// What a run saw, for the bounds it promises.
struct LinkCheckStats {
    std::size_t checked = 0;
    std::size_t handles = 0;   // transfer handles made: at most `connections`
    std::size_t peakOpen = 0;  // requests open at the same time
    std::size_t peakOpenToOneHost = 0;
    std::size_t peakWaiting = 0;  // links read ahead of their start
};

// Checks links concurrently over libcurl's multi interface. Each web link gets a HEAD; a
// server that refuses HEAD (405, 501 and the like) gets a GET of the first bytes instead.
// Redirects are followed (at most maxRedirects) and reported with where they led. Bodies
// are never kept: reading stops after maxBodyBytes. Links are pulled from the source only
// as fast as they can start, so memory depends on `connections`, not on how many links
// there are.
class LinkChecker {
  public:
    // Fills `job` with the next link; false when there are no more.
    using Source = std::function<bool(LinkJob& job)>;
    // Called once per checked link, on the caller's thread, in the order checks end.
    using Report = std::function<void(const LinkJob& job, const LinkOutcome& outcome)>;

    explicit LinkChecker(LinkCheckOptions options);
    ~LinkChecker();
    LinkChecker(const LinkChecker&) = delete;
    LinkChecker& operator=(const LinkChecker&) = delete;

    // Runs until the source is empty and every check has ended, or until `cancel` is set.
    // False, with `failure` saying why, when libcurl could not be set up.
    bool run(const Source& next, const Report& report, std::string& failure);
    const LinkCheckStats& stats() const { return stats_; }

  private:
    struct Impl;
    LinkCheckOptions options_;
    LinkCheckStats stats_;
};

// The check of a file address on the disk: working when it exists, notFound when it does
// not, refused when it may not be reached.
LinkOutcome checkFileLink(std::string_view address);

// `address` (GBK) as a URL libcurl can send: UTF-8, with spaces and bytes outside ASCII
// percent-encoded after the host.
std::string requestUrl(std::string_view address);

}  // namespace brivanta::net
