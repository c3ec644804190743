#pragma once

#include <string>

namespace brivanta {

// A failed file operation: which file, and why. Paths are file-system paths; the
// message is for people (UTF-8).
struct FileError {
    std::string path;
    int errorNumber = 0;

    bool failed() const { return errorNumber != 0; }
    explicit operator bool() const { return failed(); }
    // "无法写入文件 “Data/abc.bvk”：No space left on device"
    std::string writeMessage() const;
    std::string readMessage() const;
};

}  // namespace brivanta
