#include "core/trees/PinyinMatcher.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/trees/Pinyin.h"
#include "core/trees/PinyinData.h"

namespace brivanta {

namespace {

char foldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isBlank(std::string_view character) {
    // ASCII white space, and the ideographic space (GBK A1 A1).
    if (character.size() == 1)
        return character[0] == ' ' || character[0] == '\t' || character[0] == '\n' ||
               character[0] == '\r';
    return character == "\xA1\xA1";
}

// The query with blanks trimmed and collapsed into one ' ' and Latin letters folded; the
// bytes of multi-byte characters are kept as they are (their trail bytes may look like ASCII).
std::string normalise(std::string_view query) {
    std::string out;
    bool pendingBlank = false;
    for (size_t i = 0; i < query.size();) {
        size_t length = pinyin::characterLength(query, i);
        std::string_view character = query.substr(i, length);
        i += length;
        if (isBlank(character)) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank)
            out.push_back(' ');
        pendingBlank = false;
        if (length == 1)
            out.push_back(foldAscii(character[0]));
        else
            out.append(character);
    }
    return out;
}

// Query letter `q` against syllable letter `s`: "v" stands for ü, which people also type "u".
bool letterMatches(char q, char s) {
    return q == s || (s == 'v' && q == 'u');
}

}  // namespace

PinyinMatcher::PinyinMatcher(std::string_view query) : query_(normalise(query)) {
    if (query_.empty())
        return;
    for (char c : query_)
        multiByteQuery_ = multiByteQuery_ || (c & 0x80) != 0;
    // Where a plain-text match may begin: at the query's first character, in any case.
    auto first = static_cast<unsigned char>(query_[0]);
    for (unsigned b = 0x80; b < 0x100; ++b)
        textStart_[b] = kSkipCharacter;
    textStart_[first] = kCandidate;
    if (first >= 'a' && first <= 'z')
        textStart_[first - 'a' + 'A'] = kCandidate;
    wordFirst_ = 0xFF;
    if (first < 0x80) {
        wordFirst_ = first | 0x20;
        // A blank may stand for a tab of the text, which the case bit does not cover.
        auto second = query_.size() > 1 ? static_cast<unsigned char>(query_[1]) : 0;
        if (second != 0 && second < 0x80 && second != ' ')
            wordSecond_ = second | 0x20;
    }
    if (query_.size() > kMaxPinyinQuery)
        return;
    const size_t n = query_.size();
    for (size_t p = 0; p < n;) {
        size_t length = pinyin::characterLength(query_, p);
        characterStarts_ |= Positions(1) << p;
        for (size_t k = 0; k < length; ++k) {
            auto b = static_cast<unsigned char>(query_[p + k]);
            rawMask_[b] |= Positions(1) << (p + k + 1);
        }
        if (length == 1) {
            auto b = static_cast<unsigned char>(query_[p]);
            foldMask_[b] |= Positions(1) << (p + 1);
            if (b >= 'a' && b <= 'z')
                foldMask_[b - 'a' + 'A'] |= Positions(1) << (p + 1);
            if (b == ' ') {
                blanks_ |= Positions(1) << p;
                // A blank in the name matches a blank of the query, whatever its kind.
                for (char c : {'\t', '\n', '\r'})
                    foldMask_[static_cast<unsigned char>(c)] |= Positions(1) << (p + 1);
            }
        }
        p += length;
    }

    const size_t syllables = pinyin::syllableCount();
    reach_.assign(n * syllables, 0);
    for (size_t p = 0; p < n; ++p) {
        if (!(characterStarts_ >> p & 1))
            continue;
        for (size_t s = 0; s < syllables; ++s) {
            std::string_view letters = pinyin::syllable(static_cast<std::uint16_t>(s));
            Positions reached = 0;
            for (size_t k = 0; k < letters.size() && p + k < n; ++k) {
                if (!letterMatches(query_[p + k], letters[k]))
                    break;
                reached |= Positions(1) << (p + k + 1);
            }
            reach_[p * syllables + s] = reached;
        }
    }
    fromStart_.assign(pinyin::readingSetCount(), 0);
    for (size_t set = 1; set < fromStart_.size(); ++set) {
        for (std::uint16_t s : pinyin::syllablesOf(static_cast<std::uint16_t>(set)))
            fromStart_[set] |= reach_[s];
    }
    beginsQuery_.assign(65536 / 64, 0);
    size_t firstCode = SIZE_MAX;  // the query's first character, when it has two bytes
    if (pinyin::characterLength(query_, 0) == 2)
        firstCode = static_cast<size_t>(first - 0x81) * 191 +
                    (static_cast<unsigned char>(query_[1]) - 0x40);
    for (unsigned lead = 0; lead < 0x100; ++lead) {
        std::uint64_t* row = beginsQuery_.data() + lead * 4;
        if (lead < 0x80) {
            if (foldMask_[lead] & 2)
                std::fill(row, row + 4, ~std::uint64_t(0));
            continue;
        }
        for (unsigned trail = 0; trail < 0x100; ++trail) {
            bool twoByte =
                lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
            size_t code = twoByte ? (lead - 0x81) * 191 + (trail - 0x40) : 0;
            if (!twoByte || code == firstCode || fromStart_[pinyin::data::kTwoByteSet[code]])
                row[trail >> 6] |= std::uint64_t(1) << (trail & 63);
        }
    }
}

PinyinMatcher::Positions PinyinMatcher::readingStep(std::uint16_t set, Positions from) const {
    Positions out = (from & 1) ? fromStart_[set] : 0;
    from &= ~Positions(1);
    const size_t syllables = pinyin::syllableCount();
    while (from) {
        int p = std::countr_zero(from);
        from &= from - 1;
        const Positions* row = reach_.data() + static_cast<size_t>(p) * syllables;
        for (std::uint16_t s : pinyin::syllablesOf(set))
            out |= row[s];
    }
    return out;
}

bool PinyinMatcher::matches(std::string_view text) const {
    if (query_.empty())
        return true;
    if (query_.size() > kMaxPinyinQuery)
        return contains(text);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    const Positions done = Positions(1) << query_.size();
    // Bit p: the first p bytes of the query have been matched by the characters just read.
    // Bit 0 is always set, since a match may begin at any character.
    Positions state = 1;
    for (size_t i = 0; i < n;) {
        if (state == 1) {
            // Nothing begun: most characters cannot begin the query, and each of those costs
            // one bit looked up by its first two bytes (only whole two-byte characters and
            // ASCII are passed over here; anything else takes the step below).
            auto begins = [&](size_t at) {
                unsigned pair = unsigned(bytes[at]) << 8 | bytes[at + 1];
                return beginsQuery_[pair >> 6] >> (pair & 63) & 1;
            };
            while (i + 1 < n) {
                // Eight bytes beyond ASCII are four two-byte characters (any other kind of
                // byte pair has its bit set): tested side by side, not one after another.
                constexpr std::uint64_t kHigh = 0x8080808080808080u;
                std::uint64_t word = 0;
                if (i + 8 <= n)
                    std::memcpy(&word, bytes + i, 8);
                if ((word & kHigh) == kHigh &&
                    (begins(i) | begins(i + 2) | begins(i + 4) | begins(i + 6)) == 0) {
                    i += 8;
                    continue;
                }
                unsigned pair = unsigned(bytes[i]) << 8 | bytes[i + 1];
                if (beginsQuery_[pair >> 6] >> (pair & 63) & 1)
                    break;
                i += 1 + (bytes[i] >> 7);
            }
            if (i >= n)
                break;
        }
        unsigned c = bytes[i];
        Positions next;
        if (c < 0x80) {
            next = (state << 1) & foldMask_[c];
            ++i;
        } else {
            // The two-byte form (all of GBK) is looked up here directly: this loop runs for
            // every character of every name in the tree.
            size_t length = 1;
            std::uint16_t set = 0;
            if (c >= 0x81 && c <= 0xFE && i + 1 < n) {
                unsigned trail = bytes[i + 1];
                if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) {
                    size_t code = (c - 0x81) * 191 + (trail - 0x40);
                    length = 2;
                    set = pinyin::data::kTwoByteSet[code];
                } else if ((length = pinyin::characterLength(text, i)) == 4) {
                    set = pinyin::readingSet(text.substr(i, 4));
                }
            }
            next = state == 1 ? fromStart_[set] : readingStep(set, state);
            if (multiByteQuery_) {
                Positions same = state & characterStarts_;
                for (size_t k = 0; k < length && same; ++k)
                    same = (same << 1) & rawMask_[bytes[i + k]];
                next |= same;
            }
            i += length;
        }
        // A blank of the query may be left out.
        next |= (next & blanks_) << 1;
        if (next & done)
            return true;
        state = next | 1;
    }
    return false;
}

bool PinyinMatcher::contains(std::string_view text) const {
    const size_t m = query_.size();
    if (m == 0)
        return true;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i + m <= n;) {
        // Eight bytes at a time past stretches of ASCII that cannot begin a match (most of an
        // address): a byte begins one only when it and the next are the query's first two
        // characters in either case (compared with bit 0x20 set, which may let a few more
        // through, never fewer), and a byte beyond ASCII stops the skipping.
        if (wordFirst_ != 0) {
            bool stopped = false;
#if defined(__SSE2__)
            // Sixteen bytes at a time, the same test as the eight below.
            const __m128i caseBits = _mm_set1_epi8(0x20);
            const __m128i firstBytes = _mm_set1_epi8(static_cast<char>(wordFirst_));
            const __m128i secondBytes = _mm_set1_epi8(static_cast<char>(wordSecond_));
            auto flagged = [&](size_t at) {
                __m128i word = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
                __m128i hit = _mm_cmpeq_epi8(_mm_or_si128(word, caseBits), firstBytes);
                if (wordSecond_ != 0) {
                    __m128i next =
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at + 1));
                    hit = _mm_and_si128(hit,
                                        _mm_cmpeq_epi8(_mm_or_si128(next, caseBits), secondBytes));
                }
                return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(hit, word)));
            };
            while (i + 17 <= n && i + m <= n) {
                if (unsigned stop = flagged(i)) {
                    i += static_cast<size_t>(std::countr_zero(stop));
                    stopped = true;
                    break;
                }
                i += 16;
            }
            if (!stopped && n >= 17 && i + m <= n) {
                // The last bytes but one, in sixteen that overlap what was tested already.
                size_t base = n - 17;
                unsigned stop = flagged(base) & (~0u << (i - base));
                i = stop != 0 ? base + static_cast<size_t>(std::countr_zero(stop)) : n - 1;
                stopped = true;
            }
#endif
            constexpr std::uint64_t kOnes = 0x0101010101010101u;
            constexpr std::uint64_t kHigh = 0x8080808080808080u;
            constexpr std::uint64_t kCase = 0x2020202020202020u;
            auto zeroBytes = [](std::uint64_t x) { return (x - kOnes) & ~x & kHigh; };
            while (!stopped && i + 9 <= n && i + m <= n) {
                std::uint64_t word;
                std::uint64_t next;
                std::memcpy(&word, bytes + i, 8);
                std::memcpy(&next, bytes + i + 1, 8);
                std::uint64_t stop = zeroBytes((word | kCase) ^ (kOnes * wordFirst_));
                if (wordSecond_ != 0)
                    stop &= zeroBytes((next | kCase) ^ (kOnes * wordSecond_));
                stop |= word & kHigh;
                if (stop != 0) {
                    // The lowest flagged byte is exact; everything below it can go.
                    if constexpr (std::endian::native == std::endian::little)
                        i += static_cast<size_t>(std::countr_zero(stop)) / 8;
                    break;
                }
                i += 8;
            }
            if (i + m > n)
                break;
        }
        std::uint8_t kind = textStart_[bytes[i]];
        if (kind == kNoStart) {
            ++i;
            continue;
        }
        if (kind == kCandidate && equalsAt(text, i))
            return true;
        // Whole characters only, so that the query never starts in the middle of one.
        i += bytes[i] < 0x80 ? 1 : pinyin::characterLength(text, i);
    }
    return false;
}

bool PinyinMatcher::equalsAt(std::string_view text, size_t at) const {
    if (!multiByteQuery_) {
        // An ASCII query: byte for byte, and a byte beyond ASCII ends the match.
        if (at + query_.size() > text.size())
            return false;
        for (size_t q = 0; q < query_.size(); ++q) {
            char c = text[at + q];
            if (c & 0x80)
                return false;
            c = foldAscii(c);
            if (c == '\t' || c == '\n' || c == '\r')
                c = ' ';
            if (c != query_[q])
                return false;
        }
        return true;
    }
    for (size_t q = 0; q < query_.size();) {
        size_t t = at + q;
        if (t >= text.size())
            return false;
        size_t length = pinyin::characterLength(query_, q);
        if (length == 1) {
            if (pinyin::characterLength(text, t) != 1)
                return false;
            char c = foldAscii(text[t]);
            if (c == '\t' || c == '\n' || c == '\r')
                c = ' ';
            if (c != query_[q])
                return false;
        } else if (text.compare(t, length, query_, q, length) != 0) {
            return false;
        }
        q += length;
    }
    return true;
}

bool PinyinMatcher::narrows(const PinyinMatcher& previous) const {
    // A longer query that begins with the previous one matches only what the previous one
    // did: its match begins with a match of the previous query. (The plain matching of long
    // queries is stricter still.) The previous query must end between two characters of
    // this one, not inside one: "\xD0" alone is a damaged byte, "\xD0c" is 衏.
    if (!query_.starts_with(previous.query_))
        return false;
    size_t at = 0;
    while (at < previous.query_.size())
        at += pinyin::characterLength(query_, at);
    return at == previous.query_.size();
}

}  // namespace brivanta
