#include "core/formats/FileError.h"

#include <cstring>

namespace brivanta {

std::string FileError::writeMessage() const {
    return "无法写入文件 “" + path + "”：" + std::strerror(errorNumber);
}

std::string FileError::readMessage() const {
    return "无法读取文件 “" + path + "”：" + std::strerror(errorNumber);
}

}  // namespace brivanta
