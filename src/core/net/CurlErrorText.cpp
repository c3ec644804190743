#include "core/net/CurlErrorText.h"

#include <curl/curl.h>

namespace brivanta {

namespace {

struct CurlText {
    CURLcode code;
    const char* text;
};

// The failures a web request meets: the name, the connection, the time-out, TLS, redirects,
// and servers that answer badly.
constexpr CurlText kTexts[] = {
    {CURLE_UNSUPPORTED_PROTOCOL, "不支持的协议"},
    {CURLE_URL_MALFORMAT, "网址格式不正确"},
    {CURLE_COULDNT_RESOLVE_PROXY, "找不到代理服务器"},
    {CURLE_COULDNT_RESOLVE_HOST, "找不到主机"},
    {CURLE_COULDNT_CONNECT, "无法连接（连接被拒绝或无法到达）"},
    {CURLE_WEIRD_SERVER_REPLY, "服务器的回应无法识别"},
    {CURLE_HTTP2, "HTTP/2 连接出错"},
    {CURLE_PARTIAL_FILE, "回应不完整，连接中途断开"},
    {CURLE_WRITE_ERROR, "读取回应时中止"},
    {CURLE_OUT_OF_MEMORY, "内存不足"},
    {CURLE_OPERATION_TIMEDOUT, "超时，服务器没有及时回应"},
    {CURLE_RANGE_ERROR, "服务器不支持按范围读取"},
    {CURLE_SSL_CONNECT_ERROR, "TLS 握手失败"},
    {CURLE_ABORTED_BY_CALLBACK, "已取消"},
    {CURLE_TOO_MANY_REDIRECTS, "重定向次数太多"},
    {CURLE_GOT_NOTHING, "服务器没有返回任何数据"},
    {CURLE_SEND_ERROR, "发送请求失败，连接已断开"},
    {CURLE_RECV_ERROR, "接收回应失败，连接已断开"},
    {CURLE_SSL_CERTPROBLEM, "本机的客户端证书有问题"},
    {CURLE_SSL_CIPHER, "无法使用要求的加密算法"},
    {CURLE_PEER_FAILED_VERIFICATION, "服务器的证书不可信"},
    {CURLE_BAD_CONTENT_ENCODING, "无法解码回应的内容编码"},
    {CURLE_FILESIZE_EXCEEDED, "回应太大"},
    {CURLE_USE_SSL_FAILED, "无法建立 TLS 连接"},
    {CURLE_SSL_SHUTDOWN_FAILED, "TLS 连接没有正常关闭"},
    {CURLE_SSL_CACERT_BADFILE, "无法读取受信任的证书文件"},
    {CURLE_SSL_CRL_BADFILE, "无法读取证书吊销列表"},
    {CURLE_SSL_ISSUER_ERROR, "服务器证书的颁发者不符"},
    {CURLE_SSL_PINNEDPUBKEYNOTMATCH, "服务器的公钥与指定的不符"},
    {CURLE_SSL_INVALIDCERTSTATUS, "服务器证书的状态无效"},
    {CURLE_HTTP2_STREAM, "HTTP/2 数据流出错"},
};

}  // namespace

std::string curlErrorText(int code) {
    for (const CurlText& t : kTexts) {
        if (t.code == code)
            return t.text;
    }
    return "网络错误（curl 错误码 " + std::to_string(code) + "）";
}

}  // namespace brivanta
