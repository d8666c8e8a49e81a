// The text panes' conversions: Unicode into a font's codes and back, as the command line
// writes plain text, and a word processor's RTF from the clipboard.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "api/text_pane.h"
#include "fonts/legacy_encoder.h"
#include "test_support.h"
#include "text/utf8.h"

using namespace tolvarin;
using namespace tolvarin::test;

namespace {

// Codes as the pane shows them: each as its Windows-1252 character.
std::string shown(std::string_view codes) {
    std::string out;
    for (char c : codes) appendUtf8(out, decodeCp1252(std::uint8_t(c)));
    return out;
}

}  // namespace

// The Malayalam words of every line of the prose, in each font, come back as they were
// (in a pane every letter is the font's, English ones too); the pane's codes are what the
// command line writes of the same text as plain text.
TEST(TextPane, BothWaysInEveryFont) {
    std::istringstream prose(readFile(dataDir() / "prose.expected.txt"));
    std::size_t lines = 0;
    for (std::string full; std::getline(prose, full);) {
        std::istringstream words(full);
        std::string line;
        for (std::string word; words >> word;) {
            const bool malayalam = std::all_of(word.begin(), word.end(), [](char c) { return (c & 0x80) != 0; });
            if (malayalam) line += (line.empty() ? "" : " ") + word;
        }
        if (line.empty()) continue;
        ++lines;
        for (const char* font : {"ML-TTKarthika", "PANCHARI", "Matweb", "MLB-TTRevathi", "Thoolika"}) {
            SCOPED_TRACE(font);
            const PaneText codes = unicodeToFont(line, font);
            ASSERT_TRUE(codes.ok) << codes.error;
            std::string written;
            ASSERT_TRUE(convert(line, written, toFont(font)).ok);
            EXPECT_EQ(codes.text, shown(written));
            const PaneText back = fontToUnicode(codes.text, font);
            ASSERT_TRUE(back.ok) << back.error;
            EXPECT_EQ(back.text, line);
        }
    }
    EXPECT_GT(lines, 5u);
}

TEST(TextPane, WhatIsNotTextOfTheFont) {
    const std::string karthika = shown(encodeText(mlttEncoding(), U"കായി").codes);
    const struct {
        const char* what;
        PaneText got;
        bool ok;
        std::string text;
    } cases[] = {
        {"Unicode among the codes stays", fontToUnicode(karthika + " കേരളം", "ML-TTKarthika"), true, "കായി കേരളം"},
        {"a pane's text is never a document", unicodeToFont("{\\rtf1 x}", "ML-TTKarthika"), true, "{\\rtf1 x}"},
        {"nothing typed", unicodeToFont("", "PANCHARI"), true, ""},
        {"lines stay lines", fontToUnicode(karthika + "\n" + karthika, "ML-TTRevathi"), true, "കായി\nകായി"},
        {"no such font", unicodeToFont("കായി", "Nirmala UI"), false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.got.ok, c.ok) << c.what << ": " << c.got.error;
        EXPECT_EQ(c.got.text, c.text) << c.what;
    }
    const PaneText notDrawn = unicodeToFont("ഌ", "ML-TTKarthika");
    EXPECT_EQ(notDrawn.report.counts.notDrawn, 1u);
}

// A word processor's RTF on the clipboard: its legacy fonts' text is read as theirs.
TEST(TextPane, ClipboardRtfGivesTheFonts) {
    const PaneText letter = clipboardRtfToUnicode(readFile(dataDir() / ".." / ".." / "samples" / "letter.rtf"));
    ASSERT_TRUE(letter.ok) << letter.error;
    EXPECT_EQ(letter.text, readFile(dataDir() / ".." / ".." / "samples" / "letter.unicode.txt"));
    EXPECT_FALSE(clipboardRtfToUnicode("{\\rtf1 \\'zz}").ok);

    // Codes copied as RTF in their font read back as the same text.
    const std::string text = "ക്രമം, ക്രമം\nസ്ത്രീ";  // the RA sign is a brace in ML-TT
    const PaneText codes = unicodeToFont(text, "ML-TTKarthika");
    const std::string rtf = codesAsRtf(codes.text, "ML-TTKarthika");
    EXPECT_EQ(rtf.find("ML-TTKarthika;"), rtf.find("ML-TTKarthika"));
    EXPECT_NE(rtf.find("\\{"), std::string::npos) << rtf;
    const PaneText again = clipboardRtfToUnicode(rtf);
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_EQ(again.text, text + "\n");
}
