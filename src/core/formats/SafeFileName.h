#pragma once

#include <string>
#include <string_view>

namespace brivanta {

// An entry name used as one file or directory name, so that whatever a tree holds (a tree
// may come from anyone) the file lands in the directory meant for it: "/", "\\" and zero
// bytes become "_", and a name that is empty, "." or ".." becomes "_". Works on the UTF-8
// form, where those characters cannot be part of a longer character.
std::string safeFileName(std::string_view utf8Name);

// GBK entry name to the UTF-8 text file names use on this system (ASCII passes as it is).
std::string fileNameText(std::string_view gbkName);
// The other way, for names read from a directory.
std::string entryNameText(std::string_view utf8FileName);

}  // namespace brivanta
