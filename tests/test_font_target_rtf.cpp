// RTF documents written in a legacy font in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "fonts/legacy_encoder.h"
#include "test_support.h"
#include "text/utf8.h"

using namespace tolvarin;
using namespace tolvarin::test;

namespace {

std::string textOf(const std::string& rtf) {
    ConversionOptions options = unicodeOptions();
    options.textOnly = true;
    std::string text;
    EXPECT_TRUE(convert(rtf, text, options).ok);
    return text;
}

std::string utf8(std::u32string_view s) {
    std::string out;
    for (char32_t c : s) appendUtf8(out, c);
    return out;
}

const std::string kHead =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil\\fcharset0 Nirmala UI;}"
    "{\\f2\\fnil\\fcharset0 ML-TTRevathi;}{\\f3\\fnil\\fcharset0 PANCHARI;}}\n\\pard\\plain ";

}  // namespace

// A Unicode word's bold, italic and size (its complex-script ones) are written as the
// Western ones in a run of the font; spaces between words go with them, and so do the
// punctuation and digits after them that the font draws as themselves; what the font
// cannot draw, and every other script, stay as they were.
TEST(FontTargetRtf, RunsTakeTheirLook) {
    const struct {
        const char* body;
        const char* written;
        std::size_t converted;
    } cases[] = {
        {"\\f1\\afs28\\ab\\u3349?\\u3390?\\u3375?\\u3391?", "\\f1\\afs28\\ab{\\hich\\af4\\loch\\f4\\fs28\\b Imbn}", 4},
        {"\\f1\\u3349?\\u3391? \\u3349?\\u3391?", "\\f1{\\hich\\af4\\loch\\f4 In In}", 4},
        {"\\f1\\u3349?\\u3391? {\\ai\\u3349?\\u3391?} x", "\\f1{\\hich\\af4\\loch\\f4 In }{\\ai{\\hich\\af4\\loch\\f4\\i In}} x", 4},
        {"\\f1\\ab\\u3349?\\u3391? \\ab0\\u3349?", "\\f1\\ab{\\hich\\af4\\loch\\f4\\b In }\\ab0{\\hich\\af4\\loch\\f4\\b0 I}", 3},
        {"{\\ab\\plain\\f1\\u3349?\\u3391?}", "{\\ab\\plain\\f1{\\hich\\af4\\loch\\f4 In}}", 2},
        {"\\f1\\u3340?\\u3349?", "\\f1\\u3340?{\\hich\\af4\\loch\\f4 I}", 1},
        {"\\f0 Hello \\f1\\u3349?\\u3391?!", "\\f0 Hello \\f1{\\hich\\af4\\loch\\f4 In!}", 2},
        {"\\f1 (\\u3349?), x 1", "\\f1 ({\\hich\\af4\\loch\\f4 I),} x 1", 1},
        // (An en dash ML-TT has no code for ends the word.)
        {"\\f1\\u3349?\\'94 2\\u3349?\\rquote\\endash\\u8217?", "\\f1{\\hich\\af4\\loch\\f4 I\\'94 2I\\'92}\\endash\\u8217?", 2},
        {"\\f1\\uc0\\u3349\\u3391 x", "\\f1\\uc0{\\hich\\af4\\loch\\f4 In}x", 2},
        {"\\f1\\uc2\\u3349??\\u3391??", "\\f1\\uc2{\\hich\\af4\\loch\\f4 In}", 2},
        // Another legacy font's text goes into runs of the font; the font's own keeps its codes.
        {"\\f3\\'b5\\'de", "\\f3{\\hich\\af4\\loch\\f4 Im}", 2},
        {"\\f2 Imbn", "\\f2 Imbn", 4},
        // Either after Unicode text: the font's own encoding's entry is still renamed.
        {"\\f1\\u3349?\\u3391? \\f2 Imbn", "\\f1{\\hich\\af4\\loch\\f4 In} \\f2 Imbn", 6},
        {"\\f1\\u3349?\\u3391? \\f3\\'b5\\'de", "\\f1{\\hich\\af4\\loch\\f4 In} \\f3{\\hich\\af4\\loch\\f4 Im}", 4},
        // The RA sign (a brace) before the conjunct it follows in Unicode.
        {"\\f1\\u3349?\\u3405?\\u3364?\\u3405?\\u3376?", "\\f1{\\hich\\af4\\loch\\f4 \\{\\'e0}", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        std::string out;
        const ConversionReport r = convert(kHead + c.body + "\\par}", out, toFont("ML-TTKarthika"));
        ASSERT_TRUE(r.ok) << r.error;
        // The font's own encoding's entry takes its name where text uses it.
        const bool renamed = std::string(c.body).find("\\f2 ") != std::string::npos;
        EXPECT_EQ(out.substr(0, out.find("\n")),
                  "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil\\fcharset0 Nirmala UI;}"
                  "{\\f2\\fnil\\fcharset0 " + std::string(renamed ? "ML-TTKarthika" : "ML-TTRevathi") +
                      ";}{\\f3\\fnil\\fcharset0 PANCHARI;}"
                      "{\\f4\\fnil\\fcharset0 ML-TTKarthika;}{\\f5\\fnil\\fcharset0 Noto Sans Malayalam;}}");
        EXPECT_EQ(out.substr(out.find("\\pard\\plain ") + 12), std::string(c.written) + "\\par}");
        EXPECT_EQ(r.converted(), c.converted);
    }
}

namespace {

std::vector<std::pair<std::string, std::string>> legacyDocuments() {
    std::vector<std::pair<std::string, std::string>> documents;
    documents.emplace_back("letter.rtf", readFile(dataDir() / ".." / ".." / "samples" / "letter.rtf"));
    for (const char* name : {"prose_word.rtf", "prose_lo.rtf", "prose_wordpad.rtf", "word_style.rtf"})
        documents.emplace_back(name, readFile(dataDir() / name));
    return documents;
}

}  // namespace

// Each document, made Unicode, written in each legacy font and read back: its text is
// what it was, whatever the font's encoding.
TEST(FontTargetRtf, DocumentsComeBackThroughEveryFont) {
    for (const auto& [name, rtf] : legacyDocuments()) {
        SCOPED_TRACE(name);
        std::string unicode;
        ASSERT_TRUE(convert(rtf, unicode, unicodeOptions()).ok);
        const std::string text = textOf(unicode);
        for (const char* font : {"ML-TTKarthika", "PANCHARI", "Matweb", "MLB-TTRevathi", "Thoolika", "Haritha"}) {
            SCOPED_TRACE(font);
            std::string legacy;
            const ConversionReport r = convert(unicode, legacy, toFont(font));
            ASSERT_TRUE(r.ok) << r.error;
            EXPECT_GT(r.counts.unicode, 10u);
            EXPECT_EQ(r.counts.notDrawn, 0u) << utf8(r.counts.notDrawnCharacters);
            EXPECT_EQ(textOf(legacy), text);
        }
    }
}

// PANCHARI's text into ML-TTRevathi (or another font of its encoding) by --to takes the
// glyph rules, as without it; into another encoding's font it goes through Unicode; both
// read as the same text. (The rules swap the straight quotes, which the tables keep as
// typed.)
TEST(FontTargetRtf, PanchariByEitherRouteReadsTheSame) {
    const auto quotesAlike = [](std::string s) {
        std::replace(s.begin(), s.end(), '"', '\'');
        return s;
    };
    for (const auto& [name, rtf] : legacyDocuments()) {
        SCOPED_TRACE(name);
        std::string revathi, viaTo, karthika, matweb;
        ASSERT_TRUE(convert(rtf, revathi).ok);
        ASSERT_TRUE(convert(rtf, viaTo, toFont("ML-TTRevathi")).ok);
        ASSERT_TRUE(convert(rtf, karthika, toFont("ML-TTKarthika")).ok);
        ASSERT_TRUE(convert(rtf, matweb, toFont("Matweb")).ok);
        const std::string text = textOf(rtf);
        EXPECT_EQ(textOf(viaTo), textOf(revathi));
        EXPECT_EQ(textOf(karthika), textOf(revathi));
        EXPECT_EQ(quotesAlike(textOf(revathi)), quotesAlike(text));
        EXPECT_EQ(textOf(matweb), text);
    }
    std::string letter;
    ASSERT_TRUE(convert(readFile(dataDir() / ".." / ".." / "samples" / "letter.rtf"), letter, toFont("ML-TTRevathi")).ok);
    EXPECT_EQ(textOf(letter), readFile(dataDir() / ".." / ".." / "samples" / "letter.unicode.txt"));
}

// Peer documents written in a legacy font: one is refused only as without --to, one
// without Malayalam comes out as it went in, and one with it reads as it did.
TEST(FontTargetRtf, CorpusWrittenInAFont) {
    if (!std::filesystem::is_directory(corpusDir())) GTEST_SKIP() << "no peer corpus beside the project";
    std::size_t identical = 0, converted = 0;
    for (const std::filesystem::path& file : corpusFiles()) {
        SCOPED_TRACE(file.string());
        const std::string in = readFile(file);
        std::string out;
        const ConversionReport r = convert(in, out, toFont("ML-TTKarthika"));
        if (!r.ok) {
            std::string none;
            EXPECT_EQ(r.error, convert(in, none).error) << "refused as any conversion refuses it";
            EXPECT_TRUE(out.empty());
            continue;
        }
        if (r.converted() == 0) {
            EXPECT_EQ(out, in);
            ++identical;
            continue;
        }
        ++converted;
        EXPECT_EQ(textOf(out), textOf(in));
    }
    EXPECT_GT(identical, 300u);
    RecordProperty("converted", int(converted));
}

// What the windows and the page offer: ML-TTRevathi, Unicode, then every font a table
// lists, once each, all of them names --to takes. ML-TTRevathi keeps the glyph rules for
// a document with PANCHARI text and writes any other's Malayalam in ML-TTRevathi.
TEST(FontTargetRtf, ChoicesOfTheWindowsAndThePage) {
    const std::vector<ConversionTarget>& targets = conversionTargets();
    ASSERT_GT(targets.size(), 100u);
    EXPECT_EQ(targets[0].name, "ML-TTRevathi");
    EXPECT_EQ(targets[1].caption, "Unicode Malayalam");
    EXPECT_EQ(targets[2].name, "ML-TTKarthika");
    std::set<std::string> names;
    for (std::size_t k = 0; k < targets.size(); ++k) {
        EXPECT_TRUE(names.insert(targets[k].name).second) << targets[k].name << " twice";
        EXPECT_EQ(conversionTargetIndex(targets[k].name), k);
        const ConversionOptions options = conversionTargetOptions(k);
        EXPECT_EQ(options.unicode, k == 1) << k;
        if (k >= 2) {
            EXPECT_EQ(options.toFont, targets[k].name);
        }
    }
    EXPECT_EQ(conversionTargetIndex("no such font"), 0u);

    const std::string letter = readFile(dataDir() / ".." / ".." / "samples" / "letter.rtf");
    std::string unicode;
    ASSERT_TRUE(convert(letter, unicode, unicodeOptions()).ok);
    EXPECT_FALSE(chosenTargetOptions(documentFonts(letter), 0).toLegacy()) << "PANCHARI by the glyph rules";
    const ConversionOptions any = chosenTargetOptions(documentFonts(unicode), 0);
    EXPECT_EQ(any.toFont, "ML-TTRevathi");
    EXPECT_EQ(chosenTargetOptions(documentFonts(unicode), 1).unicode, true);
    std::string revathi;
    ASSERT_TRUE(convert(unicode, revathi, any).ok);
    EXPECT_EQ(textOf(revathi), textOf(unicode));
}
