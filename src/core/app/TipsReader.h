#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace brivanta {

// Reads the tip of the day from "tips.txt", one tip a line, in the file's own bytes (GBK).
// Lines beginning with a blank, a tab, ";" or a line end are comments and spacing. A line of
// more than `kMaxLineBytes` is cut there and the rest read as the next line. After the last
// tip it starts over at the first.
//
// The caller keeps the position and the file's modification stamp between runs: a stamp that
// differs from the file's means the file was edited, and reading starts again from the top.
class TipsReader {
  public:
    static constexpr int kMaxLineBytes = 999;

    TipsReader(const std::string& path, std::int64_t storedPosition, std::string_view storedStamp);

    bool isOpen() const { return file_ != nullptr; }
    // The file's modification time as `ctime` text without its line end ("Wed Dec  9
    // 00:21:14 2026"); empty when the file could not be opened.
    const std::string& timeStamp() const { return timeStamp_; }
    bool stampChanged() const { return stampChanged_; }
    // The last step's seek failed (to the stored position on opening, or back to the top in
    // `nextTip`): the caller says so.
    bool readError() const { return readError_; }

    // The next tip with its line end as read. Empty when the file holds no tip at all (one
    // whole pass found none) or is not open, so a file of comments never reads for ever.
    std::string nextTip();
    // Where the next tip is looked for; -1 when the file is not open.
    std::int64_t position() const;

  private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::string timeStamp_;
    bool stampChanged_ = false;
    bool readError_ = false;
};

// `ctime` text of a time, trailing white space removed.
std::string ctimeText(std::int64_t secondsSinceEpoch);

}  // namespace brivanta
