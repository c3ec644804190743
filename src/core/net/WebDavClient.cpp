#include "core/net/WebDavClient.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <memory>

#include "core/net/CurlErrorText.h"

namespace brivanta::net {

namespace {

bool curlReady() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

bool isHeader(std::string_view line, std::string_view name, std::string_view& value) {
    if (line.size() <= name.size() || line[name.size()] != ':')
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = line[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != name[i])
            return false;
    }
    value = trimmed(line.substr(name.size() + 1));
    return true;
}

// The address without user and password, which never go into a message.
std::string withoutCredentials(const std::string& url) {
    size_t start = url.find("://");
    start = start == std::string::npos ? 0 : start + 3;
    size_t end = url.find_first_of("/?#", start);
    size_t at = url.rfind('@', end == std::string::npos ? url.size() : end);
    if (at == std::string::npos || at < start)
        return url;
    return url.substr(0, start) + url.substr(at + 1);
}

// What a status means here, after the server's own words.
const char* meaning(long status) {
    switch (status) {
        case 401:
            return "用户名或密码不被接受";
        case 403:
            return "服务器不允许这样访问";
        case 404:
            return "没有这个文件或它所在的文件夹";
        case 409:
            return "它所在的文件夹不存在";
        case 412:
            return "文件在此期间被改过";
        case 423:
            return "文件被锁定";
        case 507:
            return "服务器的空间不够";
        default:
            return "";
    }
}

// One request under way: what the callbacks see.
struct Exchange {
    const std::string* upload = nullptr;
    size_t uploaded = 0;
    bool keepBody = false;
    size_t maxBody = 0;
    size_t maxHeader = 0;
    size_t bodyBytes = 0;
    size_t headerBytes = 0;
    bool bodyTooLarge = false;
    bool headersTooLarge = false;
    bool atResponseStart = true;
    std::string reason;
    std::string location;
    WebDavReply reply;

    static size_t onHeader(char* data, size_t size, size_t count, void* self) {
        auto* x = static_cast<Exchange*>(self);
        std::string_view line(data, size * count);
        if (x->atResponseStart && line.starts_with("HTTP/")) {
            // Each response (a 100 Continue, a redirect) starts its own headers.
            x->atResponseStart = false;
            x->headerBytes = 0;
            x->reason.clear();
            x->reply.etag.clear();
            x->reply.lastModified = x->reply.serverDate = 0;
            size_t space = line.find(' ');
            if (space != std::string_view::npos) {
                size_t second = line.find(' ', space + 1);
                if (second != std::string_view::npos)
                    x->reason = std::string(trimmed(line.substr(second + 1)));
            }
        }
        if (line == "\r\n" || line == "\n")
            x->atResponseStart = true;
        x->headerBytes += line.size();
        if (x->headerBytes > x->maxHeader) {
            x->headersTooLarge = true;
            return 0;
        }
        std::string_view value;
        if (isHeader(line, "etag", value)) {
            x->reply.etag = std::string(value);
        } else if (isHeader(line, "last-modified", value)) {
            x->reply.lastModified = curl_getdate(std::string(value).c_str(), nullptr);
            if (x->reply.lastModified < 0)
                x->reply.lastModified = 0;
        } else if (isHeader(line, "date", value)) {
            x->reply.serverDate = curl_getdate(std::string(value).c_str(), nullptr);
            if (x->reply.serverDate < 0)
                x->reply.serverDate = 0;
        } else if (isHeader(line, "location", value)) {
            x->location = std::string(value);
        }
        return line.size();
    }

    static size_t onBody(char* data, size_t size, size_t count, void* self) {
        auto* x = static_cast<Exchange*>(self);
        size_t n = size * count;
        if (n > x->maxBody - x->bodyBytes) {
            x->bodyTooLarge = true;
            return 0;  // ends the transfer before anything beyond the cap is kept
        }
        x->bodyBytes += n;
        if (x->keepBody)
            x->reply.body.append(data, n);
        return n;
    }

    static size_t onRead(char* buffer, size_t size, size_t count, void* self) {
        auto* x = static_cast<Exchange*>(self);
        size_t n = std::min(size * count, x->upload->size() - x->uploaded);
        x->upload->copy(buffer, n, x->uploaded);
        x->uploaded += n;
        return n;
    }

    // Rewinds the upload when libcurl sends it again (after a redirect or an
    // authentication round).
    static int onSeek(void* self, curl_off_t offset, int origin) {
        auto* x = static_cast<Exchange*>(self);
        if (origin != SEEK_SET || offset < 0 || static_cast<size_t>(offset) > x->upload->size())
            return CURL_SEEKFUNC_CANTSEEK;
        x->uploaded = static_cast<size_t>(offset);
        return CURL_SEEKFUNC_OK;
    }
};

// Trusts the CA file's authorities on top of the system's, which libcurl has loaded by now
// (CURLOPT_CAINFO would replace them).
CURLcode addAuthorities(CURL*, void* sslContext, void* caFile) {
    X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslContext));
    if (!store || X509_STORE_load_file(store, static_cast<const char*>(caFile)) != 1)
        return CURLE_SSL_CACERT_BADFILE;
    return CURLE_OK;
}

struct CurlFree {
    void operator()(CURL* e) const { curl_easy_cleanup(e); }
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

}  // namespace

WebDavClient::WebDavClient(std::string baseUrl, WebDavOptions options)
    : base_(std::move(baseUrl)), options_(std::move(options)) {
    if (!base_.ends_with('/'))
        base_ += '/';
}

std::string WebDavClient::urlOf(std::string_view name) const {
    static const char* hex = "0123456789ABCDEF";
    std::string url = base_;
    for (unsigned char c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            url.push_back(static_cast<char>(c));
        } else {
            url.push_back('%');
            url.push_back(hex[c >> 4]);
            url.push_back(hex[c & 15]);
        }
    }
    return url;
}

std::string WebDavClient::server() const {
    std::string url = withoutCredentials(base_);
    size_t start = url.find("://");
    bool secure = url.starts_with("https:");
    start = start == std::string::npos ? 0 : start + 3;
    std::string authority = url.substr(start, url.find_first_of("/?#", start) - start);
    size_t close = authority.rfind(']');
    size_t colon = authority.rfind(':');
    if (colon != std::string::npos && (close == std::string::npos || colon > close))
        return authority;
    return authority + (secure ? ":443" : ":80");
}

WebDavReply WebDavClient::request(const char* method, std::string_view name,
                                  const std::string* upload, std::string_view condition,
                                  bool keepBody) const {
    const std::string url = urlOf(name);
    const std::string where = "WebDAV 服务器 " + server() + "（" + withoutCredentials(url) + "）：";
    Exchange x;
    auto fail = [&](const std::string& what) {
        x.reply.result = WebDavResult::failed;
        x.reply.error = where + what;
        x.reply.body.clear();
        return x.reply;
    };
    if (!curlReady())
        return fail("libcurl 不能初始化");
    std::unique_ptr<CURL, CurlFree> easy(curl_easy_init());
    if (!easy)
        return fail("libcurl 不能初始化");
    CURL* e = easy.get();
    x.upload = upload;
    x.keepBody = keepBody;
    x.maxBody = options_.maxBodyBytes;
    x.maxHeader = options_.maxHeaderBytes;
    char error[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, options_.followRedirects ? 1L : 0L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, static_cast<long>(options_.maxRedirects));
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.connectTimeoutMs));
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(options_.timeoutMs));
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(e, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    if (!options_.caFile.empty()) {
        curl_easy_setopt(e, CURLOPT_CA_CACHE_TIMEOUT, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, &addAuthorities);
        curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA, options_.caFile.c_str());
    }
    if (!options_.user.empty() || !options_.password.empty()) {
        curl_easy_setopt(e, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(e, CURLOPT_USERNAME, options_.user.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, options_.password.c_str());
    }
    curl_easy_setopt(e, CURLOPT_USERAGENT, "brivanta-sync/1");
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options_.maxBodyBytes));
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Exchange::onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &x);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Exchange::onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &x);

    curl_slist* list = curl_slist_append(nullptr, "Expect:");  // no wait for 100 Continue
    if (!condition.empty() && list)
        list = curl_slist_append(list, std::string(condition).c_str());
    std::unique_ptr<curl_slist, CurlFree> headers(list);
    if (!headers)
        return fail("libcurl 不能初始化");
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());

    const std::string_view verb(method);
    if (verb == "HEAD") {
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    } else if (verb == "PUT") {
        curl_easy_setopt(e, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(e, CURLOPT_READFUNCTION, &Exchange::onRead);
        curl_easy_setopt(e, CURLOPT_READDATA, &x);
        curl_easy_setopt(e, CURLOPT_SEEKFUNCTION, &Exchange::onSeek);
        curl_easy_setopt(e, CURLOPT_SEEKDATA, &x);
        curl_easy_setopt(e, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload->size()));
    } else if (verb != "GET") {
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, method);
    }

    const CURLcode code = curl_easy_perform(e);
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    x.reply.status = status;
    if (x.headersTooLarge)
        return fail("回应头超过 " + std::to_string(options_.maxHeaderBytes) + " 字节");
    if (x.bodyTooLarge || code == CURLE_FILESIZE_EXCEEDED)
        return fail("回应超过 " + std::to_string(options_.maxBodyBytes) + " 字节的上限，没有读取");
    if (code == CURLE_OPERATION_TIMEDOUT)
        return fail("在 " + std::to_string(options_.timeoutMs) + " 毫秒内没有完成（" +
                    std::string(error[0] ? error : curl_easy_strerror(code)) + "）");
    if (code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE ||
        code == CURLE_SSL_CONNECT_ERROR || code == CURLE_SSL_ISSUER_ERROR)
        return fail("TLS 不能建立或证书不被信任（" +
                    std::string(error[0] ? error : curl_easy_strerror(code)) + "）");
    // libcurl's own words are English ("Couldn't connect to server"); the reason is shown in
    // a Chinese message, as the link checker's are.
    if (code != CURLE_OK)
        return fail(curlErrorText(code));

    const std::string said =
        "HTTP " + std::to_string(status) + (x.reason.empty() ? "" : " " + x.reason);
    if (status >= 200 && status < 300) {
        x.reply.result = WebDavResult::ok;
        return x.reply;
    }
    if (status == 404 || status == 410) {
        x.reply.result = WebDavResult::missing;
        x.reply.error = where + said + "，" + meaning(404);
        x.reply.body.clear();
        return x.reply;
    }
    if (status == 412) {
        x.reply.result = WebDavResult::changedMeanwhile;
        x.reply.error = where + said + "，" + meaning(412);
        x.reply.body.clear();
        return x.reply;
    }
    if (status >= 300 && status < 400)
        return fail(said + "，转到 " + withoutCredentials(x.location) +
                    (options_.followRedirects ? "，转向太多" : "，而转向没有被允许"));
    std::string what = meaning(status);
    return fail(said + (what.empty() ? "" : "，" + what));
}

WebDavReply WebDavClient::get(std::string_view name) const {
    return request("GET", name, nullptr, {}, true);
}

namespace {

// The answer of a request not made because the file is not as the caller expected.
WebDavReply changedBefore(WebDavReply seen, const std::string& where, const char* how) {
    seen.result = WebDavResult::changedMeanwhile;
    seen.error = where + how;
    return seen;
}

}  // namespace

WebDavReply WebDavClient::put(std::string_view name, std::string_view body,
                              std::string_view etag) const {
    const std::string where =
        "WebDAV 服务器 " + server() + "（" + withoutCredentials(urlOf(name)) + "）：";
    WebDavReply now = request("HEAD", name, nullptr, {}, false);
    if (now.result == WebDavResult::failed)
        return now;
    if (etag.empty() && now.result == WebDavResult::ok)
        return changedBefore(now, where, "文件在此期间被别人建立了");
    if (!etag.empty() && now.result == WebDavResult::missing)
        return changedBefore(now, where, "文件在此期间被删除了");
    if (!etag.empty() && !now.etag.empty() && now.etag != etag)
        return changedBefore(now, where, "文件在此期间被改过");
    const std::string upload(body);
    const std::string condition =
        etag.empty() ? std::string("If-None-Match: *") : "If-Match: " + std::string(etag);
    return request("PUT", name, &upload, condition, false);
}

WebDavReply WebDavClient::remove(std::string_view name, std::string_view etag) const {
    const std::string condition = etag.empty() ? std::string() : "If-Match: " + std::string(etag);
    if (!etag.empty()) {
        WebDavReply now = request("HEAD", name, nullptr, {}, false);
        if (now.result != WebDavResult::ok)
            return now;
        if (!now.etag.empty() && now.etag != etag)
            return changedBefore(
                now, "WebDAV 服务器 " + server() + "（" + withoutCredentials(urlOf(name)) + "）：",
                "文件在此期间被改过");
    }
    return request("DELETE", name, nullptr, condition, false);
}

}  // namespace brivanta::net
