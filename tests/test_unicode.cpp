#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "core/legacy_text.h"
#include "model/document.h"
#include "test_support.h"
#include "text/utf8.h"

using namespace tolvarin;

namespace {

std::string utf8(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) appendUtf8(out, c);
    return out;
}

std::vector<std::uint8_t> hexCodes(const std::string& field) {
    std::vector<std::uint8_t> codes;
    std::istringstream in(field);
    std::string hex;
    while (in >> hex) codes.push_back(std::uint8_t(std::stoi(hex, nullptr, 16)));
    return codes;
}

}  // namespace

// Typed orders against the Unicode they must give, for each legacy font: pre-base
// signs, the RA sign, ya, va and la signs, visible-virama clusters, doubling, NTA,
// vowels from pieces, chillus, stray signs, a code with no value, and (ML-TT) the
// glyphs of a consonant with its vowel sign.
TEST(Unicode, OrderingCases) {
    const struct {
        const char* file;
        const LegacyFont& font;
        int count;
    } tables[] = {{"unicode_cases.tsv", panchariFont(), 42}, {"mltt_cases.tsv", mlttFont(), 35}};
    for (const auto& table : tables) {
        std::ifstream in(test::dataDir() / table.file);
        std::string line;
        int cases = 0;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            std::string typed, expected, what;
            std::getline(fields, typed, '\t');
            std::getline(fields, expected, '\t');
            std::getline(fields, what);
            const std::vector<std::uint8_t> codes = hexCodes(typed);
            EXPECT_EQ(utf8(convertLegacyText(table.font, codes.data(), codes.size(), true)), expected)
                << table.file << ": " << typed << ": " << what;
            ++cases;
        }
        EXPECT_EQ(cases, table.count) << table.file;
    }
    // PANCHARI has two such glyphs too: the RA sign goes before their sign.
    const std::uint8_t raNu[] = {0x64, 0x65}, raNnu[] = {0x64, 0xE9};
    EXPECT_EQ(utf8(convertLegacyText(panchariFont(), raNu, 2, true)), "ന്രു");
    EXPECT_EQ(utf8(convertLegacyText(panchariFont(), raNnu, 2, true)), "ണ്രു");
}

// The family's names, in any case and with a style word or none; other names are not.
TEST(Unicode, LegacyFontNames) {
    const struct {
        const char* name;
        const LegacyFont* font;
    } cases[] = {
        {"PANCHARI", &panchariFont()},          {"Panchari Bold", &panchariFont()},
        {"ML-TTKarthika", &mlttFont()},         {"ml-ttkarthika", &mlttFont()},
        {"ML-TTKarthika Bold", &mlttFont()},    {"ML-TTKarthika-Italic", &mlttFont()},
        {"ML-TTKarthikaBoldItalic", &mlttFont()}, {"ML-TTRevathi Normal", &mlttFont()},
        {"ML-TTRavivarma-Bold", &mlttFont()},   {"ML-TTRavivarma", &mlttFont()},
        {"ML-Revathi", &mlttFont()},            {"ML-TTKarthikaX", nullptr},
        {"Arial", nullptr},                     {"ML-TT", nullptr},
        {"Bold", nullptr},
    };
    for (const auto& c : cases) EXPECT_EQ(legacyFontNamed(c.name), c.font) << c.name;
}

// However many pre-base signs are typed in a row, each one is written once: the
// ones a syllable cannot take stay where they were.
TEST(Unicode, NoTypedSignIsDropped) {
    auto codeOf = [](char16_t value) {
        for (int c = 0; c < 256; ++c)
            if (panchariFont().encoding().value(std::uint8_t(c)).length == 1 && panchariFont().encoding().value(std::uint8_t(c)).points[0] == value)
                return std::uint8_t(c);
        return std::uint8_t(0);
    };
    const std::uint8_t signEE = codeOf(0x0D47), ka = codeOf(0x0D15);
    ASSERT_TRUE(signEE && ka);
    for (std::size_t k = 1; k <= 9; ++k) {
        std::vector<std::uint8_t> codes(k, signEE);
        codes.push_back(ka);
        const std::u16string text = convertLegacyText(panchariFont(), codes.data(), codes.size(), true);
        EXPECT_EQ(std::count(text.begin(), text.end(), u'\u0D47'), std::ptrdiff_t(k)) << k << " signs";
        EXPECT_EQ(std::count(text.begin(), text.end(), u'\u0D15'), 1) << k << " signs";
    }
}

// Real prose as three word processors write it, and the sample letter: the plain text
// of the conversion is exactly what a reader of Malayalam expects.
TEST(Unicode, ProseAndLetterReadAsExpected) {
    const std::string prose = test::readFile(test::dataDir() / "prose.expected.txt");
    for (const char* name : {"prose_wordpad.rtf", "prose_word.rtf", "prose_lo.rtf"}) {
        Document d;
        ASSERT_TRUE(d.loadFile(test::dataDir() / name).ok) << name;
        LegacyCounts counts;
        EXPECT_EQ(test::unicodeText(d, &counts), prose) << name;
        EXPECT_EQ(counts.totalKept(), 0u) << name;
    }
    Document letter;
    ASSERT_TRUE(letter.loadFile(test::dataDir() / ".." / ".." / "samples" / "letter.rtf").ok);
    EXPECT_EQ(test::unicodeText(letter), test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.unicode.txt"));
}

namespace {

// A flat JSON object of strings, as the public ML-TTRevathi map is written.
std::map<std::u16string, std::u16string> readFlatJson(const std::string& json) {
    std::map<std::u16string, std::u16string> map;
    std::size_t i = 0;
    auto string = [&]() {
        std::u16string s;
        i = json.find('"', i) + 1;
        while (i < json.size() && json[i] != '"') {
            if (json[i] == '\\') {
                const char e = json[++i];
                if (e == 'u') {
                    s += char16_t(std::stoi(json.substr(i + 1, 4), nullptr, 16));
                    i += 5;
                    continue;
                }
                s += char16_t(e == 'n' ? '\n' : e);
                ++i;
                continue;
            }
            s += char16_t(nextCodePoint(json, i));
        }
        ++i;
        return s;
    };
    while (json.find('"', i) != std::string::npos) {
        std::u16string key = string();
        map[key] = string();
    }
    return map;
}

}  // namespace

// Each code's Unicode value agrees with what its ML-TTRevathi glyphs read as in an
// independent public map of that font, vowels drawn from pieces joined as the
// conversion joins them; the codes that differ do so for a reason named here.
TEST(Unicode, TableAgreesWithThePublicMapOfTheTargetFont) {
    const auto map = readFlatJson(test::readFile(test::dataDir() / "ml-ttrevathi.cc0.json"));
    ASSERT_GT(map.size(), 150u);
    std::map<int, const char*> reasons;
    for (int c = 0; c < 0x20; ++c) reasons[c] = "control code: stands for itself; the map has glyphs only";
    reasons[0x7F] = reasons[0];
    reasons[0x20] = "the space: the map has glyphs only";
    for (int c : {0x22, 0x27, 0x51, 0x52}) reasons[c] = "quotes are kept as typed; the glyph rules swap or double them";
    for (int c : {0x91, 0x92, 0x93, 0x94}) reasons[c] = "curly quotes: the map has nothing in 0x80-0x9F";
    for (int c : {0x2D, 0xA0}) reasons[c] = "hyphen and no-break space: no glyph rule and no map entry; kept";
    reasons[0x6D] = "the map reads the glyph as the unused cluster of U+0D23 U+0D4D U+0D27; it draws U+0D23 U+0D4D U+0D21";
    reasons[0xE5] = "the map reads the glyph as the date mark U+0D79; it draws U+0D32 U+0D4D U+0D2A";
    reasons[0xEE] = "the doubling mark: its meaning comes from the pair rules, applied after any consonant";
    reasons[0xF1] = "no glyph rule and no map entry; the font's other cuts draw U+0D32 U+0D4D U+0D32";
    static const std::map<std::u16string, std::u16string> joined = {
        {u"\u0D07\u0D57", u"\u0D08"}, {u"\u0D09\u0D57", u"\u0D0A"}, {u"\u0D0B\u0D57", u"\u0D60"},
        {u"\u0D46\u0D0E", u"\u0D10"}, {u"\u0D12\u0D3E", u"\u0D13"}, {u"\u0D12\u0D57", u"\u0D14"},
        {u"\u0D46\u0D46", u"\u0D48"}};
    int agreeing = 0;
    for (int code = 0; code < 256; ++code) {
        // The target font's codes for this one, read through the public map.
        const GlyphCodes codes = revathiCodes(panchariFont().encoding(), -1, std::uint8_t(code), -1);
        std::u16string read;
        bool mapped = true;
        for (std::size_t k = 0; k < codes.length; ++k) {
            auto it = map.find(std::u16string(1, decodeCp1252(codes.codes[k])));
            if (it == map.end()) mapped = false;
            else read += it->second;
        }
        if (auto j = joined.find(read); j != joined.end()) read = j->second;
        const UnicodeValue& v = panchariFont().encoding().value(std::uint8_t(code));
        const bool agrees = v.length == kNoValue ? !mapped
                                                 : mapped && v.length > 0 &&
                                                       read == std::u16string(v.points, std::size_t(v.length));
        if (reasons.count(code)) {
            EXPECT_FALSE(agrees) << "0x" << std::hex << code << " agrees now: its exception is no longer needed";
            continue;
        }
        EXPECT_TRUE(agrees) << "0x" << std::hex << code << ": the table gives " << utf8(std::u16string(v.points, v.length > 0 ? v.length : 0))
                            << ", the map reads " << utf8(read);
        agreeing += agrees;
    }
    EXPECT_EQ(agreeing, 256 - int(reasons.size()));
}

// A PANCHARI document converted to ML-TTRevathi and that result to Unicode reads as
// the same document converted to Unicode at once: the same text, each character in the
// same format. The two routes share only the syllable ordering, so this checks both
// fonts' tables. Quotes are kept as typed by both tables, while the glyph rules swap
// 0x22 and 0x27: they are the one known difference.
TEST(Unicode, BothRoutesToUnicodeAgree) {
    std::vector<std::filesystem::path> files;
    for (const auto& dir : {test::dataDir(), test::dataDir() / ".." / ".." / "samples",
                            test::corpusDir() / ".." / "unicode", test::corpusDir() / ".." / "samples"}) {
        if (!std::filesystem::is_directory(dir)) continue;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.path().extension() == ".rtf") files.push_back(entry.path());
    }
    ASSERT_GE(files.size(), 7u);  // the project's own: prose in three styles, three producer styles, the letter
    ConversionOptions ml, unicode;
    unicode.unicode = true;
    unicode.unicodeFont = std::string(kDefaultUnicodeFont);
    auto convert = [](std::string_view rtf, const ConversionOptions& options) {
        std::string out;
        const ConversionReport r = test::convert(rtf, out, options);
        EXPECT_TRUE(r.ok) << r.error;
        return out;
    };
    auto sameQuote = [](char16_t c) { return c == u'\'' ? u'"' : c; };
    for (const auto& file : files) {
        const std::string in = test::readFile(file);
        Document direct, twoSteps;
        ASSERT_TRUE(direct.setRtf(convert(in, unicode)).ok) << file;
        ASSERT_TRUE(twoSteps.setRtf(convert(convert(in, ml), unicode)).ok) << file;
        ASSERT_EQ(direct.text().size(), twoSteps.text().size()) << file;
        std::size_t differ = 0;
        for (std::size_t i = 0; i < direct.text().size(); ++i) {
            const CharFormat a = direct.formatAt(i + 1), b = twoSteps.formatAt(i + 1);
            const bool legacy = legacyFontNamed(a.font.name) && legacyFontNamed(b.font.name);  // kept as typed
            differ += sameQuote(direct.text()[i]) != sameQuote(twoSteps.text()[i]) || a.bold != b.bold ||
                      a.italic != b.italic || a.underline != b.underline || a.fontSize != b.fontSize ||
                      (!legacy && a.font.name != b.font.name);
        }
        EXPECT_EQ(differ, 0u) << file;
    }
}
