// XLSX converted in place: shared and inline strings in the font of their runs or of
// their cell's format, a shared string split where cells of different fonts show it,
// comments, headers and footers; numbers, formulas and names as they were.
#include <gtest/gtest.h>

#include <filesystem>

#include "api/convert_document.h"
#include "core/file_kind.h"
#include "fonts/legacy_encoder.h"
#include "office/package_conversion.h"
#include "package_support.h"
#include "text/codepage.h"
#include "text/utf8.h"

using namespace tolvarin;
using namespace tolvarin::test;
namespace fs = std::filesystem;

namespace {

const std::string kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

std::string relationships(const std::vector<std::pair<std::string, std::string>>& typeAndTarget) {
    std::string out = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    int id = 1;
    for (const auto& [type, target] : typeAndTarget)
        out += "<Relationship Id=\"rId" + std::to_string(id++) + "\" Type=\"http://schemas.openxmlformats.org/"
               "officeDocument/2006/relationships/" + type + "\" Target=\"" + target + "\"/>";
    return out + "</Relationships>";
}

// A workbook of one sheet: its cells (inside sheetData), shared strings (si elements),
// comments (comment elements) and header and footer elements. Cell formats: 0 Calibri,
// 1 PANCHARI, 2 Arial.
struct Book {
    std::string cells, strings = {}, comments = {}, headerFooter = {};
    std::string textBox = {}, chartTitle = {};  // a drawing's text box's paragraphs; its chart's title's
};

std::string xlsx(const Book& b) {
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
    Members m;
    m.push_back({"[Content_Types].xml", head + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"});
    m.push_back({"_rels/.rels", relationships({{"officeDocument", "xl/workbook.xml"}})});
    m.push_back({"xl/workbook.xml", head + "<workbook " + kMain + "><sheets><sheet name=\"" + typed({0x6B}) +
                                        "\" sheetId=\"1\" r:id=\"rId1\"/></sheets><definedNames><definedName name=\"N\">"
                                        "Sheet1!$A$1</definedName></definedNames></workbook>"});
    m.push_back({"xl/_rels/workbook.xml.rels", relationships({{"worksheet", "worksheets/sheet1.xml"},
                                                              {"sharedStrings", "sharedStrings.xml"},
                                                              {"styles", "styles.xml"}})});
    m.push_back({"xl/styles.xml",
                 head + "<styleSheet " + kMain + "><fonts count=\"3\"><font><sz val=\"11\"/><name val=\"Calibri\"/>"
                        "<scheme val=\"minor\"/></font><font><b/><sz val=\"14\"/><name val=\"PANCHARI\"/><family val=\"2\"/>"
                        "</font><font><sz val=\"11\"/><name val=\"Arial\"/></font></fonts><cellXfs count=\"3\"><xf numFmtId=\"0\" "
                        "fontId=\"0\"/><xf numFmtId=\"0\" fontId=\"1\" applyFont=\"1\"><alignment wrapText=\"1\"/></xf>"
                        "<xf numFmtId=\"0\" fontId=\"2\"/></cellXfs></styleSheet>"});
    m.push_back({"xl/sharedStrings.xml", head + "<sst " + kMain + " count=\"9\" uniqueCount=\"9\">" + b.strings + "</sst>"});
    m.push_back({"xl/worksheets/sheet1.xml", head + "<worksheet " + kMain + "><sheetData>" + b.cells + "</sheetData>" +
                                                 (b.headerFooter.empty() ? "" : "<headerFooter>" + b.headerFooter + "</headerFooter>") +
                                                 "</worksheet>"});
    std::vector<std::pair<std::string, std::string>> sheetRels;
    if (!b.comments.empty()) {
        sheetRels.push_back({"comments", "../comments1.xml"});
        m.push_back({"xl/comments1.xml", head + "<comments " + kMain + "><authors><author>A</author></authors><commentList>" +
                                             b.comments + "</commentList></comments>"});
    }
    const std::string a = "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"";
    if (!b.textBox.empty() || !b.chartTitle.empty()) {
        sheetRels.push_back({"drawing", "../drawings/drawing1.xml"});
        m.push_back({"xl/drawings/drawing1.xml",
                     head + "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" " + a +
                            "><xdr:twoCellAnchor><xdr:sp><xdr:txBody><a:bodyPr/>" + b.textBox +
                            "</xdr:txBody></xdr:sp></xdr:twoCellAnchor></xdr:wsDr>"});
        m.push_back({"xl/drawings/_rels/drawing1.xml.rels", relationships({{"chart", "../charts/chart1.xml"}})});
        m.push_back({"xl/charts/chart1.xml",
                     head + "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" " + a +
                            "><c:chart><c:title><c:tx><c:rich><a:bodyPr/>" + b.chartTitle +
                            "</c:rich></c:tx></c:title></c:chart></c:chartSpace>"});
    }
    if (!sheetRels.empty()) m.push_back({"xl/worksheets/_rels/sheet1.xml.rels", relationships(sheetRels)});
    m.push_back({"xl/media/image1.png", std::string(300, 'i')});
    return makeZip(m);
}

std::string cell(const std::string& ref, int format, const std::string& inside, const std::string& type = "s") {
    return "<c r=\"" + ref + "\" s=\"" + std::to_string(format) + "\"" + (type.empty() ? "" : " t=\"" + type + "\"") + ">" +
           inside + "</c>";
}
std::string row(const std::string& cells) { return "<row r=\"1\">" + cells + "</row>"; }
std::string si(const std::string& text) { return "<si><t>" + text + "</t></si>"; }
std::string richRun(const std::string& text, const std::string& font) {
    return "<r><rPr><b/><sz val=\"12\"/><rFont val=\"" + font + "\"/><charset val=\"2\"/></rPr><t>" + text + "</t></r>";
}

const std::string kMal = typed({0x6B, 0xB5});

}  // namespace

// Each place a cell's text takes its font from, in both modes: its text, as every cell
// shows it, reads the same before and after.
TEST(Xlsx, CellsShowTheirTextAsBefore) {
    const std::string uni = unicodeOf({0x6B, 0xB5});
    const struct Case {
        const char* what;
        Book book;
        std::string expected;  // cell by cell (a value's as it stands), then comments, then headers and footers
        std::size_t converted;
        bool cellFormat = false;  // a cell's format's font converts: the cell takes a Unicode one
    } cases[] = {
        {"a shared string in a cell of a PANCHARI format", {row(cell("A1", 1, "<v>0</v>")), si(kMal)}, uni + "\n", 2, true},
        {"a rich string's runs, each in its own font",
         {row(cell("A1", 0, "<v>0</v>")), "<si>" + richRun(kMal, "PANCHARI") + richRun(kMal, "Arial") + "</si>"},
         uni + kMal + "\n", 2},
        {"a string shown by a PANCHARI cell and an Arial cell: each shows what it showed",
         {row(cell("A1", 2, "<v>0</v>") + cell("B1", 1, "<v>0</v>") + cell("C1", 0, "<v>1</v>")), si(kMal) + si("Name")},
         kMal + "\n" + uni + "\nName\n", 2, true},
        {"an inline string, a number, a formula's string and a bool in PANCHARI formats",
         {row(cell("A1", 1, "<is><t>" + kMal + "</t></is>", "inlineStr") + cell("B1", 1, "<v>42</v>", "") +
              cell("C1", 1, "<f>A1</f><v>" + kMal + "</v>", "str") + cell("D1", 1, "<v>1</v>", "b"))},
         uni + "\n42\n" + kMal + "\n1\n", 2, true},
        {"a comment's runs", {row(cell("A1", 0, "<v>0</v>")), si("x"),
                              "<comment ref=\"A1\" authorId=\"0\"><text>" + richRun(kMal, "PANCHARI") + "</text></comment>"},
         "x\n" + uni + "\n", 2},
        {"a header's text in a PANCHARI font code, the page number and an ampersand kept",
         {row(cell("A1", 0, "<v>0</v>")), si("x"), "",
          "<oddHeader>&amp;L&amp;\"PANCHARI,Bold\"" + kMal + "&amp;&amp;&amp;RPage &amp;P</oddHeader>"},
         "x\n" + unicodeOf({0x6B, 0xB5, 0x26}) + "Page \n", 3},
        {"a text box's run, and a chart's title in its paragraph's default font",
         {row(cell("A1", 0, "<v>0</v>")), si("x"), "", "",
          "<a:p><a:r><a:rPr><a:latin typeface=\"PANCHARI\"/></a:rPr><a:t>" + kMal + "</a:t></a:r></a:p>",
          "<a:p><a:pPr><a:defRPr><a:latin typeface=\"PANCHARI\"/></a:defRPr></a:pPr><a:r><a:t>" + kMal + "</a:t></a:r></a:p>"},
         "x\n" + uni + "\n" + uni + "\n", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string input = xlsx(c.book);
        EXPECT_EQ(foreignFileKind(input), "");
        EXPECT_EQ(packageFormat(input), WrittenFormat::Xlsx);
        std::string text;
        ConversionReport r = unicodeTextOf(input, text);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(text, c.expected);
        for (bool unicode : {false, true}) {
            SCOPED_TRACE(unicode ? "Unicode" : "ML-TTRevathi");
            std::string out;
            r = test::convert(input, out, test::unicodeOptions(unicode));
            ASSERT_TRUE(r.ok) << r.error;
            EXPECT_EQ(r.written, WrittenFormat::Xlsx);
            EXPECT_EQ(r.converted(), c.converted);
            const auto before = zipMembers(input, false), after = zipMembers(out, false);
            EXPECT_EQ(after.at("xl/media/image1.png"), before.at("xl/media/image1.png"));
            EXPECT_EQ(after.at("xl/workbook.xml"), before.at("xl/workbook.xml")) << "sheet and defined names as they were";
            std::string back;
            const ConversionReport read = unicodeTextOf(out, back);
            ASSERT_TRUE(read.ok) << read.error;
            EXPECT_EQ(back, c.expected) << "every cell shows the same text";
            const std::string& sheet = after.at("xl/worksheets/sheet1.xml");
            EXPECT_EQ(sheet.find("<v>42</v>") == std::string::npos, before.at("xl/worksheets/sheet1.xml").find("<v>42</v>") == std::string::npos);
            EXPECT_EQ(sheet.find("<v>" + kMal + "</v>") == std::string::npos,
                      before.at("xl/worksheets/sheet1.xml").find("<v>" + kMal + "</v>") == std::string::npos)
                << "a formula's string as it was";
            EXPECT_EQ(after.at("xl/styles.xml") != before.at("xl/styles.xml"), c.cellFormat || !unicode);
            if (unicode && c.cellFormat) {
                EXPECT_NE(after.at("xl/styles.xml").find("<font><b/><sz val=\"14\"/><name val=\"Noto Sans Malayalam\"/></font>"),
                          std::string::npos)
                    << after.at("xl/styles.xml");
                EXPECT_NE(after.at("xl/styles.xml").find("<cellXfs count=\"4\">"), std::string::npos);
                EXPECT_NE(sheet.find("s=\"3\""), std::string::npos) << "the converted cell's format shows the Unicode font";
            }
            if (!unicode) {
                EXPECT_EQ(after.at("xl/styles.xml").find("PANCHARI"), std::string::npos);
            }
        }
    }
}

// A split string: the copy goes at the end, the count of distinct strings grows, and
// the cell that showed it in another font names the copy.
TEST(Xlsx, SharedStringSplitForCellsOfTwoFonts) {
    const std::string input = xlsx({row(cell("A1", 1, "<v>0</v>") + cell("B1", 2, "<v>0</v>")), si(kMal)});
    std::string out;
    ASSERT_TRUE(test::convert(input, out, test::unicodeOptions()).ok);
    const auto parts = zipMembers(out, false);
    const std::string& strings = parts.at("xl/sharedStrings.xml");
    EXPECT_NE(strings.find("uniqueCount=\"10\""), std::string::npos);
    EXPECT_NE(strings.find(si(unicodeOf({0x6B, 0xB5})) + si(kMal) + "</sst>"), std::string::npos) << strings;
    EXPECT_NE(parts.at("xl/worksheets/sheet1.xml").find("<c r=\"B1\" s=\"2\" t=\"s\"><v>1</v></c>"), std::string::npos);
}

// A rich run converted to Unicode names the Unicode font, without the symbol charset
// that would make Excel draw it in another; its bold and size stay.
TEST(Xlsx, RichRunInUnicode) {
    const std::string input = xlsx({row(cell("A1", 0, "<v>0</v>")), "<si>" + richRun(kMal, "PANCHARI") + "</si>"});
    std::string out;
    ASSERT_TRUE(test::convert(input, out, test::unicodeOptions()).ok);
    EXPECT_NE(zipMembers(out, false).at("xl/sharedStrings.xml").find(
                  "<rPr><b/><sz val=\"12\"/><rFont val=\"Noto Sans Malayalam\"/></rPr><t>" + unicodeOf({0x6B, 0xB5})),
              std::string::npos);
}

// Into a legacy font: a Calibri cell mixing English and Unicode Malayalam becomes rich
// text, the English in a run of the cell's font, the Malayalam in the cell's new format's
// font; a rich run's Malayalam takes the font, its bold and size kept; Arial's copy of the
// string keeps Arial for its English.
TEST(Xlsx, UnicodeIntoALegacyFont) {
    const std::string mixed = "Total: കേരളം";
    const std::string input = xlsx({row(cell("A1", 0, "<v>0</v>") + cell("B1", 2, "<v>0</v>") + cell("C1", 0, "<v>1</v>")),
                                    si(mixed) + "<si>" + richRun("സംസ്ഥാനം", "Kartika") + "</si>"});
    ConversionOptions options;
    std::string error;
    ASSERT_TRUE(legacyTargetCalled("ML-TTKarthika", options, error)) << error;
    std::string out;
    const ConversionReport r = test::convert(input, out, options);
    ASSERT_TRUE(r.ok) << r.error;
    const auto parts = zipMembers(out, false);
    const std::string& strings = parts.at("xl/sharedStrings.xml");
    const auto asText = [](const std::u32string& u) {
        std::string s;
        for (char c : encodeText(mlttEncoding(), u).codes) appendUtf8(s, decodeCp1252(std::uint8_t(c)));
        return s;
    };
    EXPECT_NE(strings.find("<r><rPr><sz val=\"11\"/><rFont val=\"Calibri\"/><scheme val=\"minor\"/></rPr>"
                           "<t xml:space=\"preserve\">Total: </t></r><r><t xml:space=\"preserve\">" + asText(U"കേരളം") +
                           "</t></r>"),
              std::string::npos) << strings;
    EXPECT_NE(strings.find("<rFont val=\"Arial\"/></rPr><t xml:space=\"preserve\">Total: </t>"), std::string::npos) << strings;
    EXPECT_NE(strings.find("<rPr><b/><sz val=\"12\"/><rFont val=\"ML-TTKarthika\"/></rPr><t>" + asText(U"സംസ്ഥാനം")),
              std::string::npos) << strings;
    EXPECT_NE(parts.at("xl/styles.xml").find("<name val=\"ML-TTKarthika\"/>"), std::string::npos);
    // Read back, every cell shows what it showed.
    std::string back, before, after;
    ASSERT_TRUE(test::convert(out, back, test::unicodeOptions()).ok);
    ASSERT_TRUE(unicodeTextOf(input, before).ok);
    ASSERT_TRUE(unicodeTextOf(back, after).ok);
    EXPECT_EQ(after, before);
}
