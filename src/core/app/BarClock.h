#pragma once

#include <ctime>
#include <string>

namespace brivanta {

// The two lines of the bar's clock, in Chinese whatever the desktop's locale (the C library
// would write "03:04:05 PM" and "Wed 09 Dec 2026"): "15:04:05" and "2026年12月9日 周三".
// UTF-8.
std::string barClockTime(const std::tm& t);
std::string barClockDate(const std::tm& t);

}  // namespace brivanta
