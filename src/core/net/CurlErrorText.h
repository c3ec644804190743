#pragma once

#include <string>

namespace brivanta {

// Why a transfer failed, in Chinese (UTF-8), for a CURLcode: libcurl's own texts are English
// and would end up inside Chinese messages and lists. Codes without a text of their own read
// "网络错误（curl 错误码 N）".
std::string curlErrorText(int code);

}  // namespace brivanta
