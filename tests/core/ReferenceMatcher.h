#pragma once

// The search's matching written the slow and obvious way, character by character, every
// start, every reading: what the quick paths of PinyinMatcher are checked against.
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/trees/Pinyin.h"

namespace brivanta::testing {

inline char folded(char c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<char>(c - 'A' + 'a');
    return c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
}

inline std::vector<std::string_view> charactersOf(std::string_view text) {
    std::vector<std::string_view> out;
    for (size_t i = 0; i < text.size();) {
        size_t length = pinyin::characterLength(text, i);
        out.push_back(text.substr(i, length));
        i += length;
    }
    return out;
}

// Where the (normalised, see PinyinMatcher::query) query may go on from position p after the text
// character `c`.
inline std::set<size_t> stepsAfter(const std::string& query, size_t p, std::string_view c) {
    std::set<size_t> out;
    size_t length = pinyin::characterLength(query, p);
    if (c.size() == 1 && length == 1 && folded(c[0]) == query[p])
        out.insert(p + 1);
    if (query.compare(p, length, c) == 0 && (c.size() > 1 || (c[0] & 0x80)))
        out.insert(p + length);
    if (c.size() > 1) {
        for (std::uint16_t s : pinyin::syllablesOf(pinyin::readingSet(c))) {
            std::string_view letters = pinyin::syllable(s);
            for (size_t k = 0; k < letters.size() && p + k < query.size(); ++k) {
                char q = query[p + k];
                if (q != letters[k] && !(letters[k] == 'v' && q == 'u'))
                    break;
                out.insert(p + k + 1);
            }
        }
    }
    // A blank of the query may be left out.
    std::set<size_t> blanks;
    for (size_t r : out)
        if (r < query.size() && query[r] == ' ')
            blanks.insert(r + 1);
    out.insert(blanks.begin(), blanks.end());
    return out;
}

inline bool referenceContains(const std::string& query, std::string_view text) {
    if (query.empty())
        return true;
    std::vector<std::string_view> chars = charactersOf(text);
    for (size_t start = 0; start < chars.size(); ++start) {
        size_t q = 0;
        for (size_t t = start; t < chars.size() && q < query.size(); ++t) {
            size_t length = pinyin::characterLength(query, q);
            bool same = length == 1 ? chars[t].size() == 1 && folded(chars[t][0]) == query[q]
                                    : chars[t] == std::string_view(query).substr(q, length);
            if (!same)
                break;
            q += length;
        }
        if (q == query.size())
            return true;
    }
    return false;
}

inline bool referenceMatches(const std::string& query, std::string_view text) {
    if (query.empty())
        return true;
    if (query.size() > 63)
        return referenceContains(query, text);
    std::vector<std::string_view> chars = charactersOf(text);
    for (size_t start = 0; start < chars.size(); ++start) {
        std::set<size_t> at{0};
        for (size_t t = start; t < chars.size() && !at.empty(); ++t) {
            std::set<size_t> next;
            for (size_t p : at) {
                std::set<size_t> steps = stepsAfter(query, p, chars[t]);
                next.insert(steps.begin(), steps.end());
            }
            if (next.count(query.size()))
                return true;
            next.erase(query.size());
            at = std::move(next);
        }
    }
    return false;
}

}  // namespace brivanta::testing
