#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "core/text/Encoding.h"

namespace brivanta {

// Stored (GBK) text to what a widget shows, and back.
inline QString fromGbk(std::string_view gbk) {
    return QString::fromStdString(text::toUtf8(gbk));
}
inline std::string toGbk(const QString& s) {
    return text::fromUtf8(s.toStdString());
}

}  // namespace brivanta
