// The same document as RTF, DOCX and ODT (the last two made by LibreOffice from the
// first) converts alike: the same text in the same fonts, the same codes kept as
// typed, the same counts, in both modes and in the text-only one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interop_support.h"
#include "text/utf8.h"

using namespace tolvarin;
using namespace tolvarin::interop;

namespace {

std::string hex(int code) {
    static constexpr char digits[] = "0123456789abcdef";
    return std::string("\\'") + digits[code >> 4] + digits[code & 15];
}

// Documents as RTF, each showing something the formats must agree on.
std::vector<std::pair<std::string, std::string>> documents() {
    const std::string head = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 PANCHARI;}{\\f2 Manorama;}"
                             "{\\f3 ML-TTKarthika;}}\\f1\\fs24 ";
    std::vector<std::pair<std::string, std::string>> docs;
    docs.emplace_back("letter", test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.rtf"));
    // A pair across runs of one font, across two of PANCHARI's names, and a second half
    // in Arial, which stays the user's text.
    docs.emplace_back("pairs", head + hex(0xCC) + "{\\b " + hex(0xEF) + "} " + hex(0xB5) + "\\f0 " + hex(0xEE) +
                                   "\\f1  " + hex(0xDC) + "\\f2 " + hex(0xF0) + " " + hex(0xD5) + "{\\i " + hex(0xEE) +
                                   "}\\par " + hex(0xB7) + "\\f3 " + hex(0xEF) + "\\par}");
    // What the glyph rules leave open: 0x60, and a la sign or doubling mark after a consonant
    // it makes no pair with, in one run and across runs.
    docs.emplace_back("choices", head + hex(0x60) + " " + hex(0xC8) + hex(0xEF) + " " + hex(0x82) + hex(0xEE) + " " +
                                     hex(0xC8) + "{\\b " + hex(0xF0) + "} " + hex(0x82) + "\\f2 " + hex(0xEE) + "\\par}");
    // Runs of spaces, leading ones and a tab in a symbol-charset PANCHARI, which word
    // processors write as U+F0xx: converted, they must still show.
    docs.emplace_back("spaces", "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 PANCHARI;}}\\f1   " + hex(0xB5) +
                                    "    " + hex(0xC9) + " \\tab " + hex(0xB5) + "  \\par\\f0 x\\f1   " + hex(0xB5) + "\\par}");
    // Codes with no Unicode value amid converted text, bold and not, and one alone.
    docs.emplace_back("kept", head + "{\\b " + hex(0xB5) + hex(0x80) + hex(0xB5) + "} " + hex(0xE6) + hex(0xFF) +
                                  hex(0xB5) + " x\\par " + hex(0xFA) + "\\par " + hex(0xE7) + hex(0x95) + hex(0xC9) +
                                  "\\f0  plain\\par}");
    // Every printable code of PANCHARI's, sixteen a paragraph.
    std::string glyphs = head;
    for (int code = 0x21; code <= 0xFF; ++code) {
        // Codes Windows-1252 leaves undefined are not characters a word processor keeps.
        if (code == 0x7F || code == 0x81 || code == 0x8D || code == 0x8F || code == 0x90 || code == 0x9D) continue;
        glyphs += hex(code);
        if (code % 16 == 15) glyphs += "\\par ";
    }
    docs.emplace_back("glyphs", glyphs + "\\par}");
    // Three legacy fonts and Arial in one paragraph and across them.
    docs.emplace_back("three fonts", head + hex(0xB5) + hex(0xDE) + " \\f3 " + hex(0xE6) + hex(0x79) + " \\f2 " +
                                         hex(0xCC) + hex(0xEE) + "\\f0  Arial \\f1 " + hex(0xC9) + "\\par\\f2 " +
                                         hex(0xB5) + "\\f3 " + hex(0xB5) + "\\f1 " + hex(0xB5) + "\\par}");
    // The newer encodings beside PANCHARI: Matweb's ra sign before a post-base sign and its
    // doubling mark, Thoolika's dot reph, and MLB's Latin half kept as typed.
    docs.emplace_back("more encodings", "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 PANCHARI;}{\\f2 Matweb;}"
                                        "{\\f3 Thoolika;}{\\f4 MLB-TTKarthika;}}\\f1 " + hex(0xB5) + hex(0xDE) + "\\f2  " +
                                        hex(0xE2) + hex(0x45) + hex(0xED) + " " + hex(0x4A) + hex(0xFE) + "\\f3  " +
                                        hex(0x97) + hex(0x4A) + "\\par\\f4 Hymn No. 25 " + hex(0x89) + hex(0xAF) +
                                        "\\f0  Arial\\par}");
    return docs;
}

std::string utf8(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) appendUtf8(out, c);
    return out;
}

// What a converted document reads as: its text, and beside each character the font it
// is in (but for tabs and breaks, whose font does not show), paragraphs apart; empty
// paragraphs at the end are not told apart.
struct ReadBack {
    std::u16string text;
    std::vector<std::string> fonts;
};

ReadBack readBack(const std::string& bytes) {
    Document doc;
    ReadBack r;
    const LoadResult loaded = loadDocument(bytes, doc);
    EXPECT_TRUE(loaded.ok) << loaded.description;
    r.text = doc.text();
    for (std::size_t i = 1; i <= doc.length(); ++i)
        r.fonts.push_back(doc.text()[i - 1] < 0x20 ? std::string() : doc.formatAt(i).font.name);
    while (!r.text.empty() && r.text.back() == u'\n') {
        r.text.pop_back();
        r.fonts.pop_back();
    }
    return r;
}

}  // namespace

TEST_F(Interop, FormatsConvertAlike) {
    test::TempDir dir;
    std::vector<fs::path> rtfs;
    const auto docs = documents();
    for (std::size_t d = 0; d < docs.size(); ++d) {
        rtfs.push_back(dir.path() / ("doc" + std::to_string(d) + ".rtf"));
        test::writeFile(rtfs.back(), docs[d].second);
    }
    office.convert(rtfs, "docx", dir.path());
    office.convert(rtfs, "odt", dir.path());
    for (std::size_t d = 0; d < docs.size(); ++d) {
        SCOPED_TRACE(docs[d].first);
        std::vector<std::pair<std::string, std::string>> formats;
        for (const char* extension : {".rtf", ".docx", ".odt"}) {
            const fs::path file = fs::path(rtfs[d]).replace_extension(extension);
            ASSERT_TRUE(fs::exists(file)) << "LibreOffice made no " << extension;
            formats.emplace_back(extension, test::readFile(file));
        }
        for (int mode = 0; mode < 3; ++mode) {
            ConversionOptions options = test::unicodeOptions(mode > 0);
            options.textOnly = mode == 2;
            SCOPED_TRACE(mode == 0 ? "ML-TTRevathi" : mode == 1 ? "Unicode" : "text");
            std::string rtfOut;
            const ConversionReport rtf = test::convert(formats[0].second, rtfOut, options);
            ASSERT_TRUE(rtf.ok) << rtf.error;
            EXPECT_GT(rtf.converted(), 0u);
            for (std::size_t f = 1; f < formats.size(); ++f) {
                SCOPED_TRACE(formats[f].first);
                std::string out;
                const ConversionReport r = test::convert(formats[f].second, out, options);
                ASSERT_TRUE(r.ok) << r.error;
                EXPECT_EQ(r.counts.converted, rtf.counts.converted);
                EXPECT_EQ(r.counts.kept, rtf.counts.kept);
                if (options.textOnly) {
                    EXPECT_EQ(out, rtfOut);
                    continue;
                }
                if (docs[d].first == std::string("three fonts")) {
                    // Each legacy font counted under its own name; ML-TT's text converts to Unicode only.
                    EXPECT_EQ(r.counts.converted[panchariFont().index()], 5u);
                    EXPECT_EQ(r.counts.converted[mlttFont().index()], mode > 0 ? 4u : 0u);
                    EXPECT_EQ(r.counts.converted[legacyFontCalled("Manorama")->index()], 3u);
                }
                const ReadBack a = readBack(rtfOut), b = readBack(out);
                EXPECT_EQ(utf8(b.text), utf8(a.text));
                if (b.text == a.text) {
                    EXPECT_EQ(b.fonts, a.fonts);
                }
            }
        }
    }
}

// The letter as RTF counts what a reader would count: its paragraph marks are not
// characters converted.
TEST(Formats, LetterCountsItsCharacters) {
    const std::string letter = test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.rtf");
    for (bool unicode : {false, true}) {
        std::string out;
        const ConversionReport r = test::convert(letter, out, test::unicodeOptions(unicode));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.converted(), 169u) << (unicode ? "Unicode" : "ML-TTRevathi");
        EXPECT_EQ(r.kept(), 0u);
    }
}
