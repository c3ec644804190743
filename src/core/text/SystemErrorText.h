#pragma once

#include <string>
#include <system_error>

namespace brivanta::text {

// What a failed system call means, in Chinese (UTF-8), for messages people read. The C
// library's own texts follow the desktop's locale, which often has no Chinese messages, so an
// English "No such file or directory" would end up inside a Chinese sentence. Numbers without
// a text of their own read "系统错误（错误号 N）".
std::string systemErrorText(int errorNumber);

// The same for an error code of the generic or system category; any other category keeps its
// own message.
std::string systemErrorText(const std::error_code& code);

}  // namespace brivanta::text
