#include "cli/TerminalText.h"

#include <langinfo.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/text/Encoding.h"

namespace brivanta::cli {

namespace {

bool gbkLocale = false;
FILE* originalStdout = nullptr;

// The length of the UTF-8 character at `at`, 0 when no well-formed one starts there, or
// the negative count of bytes present when it is cut off by the end.
int utf8Length(std::string_view s, size_t at) {
    const auto lead = static_cast<unsigned char>(s[at]);
    int length;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return 0;
    for (int i = 1; i < length; ++i) {
        if (at + static_cast<size_t>(i) >= s.size())
            return -i;
        const auto next = static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
        if ((next & 0xC0) != 0x80)
            return 0;
        // No overlong forms, no surrogates, nothing past U+10FFFF.
        if (i == 1 && ((lead == 0xE0 && next < 0xA0) || (lead == 0xED && next > 0x9F) ||
                       (lead == 0xF0 && next < 0x90) || (lead == 0xF4 && next > 0x8F)))
            return 0;
    }
    return length;
}

// A stream that converts what is written to it and writes it to a file descriptor.
struct ConvertingStream {
    int fd;
    std::string pending;  // a character cut off by the end of the last write
};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

ssize_t writeConverted(void* cookie, const char* data, size_t size) {
    auto* stream = static_cast<ConvertingStream*>(cookie);
    stream->pending.append(data, size);
    const size_t complete = completeUtf8Prefix(stream->pending);
    const std::string out = gbkForTerminal(std::string_view(stream->pending).substr(0, complete));
    stream->pending.erase(0, complete);
    if (!writeAll(stream->fd, out))
        return -1;
    return static_cast<ssize_t>(size);
}

int closeConverted(void* cookie) {
    auto* stream = static_cast<ConvertingStream*>(cookie);
    const bool ok = writeAll(stream->fd, stream->pending);  // a cut character as it is
    stream->pending.clear();
    return ok ? 0 : EOF;
}

// The streams live as long as the program: stdout and stderr are flushed at exit, not closed.
ConvertingStream outputStream{STDOUT_FILENO, {}};
ConvertingStream errorStream{STDERR_FILENO, {}};

FILE* convertingStream(ConvertingStream& stream, int buffering) {
    cookie_io_functions_t functions{};
    functions.write = writeConverted;
    functions.close = closeConverted;
    FILE* file = fopencookie(&stream, "w", functions);
    if (file)
        std::setvbuf(file, nullptr, buffering, buffering == _IONBF ? 0 : 1 << 16);
    return file;
}

}  // namespace

void useLocaleEncoding() {
    const char* codeset = nl_langinfo(CODESET);
    gbkLocale =
        codeset && (::strcasecmp(codeset, "GBK") == 0 || ::strcasecmp(codeset, "GB18030") == 0 ||
                    ::strcasecmp(codeset, "GB2312") == 0);
    if (!gbkLocale)
        return;
    std::fflush(stdout);
    std::fflush(stderr);
    FILE* out = convertingStream(outputStream, ::isatty(STDOUT_FILENO) ? _IOLBF : _IOFBF);
    FILE* err = convertingStream(errorStream, _IONBF);
    if (out) {
        originalStdout = stdout;
        stdout = out;
    }
    if (err)
        stderr = err;
}

FILE* byteOutput() {
    return originalStdout ? originalStdout : stdout;
}

bool localeIsGbk() {
    return gbkLocale;
}

std::string argumentText(const std::string& arg) {
    return gbkLocale ? text::toUtf8(arg) : arg;
}

std::string gbkForTerminal(std::string_view utf8) {
    std::string out;
    size_t run = 0;  // start of the well-formed characters not yet converted
    size_t at = 0;
    while (at < utf8.size()) {
        const int length = utf8Length(utf8, at);
        if (length > 0) {
            at += static_cast<size_t>(length);
            continue;
        }
        out += text::fromUtf8(utf8.substr(run, at - run));
        out += utf8[at];
        run = ++at;
    }
    out += text::fromUtf8(utf8.substr(run));
    return out;
}

size_t completeUtf8Prefix(std::string_view bytes) {
    // Only the last three bytes can start a character cut off by the end.
    const size_t from = bytes.size() > 3 ? bytes.size() - 3 : 0;
    for (size_t at = from; at < bytes.size(); ++at) {
        if (utf8Length(bytes, at) < 0)
            return at;
    }
    return bytes.size();
}

}  // namespace brivanta::cli
