#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

namespace brivanta::net {

struct WebDavOptions {
    std::string user;
    std::string password;  // sent with Basic authentication
    std::string caFile;    // PEM authorities trusted besides the system's ("" for none)
    int connectTimeoutMs = 10000;
    int timeoutMs = 60000;  // each request as a whole, however slowly the server answers
    std::size_t maxBodyBytes = 64u << 20;  // a longer answer is refused, never read whole
    std::size_t maxHeaderBytes = 32u << 10;
    bool followRedirects = false;  // a server that moved is an error unless allowed
    int maxRedirects = 5;
};

enum class WebDavResult {
    ok,
    missing,           // the file is not there (404): for a first sync, not a failure
    changedMeanwhile,  // the file is not what the condition said (412): read and merge again
    failed,            // `error` says what the server said or why it could not be asked
};

struct WebDavReply {
    WebDavResult result = WebDavResult::failed;
    long status = 0;  // the HTTP status (0 when there was no answer)
    std::string body;
    std::string etag;  // as the server wrote it, quotes included; "" when it sent none
    // The server's Last-Modified and Date of the answer, 0 when it sent none.
    std::time_t lastModified = 0;
    std::time_t serverDate = 0;
    std::string error;  // names the server's address and what it said
};

// One WebDAV collection reached over HTTP(S) with libcurl, file by file. Uploads are
// conditional, so a file someone changed since it was read is never overwritten. Names are
// relative to the base URL (itself a collection; a missing trailing slash is added).
class WebDavClient {
  public:
    WebDavClient(std::string baseUrl, WebDavOptions options);

    // The file's body and ETag; `missing` when there is none.
    WebDavReply get(std::string_view name) const;
    // Writes `body` only if the file still has `etag` (If-Match), or, with an empty `etag`,
    // only if there is no such file yet (If-None-Match: *). A file that differs gives
    // `changedMeanwhile`. Servers that ignore these conditions (Go's WebDAV handler, which
    // rclone serves, among them) are asked for the ETag just before the upload too, which
    // narrows the window to the time between the two requests.
    WebDavReply put(std::string_view name, std::string_view body, std::string_view etag) const;
    // Deletes the file, only if it still has `etag` when one is given; `missing` when it
    // was already gone.
    WebDavReply remove(std::string_view name, std::string_view etag = {}) const;

    // The file's whole address.
    std::string urlOf(std::string_view name) const;
    // "host:port" of the server, for messages.
    std::string server() const;

  private:
    WebDavReply request(const char* method, std::string_view name, const std::string* upload,
                        std::string_view condition, bool keepBody) const;

    std::string base_;
    WebDavOptions options_;
};

}  // namespace brivanta::net
