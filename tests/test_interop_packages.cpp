// The interoperability of DOCX and ODT: LibreOffice writes the packages Tolvarin
// converts in place, and reads back what it wrote.
#include <gtest/gtest.h>

#include "interop_support.h"
#include "text/codepage.h"
#include "text/utf8.h"

using namespace tolvarin;
using namespace tolvarin::interop;

// The same layout as LibreOffice writes it in DOCX and ODT, converted in place: the
// converted packages read back with every table, list, header, footer, footnote,
// picture and colour, every word converted, in ML-TTRevathi or, in Unicode, with the
// Unicode font and the complex-script properties.
TEST_F(Interop, PackageLayoutIsKept) {
    test::TempDir dir;
    writeLayoutOdt(dir.path() / "layout.fodt");
    office.convert({dir.path() / "layout.fodt"}, "docx", dir.path() / "made");
    office.convert({dir.path() / "layout.fodt"}, "odt", dir.path() / "made");
    // Names of their own: LibreOffice's readings of both go to one folder.
    fs::create_directories(dir.path() / "in");
    const std::vector<fs::path> inputs = {dir.path() / "in" / "docx_layout.docx", dir.path() / "in" / "odt_layout.odt"};
    for (const fs::path& in : inputs)
        if (fs::exists(dir.path() / "made" / ("layout" + in.extension().string())))
            fs::copy(dir.path() / "made" / ("layout" + in.extension().string()), in);
    std::vector<fs::path> outputs;
    fs::create_directories(dir.path() / "out");
    for (const fs::path& in : inputs) {
        ASSERT_TRUE(fs::exists(in)) << in;
        for (bool unicode : {false, true}) {
            outputs.push_back(dir.path() / "out" / ((unicode ? "unicode_" : "ml_") + in.filename().string()));
            std::string out;
            const ConversionReport r = test::convert(test::readFile(in), out, test::unicodeOptions(unicode));
            ASSERT_TRUE(r.ok) << r.error;
            EXPECT_EQ(r.kept(), 0u);
            test::writeFile(outputs.back(), out);
        }
    }
    for (const auto& [name, before, after, unicode] : readBack(office, dir.path(), inputs, outputs)) {
        ASSERT_FALSE(before.empty()) << name;
        ASSERT_FALSE(after.empty()) << name;
        // The same elements; each colour and alignment still there (a converted run whose
        // properties now differ from its paragraph's gets a style of its own, colour and all).
        const auto counts = layoutCounts(before), now = layoutCounts(after);
        for (const auto& [mark, n] : counts) {
            if (mark[0] == '<') EXPECT_EQ(now.at(mark), n) << name << ": " << mark;
            else EXPECT_GE(now.at(mark), n) << name << ": " << mark;
            EXPECT_GT(n, 0) << name << " lacks " << mark << " to begin with";
        }
        expectEveryWordConverted(after, unicode, name.string());
        if (unicode) {
            EXPECT_NE(after.find("svg:font-family=\"&apos;Noto Sans Malayalam&apos;\""), std::string::npos) << name;
            EXPECT_NE(after.find("style:font-size-complex=\"14pt\""), std::string::npos) << name;
            EXPECT_NE(after.find("style:language-complex=\"ml\""), std::string::npos) << name;
        } else {
            EXPECT_NE(after.find("svg:font-family=\"ML-TTRevathi\""), std::string::npos) << name;
        }
    }
}

// A Word 97-2003 document goes through LibreOffice to DOCX, is converted, and is
// written as Converted_<name>.docx, with a line that says so.
TEST_F(Interop, WordBinaryThroughLibreOffice) {
    test::TempDir dir;
    const fs::path samples = test::dataDir() / ".." / ".." / "samples";
    office.convert({samples / "letter.rtf"}, "doc", dir.path());
    ASSERT_TRUE(fs::exists(dir.path() / "letter.doc"));
    std::string output;
    ASSERT_EQ(run(std::string(TOLVARIN_CONVERT_EXE) + " " + q(dir.path() / "letter.doc"), &output), 0) << output;
    EXPECT_NE(output.find("Converted_letter.docx: 169 characters converted (a Word 97-2003 document, read through LibreOffice)"),
              std::string::npos)
        << output;
    ASSERT_EQ(run(std::string(TOLVARIN_CONVERT_EXE) + " --unicode --text " + q(dir.path() / "letter.doc"), &output), 0) << output;
    EXPECT_EQ(test::readFile(dir.path() / "Converted_letter.txt"), test::readFile(samples / "letter.unicode.txt"));
}

// Written in a legacy font in place, a DOCX, an ODT and an RTF read in LibreOffice as the same
// codes as the text written in that font by itself: Word processors see what the two
// paths write alike.
TEST_F(Interop, LegacyFontTextReadsAsWritten) {
    test::TempDir dir;
    ConversionOptions toFont;
    std::string error;
    ASSERT_TRUE(legacyTargetCalled("ML-TTKarthika", toFont, error)) << error;
    std::vector<fs::path> outputs;
    std::vector<std::string> expected;
    for (const fs::path& input : {test::dataDir() / "office" / "letter.docx", test::dataDir() / "office" / "letter.odt",
                                  test::dataDir() / ".." / ".." / "samples" / "letter.rtf"}) {
        const std::string name = input.filename().string();
        std::string unicode, legacy, text;
        ASSERT_TRUE(test::convert(test::readFile(input), unicode, test::unicodeOptions()).ok);
        ASSERT_TRUE(test::convert(unicode, legacy, toFont).ok);
        ConversionOptions asText = toFont;
        asText.textOnly = true;
        ASSERT_TRUE(test::convert(unicode, text, asText).ok);
        outputs.push_back(dir.path() / ("karthika_" + name));
        test::writeFile(outputs.back(), legacy);
        expected.push_back(text);
    }
    office.convert(outputs, "txt:Text (encoded):UTF8", dir.path() / "read");
    for (std::size_t k = 0; k < outputs.size(); ++k) {
        const fs::path read = dir.path() / "read" / fs::path(outputs[k].filename()).replace_extension(".txt");
        ASSERT_TRUE(fs::exists(read)) << read;
        // LibreOffice reads the codes as Windows-1252 text: back to the bytes.
        const std::string utf8 = test::readFile(read);
        std::string codes;
        for (std::size_t i = 0; i < utf8.size();) {
            const char32_t c = nextCodePoint(utf8, i);
            if (c == 0xFEFF || c == '\r') continue;
            const int byte = c < 0x10000 ? encodeCp1252(char16_t(c)) : -1;
            codes += byte >= 0 ? char(byte) : '?';
        }
        while (!codes.empty() && codes.back() == '\n') codes.pop_back();
        std::string want = expected[k];
        while (!want.empty() && want.back() == '\n') want.pop_back();
        EXPECT_EQ(codes, want) << outputs[k];
    }
}

// An RTF's Unicode words written in a legacy font show in LibreOffice in that font with
// the bold, italic and size their complex-script properties gave them.
TEST_F(Interop, LegacyFontRunsShowTheirLook) {
    test::TempDir dir;
    ConversionOptions toFont;
    std::string error;
    ASSERT_TRUE(legacyTargetCalled("ML-TTKarthika", toFont, error)) << error;
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil\\fcharset0 Nirmala UI;}}\n"
        "\\pard\\plain\\f0\\fs24 English {\\f1\\afs28\\ab\\u3349?\\u3390?\\u3375?\\u3391?} and "
        "{\\f1\\ai\\u3349?\\u3391?}\\par}";
    std::string legacy;
    ASSERT_TRUE(test::convert(rtf, legacy, toFont).ok);
    test::writeFile(dir.path() / "look.rtf", legacy);
    office.convert({dir.path() / "look.rtf"}, "fodt", dir.path() / "read");
    const std::string fodt = test::readFile(dir.path() / "read" / "look.fodt");
    // The style of the span holding `text`.
    const auto styleOf = [&fodt](const std::string& text) {
        const std::size_t at = fodt.find(">" + text + "</text:span>");
        if (at == std::string::npos) return std::string("no span of " + text);
        const std::size_t name = fodt.rfind("text:style-name=\"", at) + 17;
        const std::string style = "style:name=\"" + fodt.substr(name, fodt.find('"', name) - name) + "\"";
        const std::size_t from = fodt.find(style);
        return from == std::string::npos ? style : fodt.substr(from, fodt.find("</style:style>", from) - from);
    };
    const std::string bold = styleOf("Imbn"), italic = styleOf("In");
    EXPECT_NE(bold.find("style:font-name=\"ML-TTKarthika\""), std::string::npos) << bold;
    EXPECT_NE(bold.find("fo:font-size=\"14pt\""), std::string::npos) << bold;
    EXPECT_NE(bold.find("fo:font-weight=\"bold\""), std::string::npos) << bold;
    EXPECT_NE(italic.find("style:font-name=\"ML-TTKarthika\""), std::string::npos) << italic;
    EXPECT_NE(italic.find("fo:font-style=\"italic\""), std::string::npos) << italic;
    EXPECT_EQ(italic.find("fo:font-weight=\"bold\""), std::string::npos) << italic;
    EXPECT_NE(styleOf("English ").find("style:font-name=\"Arial\""), std::string::npos);
}
