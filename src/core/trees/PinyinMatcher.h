#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brivanta {

// Decides whether a text (GBK or GB18030 bytes, as stored) holds a query typed into the
// search line. Latin letters match in any case. A Chinese character matches itself, or any
// non-empty beginning of one of its readings: "xinwen", "xw", "xinw" and "xin wen" all find
// 新闻, and a character with several readings matches by each (重庆: "cq" and "zq"). Blanks in
// the query may stand between syllables or be left out.
class PinyinMatcher {
  public:
    PinyinMatcher() = default;
    // `query` is GBK; blanks at its ends do not count and runs of blanks count as one.
    explicit PinyinMatcher(std::string_view query);

    bool empty() const { return query_.empty(); }
    // The query as it is matched: trimmed, blanks collapsed, Latin letters in lower case.
    const std::string& query() const { return query_; }
    bool matches(std::string_view text) const;
    // Plain text matching, for addresses: the query's characters in a row, Latin letters in
    // any case, no pinyin.
    bool contains(std::string_view text) const;
    // True when whatever this query matches is sure to be matched by `previous` as well (this
    // query begins with it), so a search may look only at the previous hits.
    bool narrows(const PinyinMatcher& previous) const;

  private:
    // Queries longer than this are matched as plain text (letters in any case), without
    // pinyin: the positions of a query are bits of one machine word.
    static constexpr size_t kMaxPinyinQuery = 63;
    using Positions = std::uint64_t;

    bool equalsAt(std::string_view text, size_t at) const;
    // Positions reachable after the character of reading set `set`, from positions `from`.
    Positions readingStep(std::uint16_t set, Positions from) const;

    std::string query_;
    // Bit p + 1 of foldMask_[b] is set when query byte p is the (folded) single-byte
    // character b; rawMask_ does the same for every byte, for whole multi-byte characters.
    std::array<Positions, 256> foldMask_{};
    std::array<Positions, 256> rawMask_{};
    Positions characterStarts_ = 0;  // bit p: a query character begins at byte p
    Positions blanks_ = 0;           // bit p: query byte p is a blank
    bool multiByteQuery_ = false;    // the query holds characters beyond ASCII
    // What a text byte means for plain matching: no start of the query, a possible start, or
    // the lead byte of a character to step over.
    enum : std::uint8_t { kNoStart = 0, kCandidate = 1, kSkipCharacter = 2 };
    std::array<std::uint8_t, 256> textStart_{};
    // reach_[p * syllables + s]: the positions a syllable s reaches from position p (bits
    // p + 1 ... p + k for the k query letters that begin s there).
    std::vector<Positions> reach_;
    // fromStart_[set]: the positions a reading set reaches from position 0 (the common case,
    // kept apart so that it is one look-up).
    std::vector<Positions> fromStart_;
    // Bit per pair of text bytes (the first two of a character): the character may begin a
    // match (by a reading or as itself), or it is no two-byte character and needs a closer
    // look. An ASCII character's bits do not depend on the byte after it.
    std::vector<std::uint64_t> beginsQuery_;
    // The query's first two characters with bit 0x20 set, for skipping stretches of ASCII
    // text many bytes at a time; 0xFF for a first character beyond ASCII (no ASCII byte
    // begins it), 0 for a second one that is not ASCII or is a blank.
    std::uint8_t wordFirst_ = 0;
    std::uint8_t wordSecond_ = 0;
};

}  // namespace brivanta
