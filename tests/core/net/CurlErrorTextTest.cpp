#include "core/net/CurlErrorText.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

using namespace brivanta;

namespace {

// Every failure a link check can end in has a Chinese reason of its own, not libcurl's
// English one nor the fallback with the bare number.
class CurlErrorTextTest : public ::testing::TestWithParam<CURLcode> {};

TEST_P(CurlErrorTextTest, HasAChineseTextOfItsOwn) {
    std::string text = curlErrorText(GetParam());
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find("curl"), std::string::npos) << text;
    EXPECT_NE(text, curl_easy_strerror(GetParam()));
    // Chinese in UTF-8: lead bytes of three-byte sequences.
    EXPECT_NE(text.find_first_of("\xe4\xe5\xe6\xe7\xe8\xe9"), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    MetByTheLinkCheck, CurlErrorTextTest,
    ::testing::Values(CURLE_UNSUPPORTED_PROTOCOL, CURLE_URL_MALFORMAT, CURLE_COULDNT_RESOLVE_PROXY,
                      CURLE_COULDNT_RESOLVE_HOST, CURLE_COULDNT_CONNECT, CURLE_WEIRD_SERVER_REPLY,
                      CURLE_HTTP2, CURLE_PARTIAL_FILE, CURLE_WRITE_ERROR, CURLE_OUT_OF_MEMORY,
                      CURLE_OPERATION_TIMEDOUT, CURLE_SSL_CONNECT_ERROR, CURLE_ABORTED_BY_CALLBACK,
                      CURLE_TOO_MANY_REDIRECTS, CURLE_GOT_NOTHING, CURLE_SEND_ERROR,
                      CURLE_RECV_ERROR, CURLE_SSL_CERTPROBLEM, CURLE_SSL_CIPHER,
                      CURLE_PEER_FAILED_VERIFICATION, CURLE_BAD_CONTENT_ENCODING,
                      CURLE_FILESIZE_EXCEEDED, CURLE_USE_SSL_FAILED, CURLE_SSL_SHUTDOWN_FAILED,
                      CURLE_SSL_CACERT_BADFILE, CURLE_SSL_CRL_BADFILE, CURLE_SSL_ISSUER_ERROR,
                      CURLE_SSL_PINNEDPUBKEYNOTMATCH, CURLE_SSL_INVALIDCERTSTATUS,
                      CURLE_HTTP2_STREAM));

TEST(CurlErrorTextOtherTest, OtherCodesNameTheirNumber) {
    EXPECT_EQ(curlErrorText(CURLE_TFTP_NOSUCHUSER), "网络错误（curl 错误码 74）");
    EXPECT_EQ(curlErrorText(9999), "网络错误（curl 错误码 9999）");
}

}  // namespace
