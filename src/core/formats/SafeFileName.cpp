#include "core/formats/SafeFileName.h"

#include <algorithm>

#include "core/text/Encoding.h"

namespace brivanta {

namespace {

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string safeFileName(std::string_view utf8Name) {
    if (utf8Name.empty() || utf8Name == "." || utf8Name == "..")
        return "_";
    std::string name(utf8Name);
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == '\0')
            c = '_';
    }
    return name;
}

std::string fileNameText(std::string_view gbkName) {
    return isAscii(gbkName) ? std::string(gbkName) : text::toUtf8(gbkName);
}

std::string entryNameText(std::string_view utf8FileName) {
    return isAscii(utf8FileName) ? std::string(utf8FileName) : text::fromUtf8(utf8FileName);
}

}  // namespace brivanta
