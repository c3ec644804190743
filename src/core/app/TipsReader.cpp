#include "core/app/TipsReader.h"

#include <sys/stat.h>

#include <array>
#include <ctime>

namespace brivanta {

std::string ctimeText(std::int64_t secondsSinceEpoch) {
    auto t = static_cast<std::time_t>(secondsSinceEpoch);
    std::array<char, 64> buffer{};
    if (::ctime_r(&t, buffer.data()) == nullptr)
        return {};
    std::string text(buffer.data());
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t' ||
                             text.back() == '\r'))
        text.pop_back();
    return text;
}

TipsReader::TipsReader(const std::string& path, std::int64_t storedPosition,
                       std::string_view storedStamp)
    : file_(std::fopen(path.c_str(), "rb")) {
    if (!file_)
        return;
    struct stat st {};
    if (::fstat(::fileno(file_.get()), &st) != 0 || S_ISDIR(st.st_mode)) {
        file_.reset();
        return;
    }
    timeStamp_ = ctimeText(st.st_mtime);
    std::int64_t position = storedPosition;
    if (timeStamp_ != storedStamp) {
        stampChanged_ = true;
        position = 0;
    }
    // A position past the end is fine: the first read finds the end and starts over.
    if (position < 0 || std::fseek(file_.get(), static_cast<long>(position), SEEK_SET) != 0) {
        readError_ = true;
        std::rewind(file_.get());
    }
}

namespace {

// A line ending in "\r\n" counts as a line end too, as the file may come from another system.
bool isSkipped(char first) {
    return first == ' ' || first == '\t' || first == '\n' || first == '\r' || first == ';';
}

}  // namespace

std::string TipsReader::nextTip() {
    if (!file_)
        return {};
    readError_ = false;
    std::array<char, kMaxLineBytes + 1> buffer{};
    bool wrapped = false;
    for (;;) {
        if (std::fgets(buffer.data(), static_cast<int>(buffer.size()), file_.get()) != nullptr) {
            if (buffer[0] != '\0' && !isSkipped(buffer[0]))
                return std::string(buffer.data());
            continue;
        }
        // End of the file: a second end in the same call means one whole pass held no tip.
        if (wrapped)
            return {};
        wrapped = true;
        std::clearerr(file_.get());
        if (std::fseek(file_.get(), 0, SEEK_SET) != 0) {
            readError_ = true;
            return {};
        }
    }
}

std::int64_t TipsReader::position() const {
    if (!file_)
        return -1;
    return std::ftell(file_.get());
}

}  // namespace brivanta
