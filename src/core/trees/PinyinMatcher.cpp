#include "core/trees/PinyinMatcher.h"

#include <bit>

#include "core/trees/Pinyin.h"

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
    if (query_.empty() || query_.size() > kMaxPinyinQuery)
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
        return matchesPlain(text);
    const Positions done = Positions(1) << query_.size();
    // Bit p: the first p bytes of the query have been matched by the characters just read.
    // Bit 0 is always set, since a match may begin at any character.
    Positions state = 1;
    for (size_t i = 0; i < text.size();) {
        auto lead = static_cast<unsigned char>(text[i]);
        Positions next;
        if (lead < 0x80) {
            next = (state << 1) & foldMask_[lead];
            ++i;
        } else {
            size_t length = pinyin::characterLength(text, i);
            Positions bytes = state & characterStarts_;
            for (size_t k = 0; k < length && bytes; ++k)
                bytes = (bytes << 1) & rawMask_[static_cast<unsigned char>(text[i + k])];
            next = bytes;
            if (length > 1) {
                if (std::uint16_t set = pinyin::readingSet(text.substr(i, length)))
                    next |= readingStep(set, state);
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

bool PinyinMatcher::matchesPlain(std::string_view text) const {
    // Compared character by character, so that a query never matches half of one.
    for (size_t start = 0; start + query_.size() <= text.size();
         start += pinyin::characterLength(text, start)) {
        size_t t = start;
        size_t q = 0;
        while (q < query_.size() && t < text.size()) {
            size_t length = pinyin::characterLength(text, t);
            if (length == 1) {
                char c = foldAscii(text[t]);
                if (c == '\t' || c == '\n' || c == '\r')
                    c = ' ';
                if (c != query_[q])
                    break;
            } else if (text.compare(t, length, query_, q, length) != 0) {
                break;
            }
            t += length;
            q += length;
        }
        if (q == query_.size())
            return true;
    }
    return false;
}

bool PinyinMatcher::narrows(const PinyinMatcher& previous) const {
    // A longer query that begins with the previous one matches only what the previous one
    // did: its match begins with a match of the previous query. (The plain matching of long
    // queries is stricter still.)
    return query_.starts_with(previous.query_);
}

}  // namespace brivanta
