#include "core/text/Encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace brivanta::text {
namespace {

// iconv descriptors are expensive to open; one per direction, per thread.
// iconv's failure value is (iconv_t)-1 by its interface.
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)

class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != kNoConverter)
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != kNoConverter; }

    // Converts `in`; when a sequence cannot be converted, skips `skip` input bytes and
    // writes `replacement` instead.
    std::string run(std::string_view in, std::string_view replacement, size_t skip) {
        std::string out;
        if (in.empty())
            return out;
        if (cd_ == kNoConverter)
            return std::string(in);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.resize(in.size() * 2 + 16);
        char* inPtr = const_cast<char*>(in.data());
        size_t inLeft = in.size();
        size_t used = 0;
        while (inLeft > 0) {
            char* outPtr = out.data() + used;
            size_t outLeft = out.size() - used;
            size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            used = out.size() - outLeft;
            if (rc != static_cast<size_t>(-1))
                break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            // EILSEQ or EINVAL (a sequence cut off at the end): substitute and go on.
            if (out.size() - used < replacement.size())
                out.resize(out.size() * 2);
            out.replace(used, replacement.size(), replacement);
            used += replacement.size();
            size_t step = skip < inLeft ? skip : inLeft;
            inPtr += step;
            inLeft -= step;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        // Flush any shift state (none for these encodings, but cheap).
        char* outPtr = out.data() + used;
        size_t outLeft = out.size() - used;
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        used = out.size() - outLeft;
        out.resize(used);
        return out;
    }

  private:
    iconv_t cd_;
};

}  // namespace

std::string toUtf8(std::string_view gbk) {
    thread_local Converter converter("UTF-8", "GB18030");
    return converter.run(gbk, "\xEF\xBF\xBD", 1);
}

std::string fromUtf8(std::string_view utf8) {
    thread_local Converter converter("GB18030", "UTF-8");
    return converter.run(utf8, "?", 1);
}

bool charsetToUtf8(const std::string& charset, std::string_view in, std::string& out) {
    Converter converter("UTF-8", charset.c_str());
    if (!converter.valid())
        return false;
    out = converter.run(in, "\xEF\xBF\xBD", 1);
    return true;
}

bool isValidUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const unsigned char* end = p + s.size();
    while (p < end) {
        unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int length = 0;
        std::uint32_t value = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            value = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            value = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            value = c & 0x07u;
        } else {
            return false;
        }
        if (end - p < length)
            return false;
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (p[i] & 0x3Fu);
        }
        if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) ||
            value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        p += length;
    }
    return true;
}

std::string fromUtf16Le(std::string_view utf16le) {
    thread_local Converter converter("GBK", "UTF-16LE");
    return converter.run(utf16le, "?", 2);
}

}  // namespace brivanta::text
