// OpenDocument presentations and spreadsheets converted in place: text in shapes,
// notes, cells and comments, set in a legacy font as Impress and Calc find it.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <map>

#include "api/convert_document.h"
#include "core/document_kind.h"
#include "core/file_kind.h"
#include "office/package_conversion.h"
#include "office/xml_splice.h"
#include "package_support.h"
#include "text/utf8.h"

using namespace tolvarin;
using namespace tolvarin::test;
namespace fs = std::filesystem;

namespace {

const std::string kOdfNamespaces =
    "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
    "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
    "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
    "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
    "xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\" "
    "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
    "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\"";
const std::string kFaces = "<office:font-face-decls><style:font-face style:name=\"PANCHARI\" svg:font-family=\"PANCHARI\"/>"
                           "<style:font-face style:name=\"Arial\" svg:font-family=\"Arial\"/></office:font-face-decls>";

std::string textStyle(const std::string& name, const std::string& family, const std::string& font,
                      const std::string& parent = {}) {
    return "<style:style style:name=\"" + name + "\" style:family=\"" + family + "\"" +
           (parent.empty() ? "" : " style:parent-style-name=\"" + parent + "\"") +
           "><style:text-properties style:font-name=\"" + font + "\" fo:font-size=\"20pt\"/></style:style>";
}

struct OdfCase {
    const char* what;
    const char* type;  // the body's element: presentation or spreadsheet
    std::string automatic, body, styles;
    std::string expected;  // the text in Unicode, a paragraph a line
    std::size_t converted;
};

std::string odfPackage(const OdfCase& c) {
    const std::string content = "<?xml version=\"1.0\"?><office:document-content " + kOdfNamespaces + ">" + kFaces +
                                "<office:automatic-styles>" + c.automatic + "</office:automatic-styles><office:body><office:" +
                                c.type + ">" + c.body + "</office:" + c.type + "></office:body></office:document-content>";
    const std::string styles = "<?xml version=\"1.0\"?><office:document-styles " + kOdfNamespaces + ">" + kFaces +
                               "<office:styles>" + c.styles + "</office:styles></office:document-styles>";
    return makeZip({{"mimetype", std::string("application/vnd.oasis.opendocument.") + c.type},
                    {"content.xml", content},
                    {"styles.xml", styles},
                    {"Pictures/a.png", std::string(300, 'p')}});
}

const std::string kMal = typed({0x6B, 0xB5});  // two PANCHARI letters

}  // namespace

// Each place Impress and Calc give text its font from, converted in both modes; what
// the text's own styles set in an ordinary font stays as typed.
TEST(SlidesSheets, FontsFoundAsImpressAndCalcFindThem) {
    const std::string uni = unicodeOf({0x6B, 0xB5});
    const std::string table = "<table:table table:name=\"S\">";
    const OdfCase cases[] = {
        {"a title takes its font from the master's presentation style", "presentation",
         "<style:style style:name=\"pr1\" style:family=\"presentation\" style:parent-style-name=\"M-title\"/>",
         "<draw:page><draw:frame presentation:style-name=\"pr1\" presentation:class=\"title\"><draw:text-box><text:p>" +
             kMal + "</text:p></draw:text-box></draw:frame></draw:page>",
         textStyle("M-title", "presentation", "PANCHARI"), uni + "\n", 2},
        {"a shape's text from the drawing's default style", "presentation",
         "<style:style style:name=\"gr1\" style:family=\"graphic\"/>",
         "<draw:page><draw:custom-shape draw:style-name=\"gr1\"><text:p>" + kMal + "</text:p></draw:custom-shape></draw:page>",
         "<style:default-style style:family=\"graphic\"><style:text-properties style:font-name=\"PANCHARI\"/>"
         "</style:default-style>",
         uni + "\n", 2},
        {"a note's span in a legacy font, and English after it", "presentation", textStyle("T1", "text", "PANCHARI"),
         "<draw:page><presentation:notes><draw:frame><draw:text-box><text:p><text:span text:style-name=\"T1\">" + kMal +
             "</text:span> English</text:p></draw:text-box></draw:frame></presentation:notes></draw:page>",
         "", uni + " English\n", 2},
        {"a paragraph in an ordinary font inside a legacy shape stays", "presentation",
         textStyle("gr1", "graphic", "PANCHARI") + textStyle("P1", "paragraph", "Arial"),
         "<draw:page><draw:frame draw:style-name=\"gr1\"><draw:text-box><text:p text:style-name=\"P1\">" + kMal +
             "</text:p><text:p>" + kMal + "</text:p></draw:text-box></draw:frame></draw:page>",
         "", kMal + "\n" + uni + "\n", 2},
        {"a cell's own style", "spreadsheet", textStyle("ce1", "table-cell", "PANCHARI"),
         table + "<table:table-row><table:table-cell table:style-name=\"ce1\" office:value-type=\"string\"><text:p>" + kMal +
             "</text:p></table:table-cell></table:table-row></table:table>",
         "", uni + "\n", 2},
        {"a cell takes its column's style, the columns counted with their repeats", "spreadsheet",
         textStyle("ce1", "table-cell", "PANCHARI"),
         table + "<table:table-column table:number-columns-repeated=\"2\"/><table:table-column "
                 "table:default-cell-style-name=\"ce1\"/><table:table-row><table:table-cell "
                 "table:number-columns-repeated=\"2\"/><table:table-cell office:value-type=\"string\"><text:p>" + kMal +
             "</text:p></table:table-cell></table:table-row><table:table-row><table:table-cell office:value-type=\"string\">"
             "<text:p>" + kMal + "</text:p></table:table-cell></table:table-row></table:table>",
         "", uni + "\n" + kMal + "\n", 2},
        {"a cell of no style is in Calc's Default style", "spreadsheet", "",
         table + "<table:table-row><table:table-cell><text:p>" + kMal + "</text:p></table:table-cell></table:table-row>"
                 "</table:table>",
         textStyle("Default", "table-cell", "PANCHARI"), uni + "\n", 2},
        {"a number's cell and a formula's show what Calc makes of them: left as they are", "spreadsheet",
         textStyle("ce1", "table-cell", "PANCHARI"),
         table + "<table:table-row><table:table-cell table:style-name=\"ce1\" office:value-type=\"float\" "
                 "office:value=\"1\"><text:p>" + kMal + "</text:p></table:table-cell><table:table-cell "
                 "table:style-name=\"ce1\" table:formula=\"of:=A1\"><text:p>" + kMal + "</text:p></table:table-cell>"
                 "<table:table-cell table:style-name=\"ce1\" office:value-type=\"string\"><text:p>" + kMal +
             "</text:p></table:table-cell></table:table-row></table:table>",
         "", kMal + "\n" + kMal + "\n" + uni + "\n", 2},
        {"a comment's paragraph style", "spreadsheet", textStyle("P1", "paragraph", "PANCHARI"),
         table + "<table:table-row><table:table-cell office:value-type=\"string\"><office:annotation><text:p "
                 "text:style-name=\"P1\">" + kMal + "</text:p></office:annotation><text:p>English</text:p>"
                 "</table:table-cell></table:table-row></table:table>",
         "", uni + "\nEnglish\n", 2},
    };
    for (const OdfCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string input = odfPackage(c);
        const WrittenFormat format = std::string_view(c.type) == "presentation" ? WrittenFormat::Odp : WrittenFormat::Ods;
        EXPECT_EQ(packageFormat(input), format);
        std::string text;
        ConversionReport r = unicodeTextOf(input, text);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(text, c.expected);
        for (bool unicode : {false, true}) {
            SCOPED_TRACE(unicode ? "Unicode" : "ML-TTRevathi");
            std::string out;
            r = test::convert(input, out, test::unicodeOptions(unicode));
            ASSERT_TRUE(r.ok) << r.error;
            EXPECT_EQ(r.written, format);
            EXPECT_EQ(r.converted(), c.converted);
            const auto before = zipMembers(input, true), after = zipMembers(out, true);
            EXPECT_EQ(after.at("Pictures/a.png"), before.at("Pictures/a.png"));
            EXPECT_EQ(out.substr(30, 8), "mimetype");
            const std::string content = zipMembers(out, false).at("content.xml");
            if (unicode) {
                EXPECT_NE(content.find(uni), std::string::npos);
                EXPECT_NE(content.find("style:font-name-complex=\"Noto Sans Malayalam\""), std::string::npos);
                EXPECT_NE(content.find("style:language-complex=\"ml\""), std::string::npos);
            } else {
                std::string back;
                ASSERT_TRUE(unicodeTextOf(out, back).ok);
                EXPECT_EQ(back, c.expected) << "ML-TTRevathi reads back as the same text";
            }
        }
    }
}

// The size the shape's style gives its text carries to the Unicode text.
TEST(SlidesSheets, ShapeSizeCarriesToUnicode) {
    const OdfCase c{"", "presentation", "<style:style style:name=\"pr1\" style:family=\"presentation\" "
                                        "style:parent-style-name=\"M-title\"/>",
                    "<draw:page><draw:frame presentation:style-name=\"pr1\"><draw:text-box><text:p>" + kMal +
                        "</text:p></draw:text-box></draw:frame></draw:page>",
                    textStyle("M-title", "presentation", "PANCHARI"), "", 2};
    std::string out;
    ASSERT_TRUE(test::convert(odfPackage(c), out, test::unicodeOptions()).ok);
    EXPECT_NE(zipMembers(out, false).at("content.xml").find("style:font-size-complex=\"20pt\""), std::string::npos);
}

// An OpenDocument package without its mimetype member says what it is in its manifest.
TEST(SlidesSheets, KindFromTheManifest) {
    const std::string manifest =
        "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\"><manifest:file-entry "
        "manifest:full-path=\"/\" manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>"
        "</manifest:manifest>";
    const std::string content = "<office:document-content " + kOdfNamespaces +
                                "><office:body><office:spreadsheet/></office:body></office:document-content>";
    const std::string input = makeZip({{"META-INF/manifest.xml", manifest}, {"content.xml", content}});
    EXPECT_EQ(foreignFileKind(input), "");
    EXPECT_EQ(packageFormat(input), WrittenFormat::Ods);
    std::string out;
    const ConversionReport r = test::convert(input, out, test::unicodeOptions());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.written, WrittenFormat::Ods);
    EXPECT_EQ(out, input);
}

// Every presentation and spreadsheet other programs wrote: each one Tolvarin converts
// comes out byte for byte as it came (none is typed in a legacy font); the others are
// refused with a reason, and their fonts listed or refused alike.
TEST(SlidesSheets, PeerFilesComeOutUnchanged) {
    const fs::path dir = fs::path(TOLVARIN_CORPUS_DIR).parent_path() / "corpus-slides-sheets";
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no peer corpus at " << dir;
    std::size_t same = 0, refused = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file() || entry.path().extension() == ".tsv" || entry.path().extension() == ".md") continue;
        SCOPED_TRACE(entry.path().string());
        const std::string bytes = readFile(entry.path());
        for (bool unicode : {false, true}) {
            std::string out;
            const ConversionReport r = test::convert(bytes, out, test::unicodeOptions(unicode));
            if (!r.ok) {
                EXPECT_FALSE(r.error.empty());
                EXPECT_TRUE(out.empty());
                refused += !unicode;
                continue;
            }
            EXPECT_EQ(out, bytes);
            same += !unicode;
        }
        std::vector<std::pair<std::string, std::size_t>> fonts;
        if (documentKind(bytes) == DocumentKind::Package && foreignFileKind(bytes).empty()) packageFonts(bytes, fonts);
    }
    std::cout << same << " written as they came, " << refused << " refused\n";
    EXPECT_GE(same, 290u) << "the PPTX, XLSX, ODP and ODS files that LibreOffice opens";
    EXPECT_GE(refused, 40u) << "binary and flat-XML files, and the damaged and encrypted ones";
}

namespace {

// A paragraph's runs as ODF text: each run a span in a style of its font, white space
// written so that it shows.
std::string odfParagraph(const std::vector<PackageRun>& runs, std::map<std::string, std::string>& styleOf) {
    std::string out = "<text:p>";
    bool afterSpace = true;
    for (const PackageRun& run : runs) {
        auto [style, isNew] = styleOf.try_emplace(run.font, "T" + std::to_string(styleOf.size() + 1));
        out += "<text:span text:style-name=\"" + style->second + "\">";
        std::string utf8;
        for (char16_t c : run.text) {
            if (c == ' ' && afterSpace) {
                out += "<text:s/>";
                continue;
            }
            afterSpace = c == ' ';
            if (c == '\t') {
                out += "<text:tab/>";
                continue;
            }
            utf8.clear();
            appendUtf8(utf8, c);
            appendXmlEscaped(out, utf8);
        }
        out += "</text:span>";
    }
    return out + "</text:p>";
}

}  // namespace

// The letter as a slide's text box and as a column of cells converts to the text the
// same letter gives as an ODT.
TEST(SlidesSheets, LetterConvertsAsInAnOdt) {
    const std::string odt = readFile(dataDir() / "office" / "letter.odt");
    std::vector<std::vector<PackageRun>> paragraphs;
    ASSERT_EQ(packageParagraphs(odt, paragraphs), "");
    std::string expected;
    ASSERT_TRUE(unicodeTextOf(odt, expected).ok);
    std::map<std::string, std::string> styleOf;
    std::string box, cells;
    for (const auto& p : paragraphs) {
        box += odfParagraph(p, styleOf);
        cells += "<table:table-row><table:table-cell office:value-type=\"string\">" + odfParagraph(p, styleOf) +
                 "</table:table-cell></table:table-row>";
    }
    std::string automatic;
    for (const auto& [font, style] : styleOf) automatic += textStyle(style, "text", font);
    const OdfCase slides{"", "presentation", automatic,
                         "<draw:page><draw:frame><draw:text-box>" + box + "</draw:text-box></draw:frame></draw:page>", "",
                         "", 0};
    const OdfCase sheet{"", "spreadsheet", automatic, "<table:table table:name=\"S\">" + cells + "</table:table>", "", "", 0};
    for (const OdfCase* c : {&slides, &sheet}) {
        SCOPED_TRACE(c->type);
        std::string text;
        const ConversionReport r = unicodeTextOf(odfPackage(*c), text);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(text, expected);
        EXPECT_EQ(r.converted(), 169u);
    }
}
