// Text written in a legacy font: documents in place, plain text, and the route through
// Unicode against the glyph rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "api/convert_document.h"
#include "core/legacy_text.h"
#include "fonts/legacy_encoder.h"
#include "package_support.h"
#include "test_support.h"
#include "text/utf8.h"

using namespace tolvarin;
using namespace tolvarin::test;

namespace {

std::string utf8(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) appendUtf8(out, c);
    return out;
}

std::u32string utf32(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) out += nextCodePoint(s, i);
    return out;
}

}  // namespace

// Every hand-written document, in Unicode, written in each legacy font and read back:
// its text comes back as it was, whatever the font's encoding.
TEST(LegacyTarget, DocumentsComeBackThroughEveryFont) {
    for (const DocxCase& c : docxCases()) {
        SCOPED_TRACE(c.name);
        std::string unicode;
        ASSERT_TRUE(convert(docx(c), unicode, unicodeOptions()).ok);
        for (const char* font : {"ML-TTKarthika", "PANCHARI", "Matweb", "MLB-TTRevathi", "Thoolika"}) {
            SCOPED_TRACE(font);
            std::string legacy, back, text;
            const ConversionReport r = convert(unicode, legacy, toFont(font));
            ASSERT_TRUE(r.ok) << r.error;
            EXPECT_GT(r.converted(), 0u);
            EXPECT_EQ(r.counts.notDrawn, 0u);
            ASSERT_TRUE(convert(legacy, back, unicodeOptions()).ok);
            ASSERT_TRUE(unicodeTextOf(back, text).ok);
            EXPECT_EQ(text, c.expected);
        }
    }
}

// A Unicode run's bold and size come from its complex-script properties; English in the
// same run stays in its own font, in a run of its own; spaces between Malayalam words go
// with them, and so does the punctuation after them.
TEST(LegacyTarget, UnicodeRunsTakeTheirLookAndKeepTheirEnglish) {
    const std::string body =
        "<w:p><w:r><w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\" w:cs=\"Kartika\"/><w:bCs/><w:szCs w:val=\"32\"/>"
        "</w:rPr><w:t xml:space=\"preserve\">Hello കേരളം സംസ്ഥാനം!</w:t></w:r></w:p>";
    std::string out;
    const ConversionReport r = convert(docx({"mixed", body, {}}), out, toFont("ML-TTKarthika"));
    ASSERT_TRUE(r.ok) << r.error;
    const std::string document = zipMembers(out, false).at("word/document.xml");
    const std::string codes = encodeText(mlttEncoding(), U"കേരളം സംസ്ഥാനം!").codes;
    std::string asText;
    for (char c : codes) appendUtf8(asText, decodeCp1252(std::uint8_t(c)));
    EXPECT_NE(document.find(">Hello </w:t>"), std::string::npos) << document;
    EXPECT_NE(document.find(">" + asText + "</w:t>"), std::string::npos) << document;
    EXPECT_NE(document.find("w:ascii=\"ML-TTKarthika\""), std::string::npos);
    EXPECT_NE(document.find("<w:b/>"), std::string::npos) << "the complex script's bold, written as the Western";
    EXPECT_NE(document.find("<w:sz w:val=\"32\"/>"), std::string::npos) << document;
    EXPECT_EQ(r.counts.unicode, 13u);  // the Malayalam characters, not the space between
}

// Text already in the font's encoding keeps its codes and takes its name; another
// legacy font's goes through Unicode.
TEST(LegacyTarget, SameEncodingKeepsItsCodes) {
    const std::string body = "<w:p>" + run(typed({0xB5, 0xDE, 0xCC}), "PANCHARI") + "</w:p>";
    std::string out;
    const ConversionReport r = convert(docx({"same", body, {}}), out, toFont("Manorama"));
    ASSERT_TRUE(r.ok) << r.error;
    const std::string document = zipMembers(out, false).at("word/document.xml");
    EXPECT_NE(document.find(">" + typed({0xB5, 0xDE, 0xCC}) + "</w:t>"), std::string::npos) << document;
    EXPECT_NE(document.find("w:ascii=\"Manorama\""), std::string::npos) << document;
    EXPECT_EQ(r.converted(), 3u);
}

// PANCHARI into ML-TT: the glyph rules, and the route through Unicode, draw the same
// text wherever both apply.
TEST(LegacyTarget, RulesAndUnicodeRouteAgree) {
    const LegacyEncoding& p = panchariEncoding();
    std::size_t compared = 0;
    for (int a = 0xA1; a <= 0xF9; ++a) {
        for (int b : {-1, 0xDE, 0xE1, 0xE6, 0xEF, 0xA1, 0xCC}) {
            std::vector<std::uint8_t> codes{std::uint8_t(a)};
            if (b >= 0) codes.push_back(std::uint8_t(b));
            if (p.value(codes[0]).length <= 0) continue;
            const std::u16string unicode = convertLegacyText(panchariFont(), codes.data(), codes.size(), true);
            const std::u16string rules = convertLegacyText(panchariFont(), codes.data(), codes.size(), false);
            std::string viaRules;
            for (char16_t c : rules) viaRules += char(encodeCp1252(c));
            const EncodedText viaUnicode = encodeText(mlttEncoding(), std::u32string(unicode.begin(), unicode.end()));
            if (viaUnicode.notDrawnCount || viaUnicode.approximated) continue;
            const auto read = [](const std::string& s) {
                return convertLegacyText(mlttFont(), reinterpret_cast<const std::uint8_t*>(s.data()), s.size(), true);
            };
            ++compared;
            EXPECT_EQ(utf8(read(viaRules)), utf8(read(viaUnicode.codes))) << std::hex << a << " " << b;
        }
    }
    EXPECT_GT(compared, 300u);
}

// A plain text file: Unicode written in a font's codes, and those codes read back with
// --from; what the font cannot draw is named.
// Markup (and RTF without its header) is a kind of document Tolvarin does not convert: with a font to write in, it is
// refused as it is without one, not taken as plain text.
TEST(LegacyTarget, MarkupIsNotPlainText) {
    for (const std::string& markup : {std::string("<html><body>കേരളം</body></html>"),
                                      std::string("\xEF\xBB\xBF\n  <?xml version=\"1.0\"?><p>കേരളം</p>"),
                                      std::string("{\\pard കേരളം\\par}")}) {
        std::string out, unused;
        const ConversionReport r = convert(markup, out, toFont("ML-TTKarthika"));
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(out.empty());
        const ConversionReport without = convert(markup, unused, ConversionOptions{});
        EXPECT_FALSE(without.ok);
        EXPECT_EQ(r.error, without.error);
    }
}

TEST(LegacyTarget, PlainTextBothWays) {
    const std::string text = "കേരളം ഌ\nസ്ത്രീ\n";
    std::string codes;
    const ConversionReport r = convert(text, codes, toFont("ML-TTKarthika"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.written, WrittenFormat::Text);
    EXPECT_EQ(r.counts.notDrawn, 1u);
    EXPECT_EQ(r.counts.notDrawnCharacters, U"ഌ");
    EXPECT_EQ(codes, encodeText(mlttEncoding(), utf32(text)).codes);

    ConversionOptions back = unicodeOptions();
    std::string error;
    ASSERT_TRUE(legacySourcesCalled("ML-TT", back, error)) << error;
    std::string unicode;
    ASSERT_TRUE(convert(codes, unicode, back).ok);
    EXPECT_EQ(unicode, "കേരളം ?\nസ്ത്രീ\n");

    // The same text saved with a byte-order mark, as UTF-8 or as Notepad's UTF-16 of
    // either order, gives the same codes.
    std::string little = "\xFF\xFE", big = "\xFE\xFF";
    for (char16_t c : u"കേരളം ഌ\nസ്ത്രീ\n") {
        if (!c) break;
        little += char(c & 0xFF), little += char(c >> 8);
        big += char(c >> 8), big += char(c & 0xFF);
    }
    for (const std::string& saved : {"\xEF\xBB\xBF" + text, little, big}) {
        std::string same;
        const ConversionReport s = convert(saved, same, toFont("ML-TTKarthika"));
        ASSERT_TRUE(s.ok) << s.error;
        EXPECT_EQ(s.written, WrittenFormat::Text);
        EXPECT_EQ(same, codes);
    }
}

// A document's text in a font's codes is its Unicode text written so.
TEST(LegacyTarget, DocumentTextInAFont) {
    const DocxCase& c = docxCases().front();
    ConversionOptions options = toFont("PANCHARI");
    options.textOnly = true;
    std::string codes;
    ASSERT_TRUE(convert(docx(c), codes, options).ok);
    EXPECT_EQ(codes, encodeText(panchariEncoding(), utf32(c.expected)).codes);
}

// What --to and --from take, and what they refuse.
TEST(LegacyTarget, NamesOfFontsAndEncodings) {
    const struct {
        const char* name;
        bool ok;
        const char* font;  // written under
        const char* error;
    } cases[] = {
        {"ml-ttkarthika", true, "ML-TTKarthika", ""},
        {"PANCHARI", true, "PANCHARI", ""},
        {"Manorama", true, "Manorama", ""},
        {"unicode", true, "", ""},
        {"ML-TT", false, "", "ML-TT is an encoding, not a font: name one of its fonts, as ML-TT"},
        {"Nirmala UI", false, "", "no legacy font is called Nirmala UI"},
    };
    for (const auto& c : cases) {
        ConversionOptions options;
        std::string error;
        EXPECT_EQ(legacyTargetCalled(c.name, options, error), c.ok) << c.name;
        EXPECT_EQ(options.toFont, c.font) << c.name;
        EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error) << c.name;
    }
    ConversionOptions options;
    std::string error;
    EXPECT_TRUE(legacySourcesCalled("ML-TT, unicode", options, error));
    EXPECT_TRUE(options.fromUnicode);
    EXPECT_TRUE(options.converts(mlttEncoding()));
    EXPECT_FALSE(options.converts(panchariEncoding()));
    EXPECT_FALSE(legacySourcesCalled("Klingon", options, error));
    EXPECT_NE(error.find("no encoding is called Klingon"), std::string::npos);
}

// The same letter as DOCX, ODT, ODP, ODS, PPTX and XLSX, in Unicode, written in a legacy font in
// place: each comes back as its Unicode text, and the formats agree on what they wrote.
TEST(LegacyTarget, FormatsAgree) {
    std::size_t written = 0;
    for (const char* name : {"letter.docx", "letter.odt", "letter.odp", "letter.ods", "letter.pptx", "letter.xlsx"}) {
        SCOPED_TRACE(name);
        const std::string input = readFile(dataDir() / "office" / name);
        std::string unicode, legacy, back, before, after;
        ASSERT_TRUE(convert(input, unicode, unicodeOptions()).ok);
        const ConversionReport r = convert(unicode, legacy, toFont("ML-TTKarthika"));
        ASSERT_TRUE(r.ok) << r.error;
        if (written == 0) written = r.converted();
        EXPECT_EQ(r.converted(), written);
        ASSERT_TRUE(convert(legacy, back, unicodeOptions()).ok);
        ASSERT_TRUE(unicodeTextOf(unicode, before).ok);
        ASSERT_TRUE(unicodeTextOf(back, after).ok);
        EXPECT_EQ(after, before);
        const FontsReport fonts = documentFonts(legacy);
        ASSERT_TRUE(fonts.ok);
        EXPECT_TRUE(std::any_of(fonts.fonts.begin(), fonts.fonts.end(),
                                [](const FontUse& f) { return f.name == "ML-TTKarthika" && f.encoding == "ML-TT"; }));
    }
    EXPECT_GT(written, 100u);
}

// --from chooses what a document written in a legacy font converts: the other encoding's
// text and Unicode stay as they were. Where it would be passed over, it is refused.
TEST(LegacyTarget, FromLimitsWhatConverts) {
    const std::string body = "<w:p>" + run(typed({0xB5, 0xDE}), "PANCHARI") +
                             "<w:r><w:rPr><w:rFonts w:ascii=\"Kartika\" w:hAnsi=\"Kartika\"/></w:rPr><w:t>കേരളം</w:t></w:r></w:p>";
    const std::string input = docx({"two", body, {}});
    ConversionOptions options = toFont("ML-TTKarthika");
    std::string error;
    ASSERT_TRUE(legacySourcesCalled("unicode", options, error)) << error;
    std::string out;
    const ConversionReport r = convert(input, out, options);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.counts.unicode, 5u);
    EXPECT_EQ(r.counts.converted[panchariFont().index()], 0u);
    const std::string document = zipMembers(out, false).at("word/document.xml");
    EXPECT_NE(document.find(">" + typed({0xB5, 0xDE}) + "</w:t>"), std::string::npos) << "PANCHARI's stays";
    EXPECT_NE(document.find("w:ascii=\"PANCHARI\""), std::string::npos);

    ConversionOptions unicode = unicodeOptions();
    ASSERT_TRUE(legacySourcesCalled("PANCHARI", unicode, error));
    std::string none;
    const ConversionReport refused = convert(input, none, unicode);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("--from limits what converts only when"), std::string::npos) << refused.error;
    EXPECT_TRUE(none.empty());
}

// The same paragraph as RTF and as DOCX puts the same characters in the font: the
// Malayalam, the spaces between its words and the punctuation after them; English,
// punctuation before Malayalam and what the font does not draw as itself stay.
TEST(LegacyTarget, RtfAndDocxSetTheSameCharactersInTheFont) {
    const std::u32string text = U"Hello കേരളം, സംസ്ഥാനം! (ക) 2024 ക. x \u2013 ക\u2019";
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil\\fcharset0 Nirmala UI;}}\n"
        "\\pard\\plain\\f1 ";
    std::string utf8;
    for (const char32_t c : text) {
        appendUtf8(utf8, c);
        if (c < 0x80) rtf += char(c);
        else rtf += "\\u" + std::to_string(int(c)) + "?";
    }
    rtf += "\\par}";
    const std::string body =
        "<w:p><w:r><w:rPr><w:rFonts w:ascii=\"Nirmala UI\" w:hAnsi=\"Nirmala UI\" w:cs=\"Nirmala UI\"/></w:rPr>"
        "<w:t xml:space=\"preserve\">" + utf8 + "</w:t></w:r></w:p>";
    std::map<std::string, std::size_t> counts[2];
    const std::string inputs[] = {rtf, docx({"punctuation", body, {}})};
    for (int i = 0; i < 2; ++i) {
        std::string out;
        const ConversionReport r = convert(inputs[i], out, toFont("ML-TTKarthika"));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.counts.unicode, 16u) << i;
        const FontsReport fonts = documentFonts(out);
        ASSERT_TRUE(fonts.ok);
        for (const FontUse& f : fonts.fonts) counts[i][f.name] += f.characters;
    }
    EXPECT_GT(counts[0]["ML-TTKarthika"], 0u);
    EXPECT_EQ(counts[0]["ML-TTKarthika"], counts[1]["ML-TTKarthika"]);
    EXPECT_EQ(counts[0]["Nirmala UI"], counts[1]["Nirmala UI"]);
    // Kept in Nirmala UI: "Hello " and " x – " (the bracket follows Malayalam text).
    EXPECT_EQ(counts[1]["Nirmala UI"], 11u);
}
