// Turns Unihan's reading data (Unihan_Readings.txt, read from standard input) into the
// pinyin table of the core: for every character that GB18030 encodes and that has a
// Mandarin reading, the toneless syllables it can be read as. Runs at build time; the
// GB18030 bytes come from the same iconv the program converts with, so the table's keys
// are exactly the bytes a stored name holds.
//
// Readings are gathered from kMandarin (the usual reading) and from the fields that list a
// character's other modern readings (kHanyuPinlu, kXHC1983, kTGHZ2013): kMandarin alone
// gives 重 only "zhong", so "cq" would never find 重庆.
#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Lower-case toneless pinyin of one reading written with tone marks ("zhòng" -> "zhong";
// "lǜ" -> "lv", the way pinyin input methods type ü). Empty when the reading holds anything
// else.
std::string toneless(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<unsigned char>(c - 'A' + 'a');
            if (c < 'a' || c > 'z')
                return {};
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        if (i + length > utf8.size())
            return {};
        char32_t cp = 0;
        if (length == 2)
            cp = (c & 0x1F) << 6 | (utf8[i + 1] & 0x3F);
        else if (length == 3)
            cp = (c & 0x0F) << 12 | (utf8[i + 1] & 0x3F) << 6 | (utf8[i + 2] & 0x3F);
        else
            return {};
        i += length;
        static const std::map<char32_t, char> kBase = {
            {U'à', 'a'}, {U'á', 'a'}, {U'ā', 'a'}, {U'ǎ', 'a'}, {U'è', 'e'}, {U'é', 'e'},
            {U'ē', 'e'}, {U'ě', 'e'}, {U'ê', 'e'}, {U'ế', 'e'}, {U'ề', 'e'}, {U'ì', 'i'},
            {U'í', 'i'}, {U'ī', 'i'}, {U'ǐ', 'i'}, {U'ò', 'o'}, {U'ó', 'o'}, {U'ō', 'o'},
            {U'ǒ', 'o'}, {U'ù', 'u'}, {U'ú', 'u'}, {U'ū', 'u'}, {U'ǔ', 'u'}, {U'ü', 'v'},
            {U'ǘ', 'v'}, {U'ǚ', 'v'}, {U'ǜ', 'v'}, {U'ǖ', 'v'}, {U'ń', 'n'}, {U'ň', 'n'},
            {U'ǹ', 'n'}, {U'ḿ', 'm'}};
        auto it = kBase.find(cp);
        if (it == kBase.end()) {
            // Combining marks (U+0300..U+036F) after a base letter carry only the tone.
            if (cp >= 0x300 && cp <= 0x36F)
                continue;
            return {};
        }
        out.push_back(it->second);
    }
    return out;
}

// GB18030 bytes of one code point, or empty when iconv has none.
std::string toGb18030(iconv_t cd, char32_t cp) {
    char in[4] = {static_cast<char>(cp & 0xFF), static_cast<char>(cp >> 8 & 0xFF),
                  static_cast<char>(cp >> 16 & 0xFF), static_cast<char>(cp >> 24 & 0xFF)};
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = sizeof in;
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
        return {};
    return std::string(out, outPtr);
}

// A reading field's value without its dictionary positions: "0149.100:chóng 1502.040:zhòng"
// or "zhòng(1823) chóng(329)" or "63680.020:zhòng,chóng" -> the readings.
std::vector<std::string> readingsOfField(const std::string& value) {
    std::vector<std::string> out;
    std::istringstream words(value);
    std::string word;
    while (words >> word) {
        if (size_t colon = word.find(':'); colon != std::string::npos)
            word.erase(0, colon + 1);
        if (size_t paren = word.find('('); paren != std::string::npos)
            word.erase(paren);
        std::istringstream parts(word);
        std::string part;
        while (std::getline(parts, part, ','))
            out.push_back(part);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: MakePinyinTable OUTPUT.cpp < Unihan_Readings.txt\n";
        return 1;
    }
    // Code point -> its readings, the usual one first.
    std::map<char32_t, std::vector<std::string>> readings;
    std::string line;
    size_t lines = 0;
    while (std::getline(std::cin, line)) {
        ++lines;
        if (line.empty() || line[0] != 'U')
            continue;
        size_t tab1 = line.find('\t');
        size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos)
            continue;
        std::string field = line.substr(tab1 + 1, tab2 - tab1 - 1);
        bool usual = field == "kMandarin";
        if (!usual && field != "kHanyuPinlu" && field != "kXHC1983" && field != "kTGHZ2013")
            continue;
        auto cp = static_cast<char32_t>(std::stoul(line.substr(2, tab1 - 2), nullptr, 16));
        std::vector<std::string>& list = readings[cp];
        for (const std::string& reading : readingsOfField(line.substr(tab2 + 1))) {
            std::string syllable = toneless(reading);
            if (syllable.empty() || std::find(list.begin(), list.end(), syllable) != list.end())
                continue;
            if (usual)
                list.insert(list.begin(), syllable);
            else
                list.push_back(syllable);
        }
    }
    if (readings.size() < 20000) {
        std::cerr << "MakePinyinTable: only " << readings.size() << " characters with readings in "
                  << lines << " lines: is the input Unihan_Readings.txt?\n";
        return 1;
    }

    iconv_t cd = iconv_open("GB18030", "UTF-32LE");
    // iconv reports failure as the handle (iconv_t)-1.
    const auto failed = reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)
    if (cd == failed) {
        std::cerr << "MakePinyinTable: iconv has no GB18030\n";
        return 1;
    }
    std::vector<std::string> syllables;
    std::map<std::string, std::uint16_t> syllableId;
    for (const auto& [cp, list] : readings)
        for (const std::string& s : list)
            syllableId.emplace(s, 0);
    for (auto& [s, id] : syllableId) {
        id = static_cast<std::uint16_t>(syllables.size());
        syllables.push_back(s);
    }
    // Distinct reading sets; set 0 is "no reading".
    std::map<std::vector<std::uint16_t>, std::uint16_t> setId;
    std::vector<std::vector<std::uint16_t>> sets(1);
    constexpr int kTrailCount = 0xFF - 0x40;
    std::vector<std::uint16_t> twoByte(static_cast<size_t>(0xFE - 0x81 + 1) * kTrailCount, 0);
    std::vector<std::pair<std::uint32_t, std::uint16_t>> fourByte;
    for (const auto& [cp, list] : readings) {
        if (list.empty())
            continue;
        std::string bytes = toGb18030(cd, cp);
        std::vector<std::uint16_t> ids;
        for (const std::string& s : list)
            ids.push_back(syllableId[s]);
        auto [it, added] = setId.emplace(ids, static_cast<std::uint16_t>(sets.size()));
        if (added)
            sets.push_back(ids);
        auto b = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
        if (bytes.size() == 2) {
            twoByte[static_cast<size_t>(b(0) - 0x81) * kTrailCount + (b(1) - 0x40)] = it->second;
        } else if (bytes.size() == 4) {
            std::uint32_t linear =
                ((static_cast<std::uint32_t>(b(0) - 0x81) * 10 + (b(1) - 0x30)) * 126 +
                 (b(2) - 0x81)) *
                    10 +
                (b(3) - 0x30);
            fourByte.emplace_back(linear, it->second);
        }
    }
    iconv_close(cd);
    std::sort(fourByte.begin(), fourByte.end());

    std::ofstream out(argv[1]);
    out << "// Generated by tools/MakePinyinTable.cpp from Unihan_Readings.txt. Do not edit.\n"
           "#include \"core/trees/PinyinData.h\"\n\n"
           "namespace brivanta::pinyin::data {\n\n";
    out << "const std::uint16_t kSyllableCount = " << syllables.size() << ";\n";
    out << "const char* const kSyllables[] = {";
    for (size_t i = 0; i < syllables.size(); ++i)
        out << (i % 12 ? " " : "\n    ") << '"' << syllables[i] << "\",";
    out << "\n};\n\n";
    out << "const std::uint16_t kSetCount = " << sets.size() << ";\n";
    out << "const std::uint16_t kSetStart[] = {";
    size_t offset = 0;
    for (size_t i = 0; i <= sets.size(); ++i) {
        out << (i % 16 ? " " : "\n    ") << offset << ',';
        if (i < sets.size())
            offset += sets[i].size();
    }
    out << "\n};\n";
    out << "const std::uint16_t kSetPool[] = {";
    size_t n = 0;
    for (const auto& set : sets)
        for (std::uint16_t id : set)
            out << (n++ % 16 ? " " : "\n    ") << id << ',';
    out << " 0,\n};\n\n";
    out << "const std::uint16_t kTwoByteSet[] = {";
    for (size_t i = 0; i < twoByte.size(); ++i)
        out << (i % 16 ? " " : "\n    ") << twoByte[i] << ',';
    out << "\n};\n\n";
    out << "const std::size_t kFourByteCount = " << fourByte.size() << ";\n";
    out << "const std::uint32_t kFourByteCode[] = {";
    for (size_t i = 0; i < fourByte.size(); ++i)
        out << (i % 10 ? " " : "\n    ") << fourByte[i].first << "u,";
    out << "\n};\n";
    out << "const std::uint16_t kFourByteSet[] = {";
    for (size_t i = 0; i < fourByte.size(); ++i)
        out << (i % 16 ? " " : "\n    ") << fourByte[i].second << ',';
    out << "\n};\n\n}  // namespace brivanta::pinyin::data\n";
    out.close();
    if (!out) {
        std::cerr << "MakePinyinTable: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
