#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "core/net/SecurityMode.h"

struct ssl_st;
struct ssl_ctx_st;
struct x509_store_ctx_st;

namespace brivanta::net {

// The client side of TLS (OpenSSL) over a connected non-blocking socket. It never waits:
// every step says whether it is done or needs the socket readable or writable first, and
// the connection that owns it does the waiting with its own time-outs.
class TlsLayer {
  public:
    enum class Io { done, wantRead, wantWrite, closed, failed };

    ~TlsLayer();
    TlsLayer(const TlsLayer&) = delete;
    TlsLayer& operator=(const TlsLayer&) = delete;

    // A session on `fd` that accepts TLS 1.2 or newer and only a certificate chain that
    // leads to one of the system's authorities (or one in `options.caFile`) and names
    // `host`, which also goes out as the server name (SNI) unless it is an address. Null,
    // with `failure` saying why, when the authorities cannot be loaded.
    static std::unique_ptr<TlsLayer> forClient(int fd, const std::string& host,
                                               const TlsOptions& options, std::string& failure);

    // The server's side, with the certificate chain and key from PEM files, TLS 1.2 or newer
    // (`maxVersion`, an OpenSSL version constant, pins one version instead; 0 for none).
    static std::unique_ptr<TlsLayer> forServer(int fd, const std::string& certificateFile,
                                               const std::string& keyFile, int maxVersion,
                                               std::string& failure);

    Io handshake();
    // Writes some of `data`; `written` says how much.
    Io write(std::string_view data, size_t& written);
    // Reads at most `size` bytes; `got` > 0 exactly when the result is done.
    Io read(char* buffer, size_t size, size_t& got);
    // done when decrypted data is waiting (reads records that are there, does not wait).
    Io peek();
    // Tells the other side we are done (close_notify), without waiting for its answer.
    void sendCloseNotify();
    // Why the last step failed, in words for a person (UTF-8): an untrusted certificate,
    // one for another host, a refused handshake, with OpenSSL's own reason.
    const std::string& failure() const { return failure_; }
    // The protocol in use, "TLSv1.3" say.
    std::string protocolName() const;

  private:
    TlsLayer(ssl_ctx_st* context, ssl_st* ssl, std::string host, int fd);
    // The session on `fd` over `context` (taken over, freed on failure).
    static std::unique_ptr<TlsLayer> onSocket(ssl_ctx_st* context, int fd, std::string host,
                                              std::string& failure);
    Io classify(int result, bool handshaking);
    // Notes the date a certificate is past (its end, or its start) as the chain is checked.
    static int noteVerifyFault(int ok, x509_store_ctx_st* store);

    ssl_ctx_st* context_;
    ssl_st* ssl_;
    int fd_;
    std::string host_;
    std::string failure_;
    // The certificate that failed for its dates: how far up the chain (0: the server's own)
    // and the date it is past, "2020-03-01 12:00 UTC".
    int validityDepth_ = -1;
    std::string validityLimit_;
};

}  // namespace brivanta::net
