#include "core/net/LinkChecker.h"

#include <curl/curl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/net/CurlErrorText.h"
#include "core/text/Encoding.h"
#include "core/text/SystemErrorText.h"
#include "core/trees/AddressKey.h"

namespace brivanta::net {

namespace {

using Clock = std::chrono::steady_clock;

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2])));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// "host:port" of a URL, the port written out, for messages that name the server.
std::string serverOf(std::string_view url) {
    size_t start = url.find("://");
    bool secure = start == 5;  // "https"
    start = start == std::string_view::npos ? 0 : start + 3;
    std::string_view authority = url.substr(start);
    size_t end = 0;
    while (end < authority.size() && authority[end] != '/' && authority[end] != '?' &&
           authority[end] != '#')
        ++end;
    authority = authority.substr(0, end);
    if (size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    size_t close = authority.rfind(']');
    size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos && (close == std::string_view::npos || colon > close))
        return std::string(authority);
    return std::string(authority) + (secure ? ":443" : ":80");
}

// A HEAD answered with one of these may be a server that does not do HEAD: ask with GET.
bool mayRefuseHead(long status) {
    return status == 400 || status == 403 || status == 405 || status == 406 || status == 500 ||
           status == 501;
}

LinkResult resultOfCurl(CURLcode code) {
    switch (code) {
        case CURLE_OPERATION_TIMEDOUT:
            return LinkResult::timedOut;
        case CURLE_COULDNT_CONNECT:
            return LinkResult::refused;
        case CURLE_COULDNT_RESOLVE_HOST:
            return LinkResult::nameNotFound;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_SHUTDOWN_FAILED:
        case CURLE_USE_SSL_FAILED:
            return LinkResult::tlsFailure;
        default:
            return LinkResult::failed;
    }
}

}  // namespace

LinkKind linkKind(std::string_view address) {
    std::string_view s = trimmed(address);
    if (startsWithNoCase(s, "http://") || startsWithNoCase(s, "https://"))
        return LinkKind::web;
    if (startsWithNoCase(s, "file:") || s.starts_with('/'))
        return LinkKind::file;
    return LinkKind::unchecked;
}

LinkOutcome checkFileLink(std::string_view address) {
    std::string_view s = trimmed(address);
    std::string path;
    if (startsWithNoCase(s, "file:")) {
        s.remove_prefix(5);
        if (s.starts_with("//")) {
            s.remove_prefix(2);
            // "file://localhost/x" and "file:///x" name the same file; another host is not here.
            size_t slash = s.find('/');
            std::string_view host = s.substr(0, slash);
            if (!host.empty() && !startsWithNoCase(host, "localhost")) {
                LinkOutcome o;
                o.result = LinkResult::failed;
                o.detail = "文件地址指向别的计算机 “" + text::toUtf8(host) + "”";
                return o;
            }
            s = slash == std::string_view::npos ? std::string_view("/") : s.substr(slash);
        }
        path = percentDecoded(s.substr(0, s.find_first_of("?#")));
    } else {
        path = std::string(s);
    }
    LinkOutcome o;
    // File names on this system are UTF-8; a tree keeps GBK. Try the name as a person
    // would type it first, then the stored bytes as they are.
    struct stat st {};
    int error = 0;
    for (const std::string& candidate : {text::toUtf8(path), path}) {
        if (::stat(candidate.c_str(), &st) == 0) {
            o.result = LinkResult::working;
            return o;
        }
        if (error == 0 || errno != ENOENT)
            error = errno;
    }
    o.result = (error == ENOENT || error == ENOTDIR) ? LinkResult::notFound
               : (error == EACCES)                   ? LinkResult::refused
                                                     : LinkResult::failed;
    o.detail = "“" + text::toUtf8(path) + "”：" + text::systemErrorText(error);
    return o;
}

std::string requestUrl(std::string_view address) {
    std::string utf8 = text::toUtf8(trimmed(address));
    size_t hostStart = utf8.find("://");
    hostStart = hostStart == std::string::npos ? 0 : hostStart + 3;
    size_t hostEnd = utf8.find_first_of("/?#", hostStart);
    if (hostEnd == std::string::npos)
        return utf8;
    std::string out = utf8.substr(0, hostEnd);
    static const char* hex = "0123456789ABCDEF";
    for (size_t i = hostEnd; i < utf8.size(); ++i) {
        auto b = static_cast<unsigned char>(utf8[i]);
        if (b <= 0x20 || b >= 0x7f) {
            out.push_back('%');
            out.push_back(hex[b >> 4]);
            out.push_back(hex[b & 15]);
        } else {
            out.push_back(utf8[i]);
        }
    }
    return out;
}

// A transfer in progress: one per open connection, reused for the next link.
struct Transfer {
    CURL* easy = nullptr;
    LinkJob job;
    std::string host;
    std::string url;
    bool usingGet = false;
    bool temporaryHop = false;  // a redirect on the way was not permanent
    bool headersTooLarge = false;
    bool bodyCut = false;
    bool atResponseStart = true;
    std::size_t headerBytes = 0;
    std::size_t bodyBytes = 0;
    std::size_t maxHeaderBytes = 0;
    std::size_t maxBodyBytes = 0;

    ~Transfer() {
        if (easy)
            curl_easy_cleanup(easy);
    }

    static size_t onHeader(char* data, size_t size, size_t count, void* self) {
        auto* t = static_cast<Transfer*>(self);
        std::string_view line(data, size * count);
        // Each response of a redirect chain has its own limit, counted from its status line;
        // a header line that merely looks like one does not start the count again.
        if (t->atResponseStart && line.starts_with("HTTP/")) {
            t->atResponseStart = false;
            t->headerBytes = 0;
            size_t space = line.find(' ');
            long status = space == std::string_view::npos ? 0 : std::atol(line.data() + space + 1);
            if (status >= 300 && status < 400 && status != 301 && status != 308)
                t->temporaryHop = true;
        }
        if (line == "\r\n" || line == "\n")
            t->atResponseStart = true;
        t->headerBytes += line.size();
        if (t->headerBytes > t->maxHeaderBytes) {
            t->headersTooLarge = true;
            return 0;  // ends the transfer
        }
        return line.size();
    }

    static size_t onBody(char*, size_t size, size_t count, void* self) {
        auto* t = static_cast<Transfer*>(self);
        t->bodyBytes += size * count;
        if (t->bodyBytes >= t->maxBodyBytes) {
            t->bodyCut = true;  // enough to know the page is there
            return 0;
        }
        return size * count;
    }
};

struct Waiting {
    LinkJob job;
    std::string host;
    bool useGet = false;
};

struct HostState {
    int open = 0;
    Clock::time_point nextStart{};
};

struct LinkChecker::Impl {
    const LinkCheckOptions& options;
    LinkCheckStats& stats;
    CURLM* multi = nullptr;
    std::vector<std::unique_ptr<Transfer>> transfers;  // every handle made
    std::vector<Transfer*> idle;
    std::deque<Waiting> waiting;
    std::unordered_map<std::string, HostState> hosts;
    std::size_t open = 0;

    Impl(const LinkCheckOptions& o, LinkCheckStats& s) : options(o), stats(s) {}
    ~Impl() {
        for (auto& t : transfers)
            if (t->easy)
                curl_multi_remove_handle(multi, t->easy);
        transfers.clear();
        if (multi)
            curl_multi_cleanup(multi);
    }

    Transfer* takeTransfer() {
        if (!idle.empty()) {
            Transfer* t = idle.back();
            idle.pop_back();
            return t;
        }
        auto t = std::make_unique<Transfer>();
        t->easy = curl_easy_init();
        if (!t->easy)
            return nullptr;
        transfers.push_back(std::move(t));
        stats.handles = transfers.size();
        return transfers.back().get();
    }

    bool start(Waiting&& w) {
        Transfer* t = takeTransfer();
        if (!t)
            return false;
        CURL* e = t->easy;
        curl_easy_reset(e);
        t->job = std::move(w.job);
        t->host = std::move(w.host);
        t->url = requestUrl(t->job.address);
        t->usingGet = w.useGet;
        t->temporaryHop = t->headersTooLarge = t->bodyCut = false;
        t->headerBytes = t->bodyBytes = 0;
        t->atResponseStart = true;
        t->maxHeaderBytes = options.maxHeaderBytes;
        t->maxBodyBytes = options.maxBodyBytes;
        curl_easy_setopt(e, CURLOPT_URL, t->url.c_str());
        curl_easy_setopt(e, CURLOPT_PRIVATE, t);
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        // Only the web: a redirect to file:// or elsewhere must not be followed.
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(e, CURLOPT_MAXREDIRS, static_cast<long>(options.maxRedirects));
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeoutMs));
        curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(options.timeoutMs));
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(e, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
        if (!options.caFile.empty())
            curl_easy_setopt(e, CURLOPT_CAINFO, options.caFile.c_str());
        curl_easy_setopt(e, CURLOPT_USERAGENT, "brivanta-link-check/1");
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, t);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, t);
        if (t->usingGet) {
            curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
            curl_easy_setopt(e, CURLOPT_RANGE, "0-1023");
        } else {
            curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
        }
        if (curl_multi_add_handle(multi, e) != CURLM_OK) {
            idle.push_back(t);
            return false;
        }
        HostState& h = hosts[t->host];
        ++h.open;
        h.nextStart = Clock::now() + std::chrono::milliseconds(options.hostPauseMs);
        ++open;
        stats.peakOpen = std::max(stats.peakOpen, open);
        stats.peakOpenToOneHost =
            std::max(stats.peakOpenToOneHost, static_cast<std::size_t>(h.open));
        return true;
    }

    static std::string lastUrl(Transfer& t) {
        char* last = nullptr;
        curl_easy_getinfo(t.easy, CURLINFO_EFFECTIVE_URL, &last);
        return last ? std::string(last) : t.url;
    }

    LinkOutcome outcomeOf(Transfer& t, CURLcode code) {
        LinkOutcome o;
        long status = 0;
        curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status);
        long redirects = 0;
        curl_easy_getinfo(t.easy, CURLINFO_REDIRECT_COUNT, &redirects);
        o.code = status;
        if (redirects > 0) {
            char* last = nullptr;
            curl_easy_getinfo(t.easy, CURLINFO_EFFECTIVE_URL, &last);
            if (last)
                o.newAddress = text::fromUtf8(last);
        }
        if (t.headersTooLarge) {
            o.result = LinkResult::failed;
            o.detail =
                serverOf(t.url) + "：回应头超过 " + std::to_string(t.maxHeaderBytes) + " 字节";
            return o;
        }
        if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && t.bodyCut)) {
            o.result = resultOfStatus(status);
            if (t.usingGet && status == 416)
                o.result = LinkResult::working;  // there, but shorter than the range asked
            if (o.result == LinkResult::working && redirects > 0)
                o.result = t.temporaryHop ? LinkResult::redirected : LinkResult::moved;
            if (o.result != LinkResult::working && o.result != LinkResult::redirected &&
                o.result != LinkResult::moved)
                o.detail = serverOf(lastUrl(t)) + "：HTTP " + std::to_string(status);
            return o;
        }
        o.result = code == CURLE_TOO_MANY_REDIRECTS ? LinkResult::failed : resultOfCurl(code);
        o.detail = serverOf(lastUrl(t)) + "：" + curlErrorText(code);
        return o;
    }

    void finish(Transfer* t, CURLcode code, const Report& report) {
        curl_multi_remove_handle(multi, t->easy);
        --open;
        auto host = hosts.find(t->host);
        if (host != hosts.end())
            --host->second.open;
        long status = 0;
        curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
        if (!t->usingGet && code == CURLE_OK && !t->headersTooLarge && mayRefuseHead(status)) {
            // Asked again, first in line: the link's turn has come already.
            waiting.push_front({std::move(t->job), std::move(t->host), true});
            idle.push_back(t);
            return;
        }
        LinkOutcome o = outcomeOf(*t, code);
        o.checkedAt = std::time(nullptr);
        ++stats.checked;
        idle.push_back(t);
        report(t->job, o);
    }

    // Starts what the limits allow; returns when the next waiting link may start.
    Clock::time_point startWaiting(const Report& report) {
        Clock::time_point now = Clock::now();
        Clock::time_point wake = now + std::chrono::milliseconds(100);
        for (auto it = waiting.begin();
             it != waiting.end() && open < static_cast<std::size_t>(options.connections);) {
            HostState& h = hosts[it->host];
            if (h.open < options.perHost && h.nextStart <= now) {
                Waiting w = std::move(*it);
                it = waiting.erase(it);
                LinkJob kept = w.job;
                if (!start(std::move(w))) {
                    LinkOutcome o;
                    o.result = LinkResult::failed;
                    o.detail = "libcurl 不能开始这个请求";
                    o.checkedAt = std::time(nullptr);
                    ++stats.checked;
                    report(kept, o);
                }
                continue;
            }
            if (h.open < options.perHost)
                wake = std::min(wake, h.nextStart);
            ++it;
        }
        // Forget hosts that have nothing open and whose pause is over.
        if (hosts.size() > 2 * (waiting.size() + static_cast<std::size_t>(options.connections))) {
            for (auto h = hosts.begin(); h != hosts.end();)
                h = (h->second.open == 0 && h->second.nextStart <= now) ? hosts.erase(h)
                                                                        : std::next(h);
        }
        return wake;
    }
};

LinkChecker::LinkChecker(LinkCheckOptions options) : options_(std::move(options)) {
    options_.connections = std::max(1, options_.connections);
    options_.perHost = std::max(1, options_.perHost);
    options_.hostPauseMs = std::max(0, options_.hostPauseMs);
}

LinkChecker::~LinkChecker() = default;

bool LinkChecker::run(const Source& next, const Report& report, std::string& failure) {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!ready) {
        failure = "libcurl 不能初始化";
        return false;
    }
    stats_ = {};
    Impl impl(options_, stats_);
    impl.multi = curl_multi_init();
    if (!impl.multi) {
        failure = "libcurl 不能初始化";
        return false;
    }
    curl_multi_setopt(impl.multi, CURLMOPT_MAX_TOTAL_CONNECTIONS,
                      static_cast<long>(options_.connections));
    curl_multi_setopt(impl.multi, CURLMOPT_MAX_HOST_CONNECTIONS,
                      static_cast<long>(options_.perHost));
    // Links read ahead so that one busy host does not hold up the others.
    const std::size_t lookAhead = std::max<std::size_t>(64, 4 * options_.connections);
    bool sourceDone = false;
    while (!(options_.cancel && options_.cancel->load())) {
        while (!sourceDone && impl.waiting.size() < lookAhead) {
            LinkJob job;
            if (!next(job)) {
                sourceDone = true;
                break;
            }
            switch (linkKind(job.address)) {
                case LinkKind::web: {
                    std::string host = addressHost(job.address);
                    impl.waiting.push_back({std::move(job), std::move(host), false});
                    break;
                }
                case LinkKind::file: {
                    LinkOutcome o = checkFileLink(job.address);
                    o.checkedAt = std::time(nullptr);
                    ++stats_.checked;
                    report(job, o);
                    break;
                }
                case LinkKind::unchecked:
                    break;
            }
        }
        stats_.peakWaiting = std::max(stats_.peakWaiting, impl.waiting.size());
        Clock::time_point wake = impl.startWaiting(report);
        if (sourceDone && impl.open == 0 && impl.waiting.empty())
            break;
        int running = 0;
        curl_multi_perform(impl.multi, &running);
        bool ended = false;
        int left = 0;
        while (CURLMsg* m = curl_multi_info_read(impl.multi, &left)) {
            if (m->msg != CURLMSG_DONE)
                continue;
            Transfer* t = nullptr;
            curl_easy_getinfo(m->easy_handle, CURLINFO_PRIVATE, &t);
            CURLcode code = m->data.result;
            impl.finish(t, code, report);
            ended = true;
        }
        if (ended)
            continue;
        auto waitMs = std::chrono::duration_cast<std::chrono::milliseconds>(wake - Clock::now());
        int timeout = static_cast<int>(std::clamp<long long>(waitMs.count(), 0, 100));
        if (impl.open > 0 || timeout > 0)
            curl_multi_poll(impl.multi, nullptr, 0, timeout, nullptr);
    }
    return true;
}

}  // namespace brivanta::net
