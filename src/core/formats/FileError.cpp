#include "core/formats/FileError.h"

#include "core/text/SystemErrorText.h"

namespace brivanta {

std::string FileError::writeMessage() const {
    if (errorNumber == kNotRegularFile)
        return "没有写入 “" + path +
               "”：它不是普通文件（设备、管道、套接字、目录或通向别处的链接），只能保存到普通文件";
    if (errorNumber == kLinkInTheWay)
        return "没有写入 “" + path + "”：那里是一个符号链接，导出不经过链接写入";
    return "无法写入文件 “" + path + "”：" + text::systemErrorText(errorNumber);
}

std::string FileError::readMessage() const {
    if (errorNumber == kNotRegularFile)
        return "没有读取 “" + path + "”：它不是普通文件（设备、管道或套接字）";
    if (errorNumber == kLinkInTheWay)
        return "没有读取 “" + path + "”：那里是一个符号链接";
    if (errorNumber == kNothingToImport)
        return "“" + path +
               "” 里没有可导入的条目：它不是本程序导出的 HTML 网页（浏览器导出的书签文件请按"
               "书签文件导入），没有导入任何内容";
    return "无法读取文件 “" + path + "”：" + text::systemErrorText(errorNumber);
}

}  // namespace brivanta
