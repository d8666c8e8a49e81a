// Every encoding the engine has, as its table in encodings/ says it: each code's value,
// kind and role, its fonts' names, and the ordering rules the newer encodings need.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/legacy_text.h"
#include "test_support.h"
#include "text/utf8.h"

using namespace tolvarin;
namespace fs = std::filesystem;

namespace {

std::string utf8(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) appendUtf8(out, c);
    return out;
}

// A table's rows (code -> value column) and its font names, as the file has them.
struct TableFile {
    std::map<int, std::string> values;
    std::vector<std::string> fonts;
    std::vector<std::string> rows;  // every row, whole
};

TableFile readTable(const fs::path& path) {
    TableFile t;
    std::ifstream in(path);
    std::string line;
    bool names = false;
    while (std::getline(in, line)) {
        if (line.rfind("# font names", 0) == 0) names = true;
        else if (names && line.rfind("#   ", 0) == 0) t.fonts.push_back(line.substr(4));
        if (line.empty() || line[0] == '#') continue;
        t.rows.push_back(line);
        const std::size_t tab = line.find('\t'), next = line.find('\t', tab + 1);
        t.values[std::stoi(line.substr(0, tab), nullptr, 16)] = line.substr(tab + 1, next - tab - 1);
    }
    return t;
}

std::string valueText(const UnicodeValue& v) {
    if (v.length == kNoValue) return "-";
    if (v.length == kGeminate) return "GEMINATE";
    std::string out;
    char buffer[16];
    for (int k = 0; k < v.length; ++k) {
        std::snprintf(buffer, sizeof buffer, "%sU+%04X", k ? " " : "", unsigned(v.points[k]));
        out += buffer;
    }
    return out;
}

// The first code of `e` whose value is exactly `value`.
std::uint8_t codeOf(const LegacyEncoding& e, std::u16string_view value) {
    for (int c = 0; c < 256; ++c) {
        const UnicodeValue& v = e.value(std::uint8_t(c));
        if (v.length > 0 && std::u16string_view(v.points, std::size_t(v.length)) == value) return std::uint8_t(c);
    }
    ADD_FAILURE() << e.name() << " has no code for " << utf8(value);
    return 0;
}

fs::path encodingsDir() { return fs::path(TOLVARIN_ENCODINGS_DIR); }

std::string fileOf(const LegacyEncoding& e) { return std::string(e.table().file); }

}  // namespace

// The ten encodings, in their order, each with its fonts.
TEST(Encodings, AllAreListed) {
    EXPECT_EQ(legacyEncodingList(", "), "PANCHARI, ML-TT, Matweb, Haritha, MLB, MLBW, Thoolika, Jaya, Kairali, Chowara");
    std::size_t tables = 0;
    for (const auto& entry : fs::directory_iterator(encodingsDir()))
        tables += entry.path().filename().string().ends_with("_unicode.tsv");
    EXPECT_EQ(legacyEncodings().size(), tables) << "every table in encodings/ is an encoding";
    const struct {
        const char* font;
        const char* encoding;
    } fonts[] = {{"Manorama", "PANCHARI"},          {"ML-TTKarthika", "ML-TT"},      {"MLB-TTKarthika", "MLB"},
                 {"MLB-TTRevathi Bold", "MLB"},     {"MLBW-TTKarthika", "MLBW"},     {"Matweb", "Matweb"},
                 {"Thoolika", "Thoolika"},          {"Ssoft's-Veena-ML", "Thoolika"}, {"J*Mlm*Jaya", "Jaya"},
                 {"PMLTKairali", "Kairali"},        {"Janaranjani", "Chowara"},      {"Haritha", "Haritha"}};
    for (const auto& f : fonts) {
        const LegacyFont* font = legacyFontNamed(f.font);
        ASSERT_NE(font, nullptr) << f.font;
        EXPECT_EQ(font->encoding().name(), f.encoding) << f.font;
    }
    // An encoding's name finds its first font; an unknown name nothing.
    ASSERT_NE(legacyFontCalled("matweb"), nullptr);
    EXPECT_EQ(legacyFontCalled("matweb")->encoding().name(), "Matweb");
    EXPECT_EQ(legacyFontCalled("MLB")->encoding().name(), "MLB");
    EXPECT_EQ(legacyFontCalled("Klingon"), nullptr);
    EXPECT_EQ(legacyEncodingCalled("ml-tt"), &mlttEncoding());
}

// The project's tables hold what the shared ones hold: the same rows and font names.
TEST(Encodings, TablesMatchTheSharedOnes) {
    const fs::path shared = fs::path(TOLVARIN_SHARED_DIR) / "unicode";
    if (!fs::is_directory(shared)) GTEST_SKIP() << "no shared tables at " << shared;
    for (const LegacyEncoding* e : legacyEncodings()) {
        if (!fs::exists(shared / fileOf(*e))) continue;
        const TableFile ours = readTable(encodingsDir() / fileOf(*e)), theirs = readTable(shared / fileOf(*e));
        EXPECT_EQ(ours.rows, theirs.rows) << fileOf(*e);
        EXPECT_EQ(ours.fonts, theirs.fonts) << fileOf(*e);
    }
}

class EachEncoding : public testing::TestWithParam<std::size_t> {
protected:
    const LegacyEncoding& encoding() const { return *legacyEncodings()[GetParam()]; }
};

// 256 rows, each code's value as its row says it, and a kind for every code that
// follows from it; every font name listed finds the encoding.
TEST_P(EachEncoding, TakesItsTable) {
    const LegacyEncoding& e = encoding();
    const TableFile t = readTable(encodingsDir() / fileOf(e));
    ASSERT_EQ(t.values.size(), 256u) << fileOf(e);
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(fileOf(e) + " code " + std::to_string(c));
        const auto code = std::uint8_t(c);
        const UnicodeValue& v = e.value(code);
        EXPECT_EQ(valueText(v), t.values.at(c));
        const GlyphKind k = e.kind(code);
        if (e.isLatin(code)) {
            EXPECT_EQ(k, GlyphKind::Unknown) << "a Latin code stays as typed";
            EXPECT_TRUE(e.keptAsTyped(code));
        } else if (v.length == kNoValue) {
            EXPECT_EQ(k, GlyphKind::Unknown);
            EXPECT_TRUE(e.keptAsTyped(code));
        } else if (v.length == kGeminate) {
            EXPECT_EQ(k, GlyphKind::Geminate);
        } else {
            EXPECT_NE(k, GlyphKind::Unknown);
            // A code that stands alone converts to its own value.
            if (k == GlyphKind::Other || (k == GlyphKind::Base && e.role(code) == GlyphRole::None)) {
                EXPECT_EQ(utf8(convertLegacyText(firstFontOf(e), &code, 1, true)),
                          utf8(std::u16string_view(v.points, std::size_t(v.length))));
            }
        }
        if (e.role(code) == GlyphRole::PostBase) {
            EXPECT_EQ(k, GlyphKind::Medial);
        }
    }
    for (const std::string& name : t.fonts) {
        const LegacyFont* font = legacyFontNamed(name);
        ASSERT_NE(font, nullptr) << name;
        EXPECT_EQ(&font->encoding(), &e) << name;
    }
    // Its NTA codes draw ന്റ.
    if (e.table().ntaChillu >= 0) {
        const std::uint8_t nta[] = {std::uint8_t(e.table().ntaChillu), std::uint8_t(e.table().ntaRra)};
        EXPECT_EQ(utf8(convertLegacyText(firstFontOf(e), nta, 2, true)), "ന്റ");
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, EachEncoding, testing::Range(std::size_t(0), legacyEncodings().size()),
                         [](const testing::TestParamInfo<std::size_t>& info) {
                             std::string name;
                             for (char c : legacyEncodings()[info.param]->name())
                                 if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                             return name;
                         });

// What the newer encodings need of the ordering, each rule a case: typed glyphs (by their
// values, looked up in the encoding) and the Unicode they give.
TEST(Encodings, OrderingRules) {
    const struct {
        const char* encoding;
        std::vector<std::u16string> typed;
        const char* expected;
        const char* what;
    } cases[] = {
        {"Matweb", {u"്ര", u"ന", u"്ത"}, "ന്ത്ര", "a ra sign goes after a post-base consonant sign"},
        {"Matweb", {u"െ", u"്ര", u"ന", u"്ത"}, "ന്ത്രെ", "and a vowel sign typed before goes after both"},
        {"Matweb", {u"്ര", u"ക"}, "ക്ര", "a ra sign alone still follows its consonant"},
        {"Kairali", {u"്ര", u"ന", u"്ത", u"ാ"}, "ന്ത്രാ", "a post-base sign and a vowel sign after it"},
        {"Thoolika", {u"ൎ", u"ക"}, "ൎക", "the dot reph comes before its consonant"},
        {"Thoolika", {u"െ", u"ൎ", u"ക"}, "ൎകെ", "the dot reph and a pre-base vowel sign typed before"},
        {"Thoolika", {u"ക", u"ൎ"}, "കൎ", "a dot reph with no consonant after it stays where it is"},
        {"Chowara", {u"്ര", u"ന", u"്ത"}, "ന്ത്ര", "post-base signs in another part of the code page"},
    };
    for (const auto& c : cases) {
        const LegacyEncoding* e = legacyEncodingCalled(c.encoding);
        ASSERT_NE(e, nullptr) << c.encoding;
        std::vector<std::uint8_t> codes;
        for (const std::u16string& glyph : c.typed) codes.push_back(codeOf(*e, glyph));
        EXPECT_EQ(utf8(convertLegacyText(firstFontOf(*e), codes.data(), codes.size(), true)), c.expected)
            << c.encoding << ": " << c.what;
    }
    // The doubling mark after a consonant.
    const LegacyEncoding& matweb = *legacyEncodingCalled("Matweb");
    const std::uint8_t doubled[] = {codeOf(matweb, u"ക"), 0xFE};
    EXPECT_EQ(utf8(convertLegacyText(firstFontOf(matweb), doubled, 2, true)), "ക്ക");
}

// A bilingual font's Latin half stays exactly as typed, and is not counted; its spaces
// stay with it, and its Malayalam half converts.
TEST(Encodings, BilingualLatinStaysAsTyped) {
    const LegacyEncoding& mlb = *legacyEncodingCalled("MLB");
    const LegacyFont& font = *legacyFontNamed("MLB-TTKarthika");
    std::string typed = "Hymn No. 25 ";
    typed += char(codeOf(mlb, u"ക"));
    typed += char(codeOf(mlb, u"ാ"));
    const auto* codes = reinterpret_cast<const std::uint8_t*>(typed.data());
    EXPECT_EQ(utf8(convertLegacyText(font, codes, typed.size(), true)), "Hymn No. 25 കാ");
    ConvertedStretch out;
    LegacyCounts counts;
    const FontRun run{0, &font};
    convertLegacyStretch(mlb, codes, typed.size(), {&run, 1}, true, out, counts);
    EXPECT_EQ(out.kept.size(), 11u) << "Hymn No. 25 with its spaces, kept as typed";
    EXPECT_EQ(counts.totalConverted(), 3u) << "the space before the Malayalam and its two codes";
    EXPECT_EQ(counts.totalKept(), 0u) << "Latin text is no code without a value";
    // Latin text alone: nothing converted, nothing kept.
    LegacyCounts latin;
    convertLegacyStretch(mlb, codes, 11, {&run, 1}, true, out, latin);
    EXPECT_EQ(latin.totalConverted() + latin.totalKept(), 0u);
}
