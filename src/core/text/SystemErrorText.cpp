#include "core/text/SystemErrorText.h"

#include <cerrno>

namespace brivanta::text {

namespace {

struct ErrorText {
    int number;
    const char* text;
};

// The failures of files, folders and connections that people actually meet.
constexpr ErrorText kTexts[] = {
    {EPERM, "不允许的操作"},
    {ENOENT, "没有那个文件或目录"},
    {EINTR, "操作被中断"},
    {EIO, "输入/输出错误"},
    {ENXIO, "没有那个设备或地址"},
    {E2BIG, "参数列表过长"},
    {EBADF, "文件描述符无效"},
    {EAGAIN, "资源暂时不可用"},
    {ENOMEM, "内存不足"},
    {EACCES, "权限不够"},
    {EFAULT, "地址错误"},
    {EBUSY, "设备或资源忙"},
    {EEXIST, "文件已存在"},
    {EXDEV, "不能跨文件系统移动或链接"},
    {ENODEV, "没有那个设备"},
    {ENOTDIR, "路径中有一部分不是目录"},
    {EISDIR, "这是一个目录"},
    {EINVAL, "参数无效"},
    {ENFILE, "系统中打开的文件过多"},
    {EMFILE, "打开的文件过多"},
    {ETXTBSY, "文本文件忙"},
    {EFBIG, "文件过大"},
    {ENOSPC, "设备上没有空间"},
    {ESPIPE, "无法定位"},
    {EROFS, "只读文件系统"},
    {EMLINK, "链接过多"},
    {EPIPE, "管道已断开"},
    {ERANGE, "结果超出范围"},
    {EDEADLK, "会发生资源死锁"},
    {ENAMETOOLONG, "文件名过长"},
    {ENOLCK, "没有可用的锁"},
    {ENOSYS, "功能未实现"},
    {ENOTEMPTY, "目录非空"},
    {ELOOP, "符号链接的层数过多"},
    {EOVERFLOW, "数值太大，超出数据类型的范围"},
    {EILSEQ, "无效的或不完整的多字节字符"},
    {ENOTSOCK, "不是套接字"},
    {EMSGSIZE, "消息过长"},
    {EPROTONOSUPPORT, "不支持的协议"},
    {EOPNOTSUPP, "不支持的操作"},
    {EAFNOSUPPORT, "不支持的地址族"},
    {EADDRINUSE, "地址已在使用"},
    {EADDRNOTAVAIL, "无法使用请求的地址"},
    {ENETDOWN, "网络已关闭"},
    {ENETUNREACH, "网络不可达"},
    {ENETRESET, "网络重置了连接"},
    {ECONNABORTED, "连接被中止"},
    {ECONNRESET, "连接被对方重置"},
    {ENOBUFS, "没有可用的缓冲区空间"},
    {EISCONN, "已经连接"},
    {ENOTCONN, "尚未连接"},
    {ETIMEDOUT, "连接超时"},
    {ECONNREFUSED, "连接被拒绝"},
    {EHOSTDOWN, "主机已关闭"},
    {EHOSTUNREACH, "没有到主机的路由"},
    {EALREADY, "操作已在进行"},
    {EINPROGRESS, "操作正在进行"},
    {ESTALE, "文件句柄已失效"},
    {EDQUOT, "超出磁盘配额"},
    {ECANCELED, "操作已取消"},
};

}  // namespace

std::string systemErrorText(int errorNumber) {
    for (const ErrorText& e : kTexts) {
        if (e.number == errorNumber)
            return e.text;
    }
    return "系统错误（错误号 " + std::to_string(errorNumber) + "）";
}

std::string systemErrorText(const std::error_code& code) {
    if (code.category() == std::generic_category() || code.category() == std::system_category())
        return systemErrorText(code.value());
    return code.message();
}

}  // namespace brivanta::text
