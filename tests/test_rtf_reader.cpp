#include <gtest/gtest.h>

#include "model/document.h"
#include "test_support.h"

using namespace tolvarin;
using tolvarin::test::codes;

namespace {

Document read(std::string_view rtf) {
    Document d;
    LoadResult r = d.setRtf(rtf);
    EXPECT_TRUE(r.ok) << r.description;
    return d;
}

struct TextCase {
    const char* what;
    std::string rtf;
    std::u16string text;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.what; }

class ReaderText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ReaderText, Reads) {
    const TextCase& c = GetParam();
    EXPECT_EQ(read(c.rtf).text(), c.text) << c.what;
}

const char* kFonts = R"({\fonttbl{\f0\fnil\fcharset0 Arial;}{\f1\fnil\fcharset2 PANCHARI;}{\f2\fcharset204 Cyr;}{\f3\fcharset161 Grk;}})";

std::string doc(std::string body, std::string header = "\\ansi\\ansicpg1252\\deff0") {
    return "{\\rtf1" + header + kFonts + body + "}";
}

INSTANTIATE_TEST_SUITE_P(
    Features, ReaderText,
    ::testing::Values(
        TextCase{"plain text", doc("Hello world"), u"Hello world"},
        TextCase{"control word delimiter space", doc("\\b Hi\\b0  there"), u"Hi there"},
        TextCase{"line ends are not text", doc("a\r\nb\nc"), u"abc"},
        TextCase{"hex escapes", doc("\\'e9\\'93x"), u"\u00E9\u201Cx"},
        TextCase{"par line tab", doc("a\\par b\\line c\\tab d"), u"a\nb\vc\td"},
        TextCase{"escaped markup characters", doc("\\\\ \\{ \\}"), u"\\ { }"},
        TextCase{"symbol words", doc("\\lquote\\rquote\\ldblquote\\rdblquote\\endash\\emdash\\bullet"),
                 u"\u2018\u2019\u201C\u201D\u2013\u2014\u2022"},
        TextCase{"control symbols", doc("a\\~b\\-c\\_d"), u"a\u00A0b\u00ADc\u2011d"},
        TextCase{"unicode with fallback", doc("\\u1077?x"), u"\u0435x"},
        TextCase{"negative unicode", doc("\\u-4064?"), u"\uF020"},
        TextCase{"uc2 skips two", doc("\\uc2\\u1077??x"), u"\u0435x"},
        TextCase{"uc0 skips nothing", doc("\\uc0\\u1077 x"), u"\u0435x"},
        TextCase{"fallback as hex", doc("\\u1077\\'3fx"), u"\u0435x"},
        TextCase{"fallback as control word", doc("\\u1077\\par x"), u"\u0435x"},
        TextCase{"uc is group scoped", doc("{\\uc2 \\u1077??}\\u1077?x"), u"\u0435\u0435x"},
        TextCase{"fallback ends at a group", doc("\\uc3\\u1077{x}"), u"\u0435x"},
        TextCase{"surrogate pair", doc("\\u-10179?\\u-8704?"), u"\U0001F600"},
        TextCase{"bin skipped by count", doc("a{\\pict\\bin4 }{}}}b"), u"ab"},
        TextCase{"bin in text skipped", doc("a\\bin3 x}yb"), u"ab"},
        TextCase{"ignorable destination", doc("a{\\*\\unknown stuff {nested}}b"), u"ab"},
        TextCase{"known skipped destinations",
                 doc("{\\colortbl;\\red0\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}"
                     "{\\pict\\wmetafile8 0a0b}a{\\*\\bkmkstart x}b{\\*\\bkmkend x}"),
                 u"ab"},
        TextCase{"field keeps its result", doc("{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}"), u"link"},
        TextCase{"field instruction without star", doc("{\\field{\\fldinst PAGE}{\\fldrslt 3}}"), u"3"},
        TextCase{"object keeps its result", doc("{\\object{\\*\\objdata 0102}{\\result r}}"), u"r"},
        TextCase{"cyrillic charset", doc("\\f2 \\'e0\\'e1"), u"\u0430\u0431"},
        TextCase{"greek charset", doc("\\f3 \\'e1"), u"\u03B1"},
        TextCase{"ANSI charset font stays 1252 under another ansicpg",
                 "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 X;}}\\'e4}", u"\u00E4"},
        TextCase{"ansicpg without font charset", "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 X;}}\\'e0}", u"\u0430"},
        TextCase{"symbol font keeps its codes", doc("\\f1 \\'cc\\'91"), codes({0xCC, 0x91})},
        TextCase{"symbol font in private use range", doc("\\f1 \\u61644\\'3f\\u61474?"), codes({0xCC, 0x22})},
        TextCase{"private use in other fonts stays", doc("\\f0 \\u61644?"), u"\uF0CC"},
        TextCase{"LibreOffice hich pairs", doc("\\loch\\f1\\hich\\af1\\dbch\\af2\\loch\\f1 \\'cc"), codes({0xCC})},
        TextCase{"open groups are closed at the end", "{\\rtf1{\\b a{\\i b", u"ab"},
        TextCase{"trailing junk after the document", "{\\rtf1 a}\r\n\0junk", u"a"},
        TextCase{"list labels stay as text", doc("{\\listtext 1.\\tab}Item"), u"1.\tItem"},
        TextCase{"footnote marks are numbered", doc("a{\\super\\chftn}{\\footnote x}b{\\chftn}"), u"a1b2"},
        TextCase{"a stray star mid-group means nothing", doc("{\\i0\\*\\cs7 kept}"), u"kept"},
        TextCase{"nested table cells inside their properties", doc("{\\*\\nesttableprops\\trowd a\\nestcell}"), u"a\t"},
        TextCase{"Shift-JIS by font charset", "{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 \\'82\\'a0a\\'b1}",
                 u"\u3042a\uFF71"},
        TextCase{"GBK by ansicpg", "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0 SimSun;}}\\f0 \\'b0\\'a1}", u"\u554A"},
        TextCase{"Big5 with raw bytes", "{\\rtf1{\\fonttbl{\\f0\\fcharset136 MingLiU;}}\\f0 \xa4\x40}", u"\u4E00"},
        TextCase{"Korean with unicode and fallback", "{\\rtf1{\\fonttbl{\\f0\\fcharset129 Batang;}}\\f0\\uc2 \\u44032\\'b0\\'a1x}",
                 u"\uAC00x"},
        TextCase{"nested table fallback is skipped", doc("a{\\*\\nonesttables fallback}{\\nonesttables x}b"), u"ab"},
        TextCase{"table cells", doc("a\\cell b\\cell\\row c"), u"a\tb\t\nc"},
        TextCase{"headers are not body text", doc("{\\header H}body"), u"body"}));

TEST(Reader, CharacterFormatting) {
    Document d = read(doc("\\f0\\fs20 a{\\b\\i\\ul b}{\\f1\\uld c\\ulnone d\\b e\\b0 f}\\plain g\\fs30 h"));
    ASSERT_EQ(d.text(), u"abcdefgh");
    struct Expect {
        const char* font;
        bool b, i, u;
        int size;
    } expected[] = {{"Arial", 0, 0, 0, 20},    {"Arial", 1, 1, 1, 20},    {"PANCHARI", 0, 0, 1, 20},
                    {"PANCHARI", 0, 0, 0, 20}, {"PANCHARI", 1, 0, 0, 20}, {"PANCHARI", 0, 0, 0, 20},
                    {"Arial", 0, 0, 0, 24},    {"Arial", 0, 0, 0, 30}};
    for (std::size_t p = 1; p <= d.length(); ++p) {
        const Expect& e = expected[p - 1];
        CharAttributes a = d.attributesAt(p);
        EXPECT_EQ(a.fontName, e.font) << p;
        EXPECT_EQ(a.bold, e.b ? Tristate::Set : Tristate::NotSet) << p;
        EXPECT_EQ(a.italic, e.i ? Tristate::Set : Tristate::NotSet) << p;
        EXPECT_EQ(a.underline, e.u ? Tristate::Set : Tristate::NotSet) << p;
        EXPECT_EQ(a.fontSize, e.size) << p;
    }
    EXPECT_EQ(d.attributesAt(0).bold, Tristate::Mixed);
    EXPECT_EQ(d.attributesAt(9).fontName, "");
}

TEST(Reader, FontTableForms) {
    // Flat tables, names with hex escapes and panose or falt groups.
    Document flat = read("{\\rtf1{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\fnil Pan\\'e7a;}\\f1 x\\f0 y}");
    EXPECT_EQ(flat.attributesAt(1).fontName, "Pan\xc3\xa7" "a");
    EXPECT_EQ(flat.attributesAt(2).fontName, "Helvetica");
    Document nested = read(
        "{\\rtf1{\\fonttbl{\\f0\\froman\\fcharset2\\fprq2{\\*\\panose 02020603050405020304}PANCHARI{\\*\\falt P};}}\\f0 x}");
    EXPECT_EQ(nested.attributesAt(1).fontName, "PANCHARI");
    EXPECT_EQ(nested.attributesAt(1).charset, kSymbolCharset);
    // \deff chooses the font of text that names none.
    Document deff = read("{\\rtf1\\deff1{\\fonttbl{\\f0 A;}{\\f1 B;}}x\\f0 y\\plain z}");
    EXPECT_EQ(deff.attributesAt(1).fontName, "B");
    EXPECT_EQ(deff.attributesAt(2).fontName, "A");
    EXPECT_EQ(deff.attributesAt(3).fontName, "B");
}

TEST(Reader, EveryWindowsSingleByteCodePage) {
    // Byte 0xC0 in each Windows code page, checked against the code pages' own charts.
    struct {
        int charset;
        char16_t c0;
    } pages[] = {{222, u'\u0E20'}, {238, u'\u0154'}, {204, u'\u0410'}, {0, u'\u00C0'}, {161, u'\u0390'},
                 {162, u'\u00C0'}, {177, u'\u05B0'}, {178, u'\u06C1'}, {186, u'\u0104'}, {163, u'\u00C0'}};
    for (auto p : pages) {
        std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset" + std::to_string(p.charset) + " F;}}\\'c0}";
        EXPECT_EQ(read(rtf).text(), std::u16string(1, p.c0)) << p.charset;
    }
}

struct DamageCase {
    const char* what;
    std::string rtf;
    bool ok;
    std::size_t offset;
    const char* message;  // part of the description
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.what; }

class ReaderDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(ReaderDamage, Outcome) {
    const DamageCase& c = GetParam();
    Document d;
    d.append(u"old", CharFormat{});
    LoadResult r = d.setRtf(c.rtf);
    EXPECT_EQ(r.ok, c.ok) << c.what << ": " << r.description;
    if (!c.ok) {
        EXPECT_EQ(r.offset, c.offset) << c.what;
        EXPECT_NE(r.description.find(c.message), std::string::npos) << r.description;
        EXPECT_EQ(d.text(), u"old") << "a failed load leaves the document as it was";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ladder, ReaderDamage,
    ::testing::Values(
        DamageCase{"empty file", "", false, 0, "not an RTF document"},
        DamageCase{"plain text", "Hello", false, 0, "not an RTF document"},
        DamageCase{"leading space", " {\\rtf1 a}", false, 0, "not an RTF document"},
        DamageCase{"binary garbage", std::string("\x00\xff\x13{\\rtf", 8), false, 0, "not an RTF document"},
        DamageCase{"a closing brace too many is read past", "{\\rtf1 a}}b", true, 0, ""},
        DamageCase{"line ends and spaces between the brace and \\rtf", "{\r\n  \\rtf1 a}", true, 0, ""},
        DamageCase{"backslash at the end", "{\\rtf1 a\\", false, 8, "backslash ends the file"},
        DamageCase{"half a hex escape", "{\\rtf1 a\\'4", false, 8, "hexadecimal"},
        DamageCase{"bad hex escape", "{\\rtf1 a\\'zz}", false, 8, "hexadecimal"},
        DamageCase{"huge bin", "{\\rtf1 a\\bin2147483647 xyz}", false, 8, "\\bin"},
        DamageCase{"bin past the end", "{\\rtf1 a\\bin10 xy}", false, 8, "\\bin"},
        DamageCase{"huge parameter", "{\\rtf1\\fs99999999999 a}", false, 6, "10 digits"},
        DamageCase{"long keyword", "{\\rtf1\\" + std::string(40, 'a') + " x}", false, 6, "32 letters"},
        DamageCase{"largest parameter is fine", "{\\rtf1\\fs2147483647 a}", true, 0, ""},
        DamageCase{"negative parameter is fine", "{\\rtf1\\fs-5 a}", true, 0, ""},
        DamageCase{"deep nesting", "{\\rtf1" + std::string(100000, '{') + "a" + std::string(100000, '}') + "}",
                   false, 10005, "nested"},
        DamageCase{"nesting within the limit", "{\\rtf1" + std::string(5000, '{') + "a" + std::string(5000, '}') + "}",
                   true, 0, ""}));

TEST(Reader, TruncatedAtEveryByte) {
    // Every prefix of a real document either loads (groups closed) or is refused
    // with an offset inside the prefix; none may crash or read past its end.
    std::string full = test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.rtf");
    ASSERT_GT(full.size(), 500u);
    Document whole = read(full);
    for (std::size_t n = 0; n <= full.size(); ++n) {
        std::string prefix = full.substr(0, n);
        Document d;
        LoadResult r = d.setRtf(prefix);
        if (n < 5) {
            EXPECT_FALSE(r.ok) << n;
            continue;
        }
        if (r.ok) {
            // A cut can change the last word (\pard read as \par), so only the last
            // character may differ from the whole document's text.
            ASSERT_LE(d.length(), whole.length() + 1) << n;
            std::size_t same = d.length() == 0 ? 0 : d.length() - 1;
            EXPECT_EQ(whole.text().substr(0, same), d.text().substr(0, same)) << n;
        } else {
            EXPECT_LE(r.offset, n) << n;
        }
    }
}
}  // namespace
