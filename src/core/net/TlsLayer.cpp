#include "core/net/TlsLayer.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "core/text/SystemErrorText.h"

namespace brivanta::net {

namespace {

// OpenSSL's own socket BIO writes with write(), which raises SIGPIPE when the other side
// has gone; the program must not die of that, so the socket is driven through send()
// with MSG_NOSIGNAL, as the plain connection does.
int fdOf(BIO* bio) {
    return *static_cast<const int*>(BIO_get_data(bio));
}

int bioWrite(BIO* bio, const char* data, size_t size, size_t* written) {
    BIO_clear_retry_flags(bio);
    for (;;) {
        ssize_t n = ::send(fdOf(bio), data, size, MSG_NOSIGNAL);
        if (n >= 0) {
            *written = static_cast<size_t>(n);
            return 1;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            BIO_set_retry_write(bio);
        return 0;
    }
}

int bioRead(BIO* bio, char* data, size_t size, size_t* got) {
    BIO_clear_retry_flags(bio);
    for (;;) {
        ssize_t n = ::recv(fdOf(bio), data, size, 0);
        if (n > 0) {
            *got = static_cast<size_t>(n);
            return 1;
        }
        if (n == 0) {
            *got = 0;
            return 0;  // the end of the stream
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            BIO_set_retry_read(bio);
        return 0;
    }
}

long bioControl(BIO* /*bio*/, int command, long /*number*/, void* /*pointer*/) {
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int bioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

const BIO_METHOD* socketMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "nosignal");
        if (m != nullptr) {
            BIO_meth_set_write_ex(m, bioWrite);
            BIO_meth_set_read_ex(m, bioRead);
            BIO_meth_set_ctrl(m, bioControl);
            BIO_meth_set_create(m, bioCreate);
        }
        return m;
    }();
    return method;
}

// The first queued OpenSSL error as text, and the queue emptied.
// The handshake and record failures people meet, in Chinese: OpenSSL's own reasons are
// English. Others keep OpenSSL's words, which at least name the fault.
const char* chineseTlsReason(unsigned long code) {
    if (ERR_GET_LIB(code) != ERR_LIB_SSL)
        return nullptr;
    switch (ERR_GET_REASON(code)) {
        case SSL_R_WRONG_VERSION_NUMBER:
            return "对方说的不是 TLS，或版本号不对";
        case SSL_R_EXCESSIVE_MESSAGE_SIZE:
            return "对方的消息过长";
        case SSL_R_PACKET_LENGTH_TOO_LONG:
            return "对方的数据包过长";
        case SSL_R_UNEXPECTED_EOF_WHILE_READING:
            return "连接被对方意外关闭";
        case SSL_R_UNEXPECTED_MESSAGE:
            return "对方发来了不该出现的消息";
        case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
        case SSL_R_UNSUPPORTED_PROTOCOL:
        case SSL_R_NO_PROTOCOLS_AVAILABLE:
            return "双方没有共同支持的协议版本";
        case SSL_R_SSLV3_ALERT_HANDSHAKE_FAILURE:
            return "对方拒绝了握手";
        case SSL_R_TLSV1_ALERT_INTERNAL_ERROR:
            return "对方内部出错";
        case SSL_R_DECRYPTION_FAILED_OR_BAD_RECORD_MAC:
            return "解密失败或数据校验不符";
        default:
            return nullptr;
    }
}

std::string takeOpenSslError() {
    unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return {};
    if (const char* chinese = chineseTlsReason(code))
        return chinese;
    const char* reason = ERR_reason_error_string(code);
    if (reason != nullptr)
        return reason;
    char buffer[256];
    ERR_error_string_n(code, buffer, sizeof buffer);
    return buffer;
}

bool isAddress(const std::string& host) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, host.c_str(), bytes) == 1 ||
           inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

// "2020-03-01 12:00 UTC", "" when the time cannot be read.
std::string timeText(const ASN1_TIME* time) {
    std::tm parts{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1)
        return {};
    char buffer[32];
    if (std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M UTC", &parts) == 0)
        return {};
    return buffer;
}

// `depth` 0 is the server's own certificate; `when` the date it is past ("" unknown).
std::string validityFailure(bool expired, int depth, const std::string& when,
                            const std::string& reason) {
    if (depth != 0 || when.empty())
        return std::string(expired ? "服务器的证书链中有证书已过期"
                                   : "服务器的证书链中有证书尚未生效") +
               "（" + reason + "）";
    return expired ? "服务器证书已于 " + when + " 过期（" + reason + "）"
                   : "服务器证书要到 " + when + " 才生效（" + reason + "）";
}

std::string verifyFailure(long result, const std::string& host, int depth,
                          const std::string& when) {
    const std::string reason = X509_verify_cert_error_string(result);
    switch (result) {
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return "服务器证书不是颁发给 " + host + " 的（" + reason + "）";
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_CERT_UNTRUSTED:
            return "服务器证书不受信任（" + reason + "）";
        case X509_V_ERR_CERT_HAS_EXPIRED:
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return validityFailure(result == X509_V_ERR_CERT_HAS_EXPIRED, depth, when, reason);
        default:
            return "服务器证书无效（" + reason + "）";
    }
}

}  // namespace

std::unique_ptr<TlsLayer> TlsLayer::forClient(int fd, const std::string& host,
                                              const TlsOptions& options, std::string& failure) {
    ERR_clear_error();
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    const BIO_METHOD* method = socketMethod();
    if (context == nullptr || method == nullptr) {
        failure = "不能准备 TLS（" + takeOpenSslError() + "）";
        SSL_CTX_free(context);
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    // A server that closes without close_notify ends the stream like a plain close; the
    // dialogues see a cut-off reply or mail for themselves.
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_set_default_verify_paths(context) != 1) {
        failure = "不能读取系统的证书颁发机构（" + takeOpenSslError() + "）";
        SSL_CTX_free(context);
        return nullptr;
    }
    if (!options.caFile.empty() &&
        SSL_CTX_load_verify_locations(context, options.caFile.c_str(), nullptr) != 1) {
        failure = "不能读取证书颁发机构文件 " + options.caFile + "（" + takeOpenSslError() + "）";
        SSL_CTX_free(context);
        return nullptr;
    }
    std::unique_ptr<TlsLayer> layer = onSocket(context, fd, host, failure);
    if (!layer)
        return nullptr;
    SSL* ssl = layer->ssl_;
    bool named = true;
    if (isAddress(host)) {
        named = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str()) == 1;
    } else {
        named = SSL_set1_host(ssl, host.c_str()) == 1 &&
                // SSL_set_tlsext_host_name, without the macro's C cast.
                SSL_ctrl(ssl, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                         const_cast<char*>(host.c_str())) == 1;
    }
    if (!named) {
        failure = "不能为 " + host + " 准备 TLS（" + takeOpenSslError() + "）";
        return nullptr;
    }
    SSL_set_app_data(ssl, layer.get());
    SSL_set_verify(ssl, SSL_VERIFY_PEER, &TlsLayer::noteVerifyFault);
    SSL_set_connect_state(ssl);
    return layer;
}

std::unique_ptr<TlsLayer> TlsLayer::forServer(int fd, const std::string& certificateFile,
                                              const std::string& keyFile, int maxVersion,
                                              std::string& failure) {
    ERR_clear_error();
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (context == nullptr) {
        failure = "不能准备 TLS（" + takeOpenSslError() + "）";
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    if (maxVersion != 0) {
        // Exactly that version, even one too old for OpenSSL's defaults: the tests play
        // old servers with it.
        SSL_CTX_set_min_proto_version(context, maxVersion);
        SSL_CTX_set_max_proto_version(context, maxVersion);
        if (maxVersion < TLS1_2_VERSION) {
            SSL_CTX_set_security_level(context, 0);
            SSL_CTX_set_cipher_list(context, "DEFAULT:@SECLEVEL=0");
        }
    }
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (SSL_CTX_use_certificate_chain_file(context, certificateFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        failure = "不能读取证书 " + certificateFile + " 或密钥 " + keyFile + "（" +
                  takeOpenSslError() + "）";
        SSL_CTX_free(context);
        return nullptr;
    }
    std::unique_ptr<TlsLayer> layer = onSocket(context, fd, {}, failure);
    if (layer)
        SSL_set_accept_state(layer->ssl_);
    return layer;
}

std::unique_ptr<TlsLayer> TlsLayer::onSocket(ssl_ctx_st* context, int fd, std::string host,
                                             std::string& failure) {
    SSL* ssl = SSL_new(context);
    if (ssl == nullptr) {
        failure = "不能准备 TLS（" + takeOpenSslError() + "）";
        SSL_CTX_free(context);
        return nullptr;
    }
    std::unique_ptr<TlsLayer> layer(new TlsLayer(context, ssl, std::move(host), fd));
    BIO* bio = BIO_new(socketMethod());
    if (bio == nullptr) {
        failure = "不能准备 TLS（" + takeOpenSslError() + "）";
        return nullptr;
    }
    // The BIO reads the descriptor from the layer, which stays where it is while it lives.
    BIO_set_data(bio, &layer->fd_);
    SSL_set_bio(ssl, bio, bio);
    return layer;
}

TlsLayer::TlsLayer(ssl_ctx_st* context, ssl_st* ssl, std::string host, int fd)
    : context_(context), ssl_(ssl), fd_(fd), host_(std::move(host)) {}

TlsLayer::~TlsLayer() {
    SSL_free(ssl_);
    SSL_CTX_free(context_);
}

TlsLayer::Io TlsLayer::classify(int result, bool handshaking) {
    const int error = SSL_get_error(ssl_, result);
    switch (error) {
        case SSL_ERROR_WANT_READ:
            return Io::wantRead;
        case SSL_ERROR_WANT_WRITE:
            return Io::wantWrite;
        case SSL_ERROR_ZERO_RETURN:
            if (!handshaking) {
                ERR_clear_error();
                return Io::closed;
            }
            break;
        case SSL_ERROR_SYSCALL:
            if (!handshaking && (errno == 0 || errno == ECONNRESET || errno == EPIPE)) {
                ERR_clear_error();
                return Io::closed;
            }
            break;
        default:
            break;
    }
    if (handshaking) {
        const long verified = SSL_get_verify_result(ssl_);
        if (verified != X509_V_OK) {
            failure_ = verifyFailure(verified, host_, validityDepth_, validityLimit_);
            ERR_clear_error();
            return Io::failed;
        }
    }
    std::string reason = takeOpenSslError();
    if (reason.empty())
        reason =
            error == SSL_ERROR_SYSCALL && errno != 0 ? text::systemErrorText(errno) : "连接被关闭";
    failure_ = std::string(handshaking ? "TLS 握手失败" : "TLS 连接出错") + "（" + reason + "）";
    return Io::failed;
}

int TlsLayer::noteVerifyFault(int ok, x509_store_ctx_st* store) {
    const int error = X509_STORE_CTX_get_error(store);
    if (ok == 0 &&
        (error == X509_V_ERR_CERT_HAS_EXPIRED || error == X509_V_ERR_CERT_NOT_YET_VALID)) {
        auto* ssl = static_cast<SSL*>(
            X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
        auto* layer = ssl ? static_cast<TlsLayer*>(SSL_get_app_data(ssl)) : nullptr;
        const X509* certificate = X509_STORE_CTX_get_current_cert(store);
        if (layer != nullptr && certificate != nullptr && layer->validityDepth_ < 0) {
            layer->validityDepth_ = X509_STORE_CTX_get_error_depth(store);
            layer->validityLimit_ =
                timeText(error == X509_V_ERR_CERT_HAS_EXPIRED ? X509_get0_notAfter(certificate)
                                                              : X509_get0_notBefore(certificate));
        }
    }
    return ok;  // the verdict stays OpenSSL's
}

TlsLayer::Io TlsLayer::handshake() {
    ERR_clear_error();
    errno = 0;
    int r = SSL_do_handshake(ssl_);
    return r == 1 ? Io::done : classify(r, true);
}

TlsLayer::Io TlsLayer::write(std::string_view data, size_t& written) {
    written = 0;
    if (data.empty())
        return Io::done;
    ERR_clear_error();
    errno = 0;
    int r = SSL_write_ex(ssl_, data.data(), data.size(), &written);
    return r == 1 ? Io::done : classify(r, false);
}

TlsLayer::Io TlsLayer::read(char* buffer, size_t size, size_t& got) {
    got = 0;
    ERR_clear_error();
    errno = 0;
    int r = SSL_read_ex(ssl_, buffer, size, &got);
    return r == 1 && got > 0 ? Io::done : classify(r, false);
}

TlsLayer::Io TlsLayer::peek() {
    if (SSL_pending(ssl_) > 0)
        return Io::done;
    char byte;
    size_t got = 0;
    ERR_clear_error();
    errno = 0;
    int r = SSL_peek_ex(ssl_, &byte, 1, &got);
    return r == 1 ? Io::done : classify(r, false);
}

void TlsLayer::sendCloseNotify() {
    ERR_clear_error();
    SSL_shutdown(ssl_);
    ERR_clear_error();
}

std::string TlsLayer::protocolName() const {
    return SSL_get_version(ssl_);
}

}  // namespace brivanta::net
