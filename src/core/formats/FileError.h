#pragma once

#include <string>

namespace brivanta {

// A failed file operation: which file, and why. Paths are file-system paths; the
// message is for people (UTF-8).
// errorNumber of a save refused because its path is a device, a pipe or a socket (or a link to
// one): no errno says that.
inline constexpr int kNotRegularFile = -1;
// errorNumber of an export that found a symbolic link where it was to make a file or a folder
// inside the folder it writes: it does not write through links.
inline constexpr int kLinkInTheWay = -2;

// errorNumber of an import that found nothing it could read in the file.
inline constexpr int kNothingToImport = -3;

struct FileError {
    std::string path;
    int errorNumber = 0;

    bool failed() const { return errorNumber != 0; }
    explicit operator bool() const { return failed(); }
    // "无法写入文件 “Data/abc.bvk”：设备上没有空间" (the reason in Chinese, whatever the locale)
    std::string writeMessage() const;
    std::string readMessage() const;
};

}  // namespace brivanta
