#include "cli/CliSupport.h"

#include "cli/TerminalText.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include "core/text/SystemErrorText.h"

namespace brivanta::cli {

namespace {

// A reader that closed its end: end as a filter does, quietly, by the signal itself.
[[noreturn]] void endByBrokenPipe() {
    restoreBrokenPipeSignal();
    std::raise(SIGPIPE);
    std::_Exit(128 + SIGPIPE);  // only if the signal could not end the program
}

}  // namespace

int fail(std::string_view message) {
    std::fprintf(stderr, "brivanta-cli: %.*s\n", static_cast<int>(message.size()), message.data());
    return kExitFailed;
}

std::string exitStatusHelp(std::string_view one) {
    std::string text = "退出状态: 0 成功；1 ";
    text += one;
    text += "；2 用法错误（未知的命令或选项、缺少或多余的参数、选项的值不对）。\n";
    return text;
}

bool OutputBuffer::flush() {
    if (!failed_ && !data_.empty() &&
        std::fwrite(data_.data(), 1, data_.size(), stdout) != data_.size()) {
        failed_ = true;
    }
    data_.clear();
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        failed_ = true;
    if (failed_ && errno == EPIPE)
        endByBrokenPipe();
    return !failed_;
}

void restoreBrokenPipeSignal() {
    std::signal(SIGPIPE, SIG_DFL);
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    sigprocmask(SIG_UNBLOCK, &pipe, nullptr);
}

int finishOutput(int status) {
    errno = 0;
    bool bad = std::ferror(stdout) != 0;
    // Bytes written past the conversion to the locale's encoding go out first.
    if (FILE* bytes = byteOutput(); bytes != stdout) {
        if (std::fflush(bytes) != 0 || std::ferror(bytes) != 0)
            bad = true;
    }
    // fflush reports what is still buffered; fclose what the file system says at the end
    // (a network file system may only report a full disk there).
    if (std::fflush(stdout) != 0)
        bad = true;
    int flushErrno = errno;
    if (std::fclose(stdout) != 0)
        bad = true;
    if (!bad)
        return status;
    int e = errno != 0 ? errno : flushErrno;
    if (e == EPIPE)
        endByBrokenPipe();
    std::string message = "无法写入标准输出";
    if (e != 0) {
        message += "：";
        message += text::systemErrorText(e);
    }
    return fail(message);
}

}  // namespace brivanta::cli
