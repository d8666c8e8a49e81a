// Presentations and spreadsheets as LibreOffice Impress and Calc write them, converted
// in place, and read back by them: every word converted in its font, every number kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "core/legacy_text.h"
#include "interop_support.h"
#include "package_support.h"
#include "text/utf8.h"

using namespace tolvarin;
using namespace tolvarin::interop;

namespace {

const char* const kNamespaces =
    R"(xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.3")";

const PlacedWord& word(const char* place) {
    for (const PlacedWord& w : placedWords())
        if (std::string(w.place) == place) return w;
    throw std::logic_error(place);
}

// A slide with a title (its font from its presentation style), a shape (from its
// graphic style) and notes; every word typed in PANCHARI.
void writeSlides(const fs::path& file) {
    std::ofstream(file) << R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document )" << kNamespaces << R"( office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:font-face-decls><style:font-face style:name="PANCHARI" svg:font-family="PANCHARI"/></office:font-face-decls>
<office:styles>
<style:style style:name="Title" style:family="graphic"><style:text-properties style:font-name="PANCHARI" fo:font-size="40pt"/></style:style>
</office:styles>
<office:automatic-styles>
<style:page-layout style:name="PM1"><style:page-layout-properties fo:page-width="28cm" fo:page-height="15.75cm"/></style:page-layout>
<style:style style:name="gr1" style:family="graphic" style:parent-style-name="Title"/>
<style:style style:name="gr2" style:family="graphic"><style:text-properties style:font-name="PANCHARI" fo:font-size="24pt" fo:font-weight="bold"/></style:style>
<style:style style:name="gr3" style:family="graphic"><style:text-properties style:font-name="PANCHARI" fo:font-size="18pt"/></style:style>
</office:automatic-styles>
<office:master-styles><style:master-page style:name="Default" style:page-layout-name="PM1"/></office:master-styles>
<office:body><office:presentation>
<draw:page draw:name="page1" draw:master-page-name="Default">
<draw:frame draw:style-name="gr1" svg:x="2cm" svg:y="1cm" svg:width="24cm" svg:height="3cm"><draw:text-box><text:p>)"
                        << word("heading").typed << R"(</text:p></draw:text-box></draw:frame>
<draw:custom-shape draw:style-name="gr2" svg:x="2cm" svg:y="5cm" svg:width="10cm" svg:height="4cm"><text:p>)"
                        << word("table cell").typed
                        << R"(</text:p><draw:enhanced-geometry draw:type="rectangle" svg:viewBox="0 0 21600 21600"/></draw:custom-shape>
<presentation:notes><draw:frame draw:style-name="gr3" presentation:class="notes" svg:x="2cm" svg:y="14cm" svg:width="17cm" svg:height="10cm"><draw:text-box><text:p>)"
                        << word("list item").typed << R"(</text:p></draw:text-box></draw:frame></presentation:notes>
</draw:page>
</office:presentation></office:body></office:document>
)";
}

// A sheet with a cell of a PANCHARI style, a cell that takes its column's, a number in
// the same style, and a comment.
void writeSheet(const fs::path& file) {
    std::ofstream(file) << R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document )" << kNamespaces << R"( office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:font-face-decls><style:font-face style:name="PANCHARI" svg:font-family="PANCHARI"/></office:font-face-decls>
<office:automatic-styles>
<style:style style:name="ce1" style:family="table-cell" style:parent-style-name="Default"><style:text-properties style:font-name="PANCHARI" fo:font-size="14pt"/></style:style>
<style:style style:name="P1" style:family="paragraph"><style:text-properties style:font-name="PANCHARI"/></style:style>
</office:automatic-styles>
<office:body><office:spreadsheet><table:table table:name="Sheet1">
<table:table-column table:default-cell-style-name="Default"/><table:table-column table:default-cell-style-name="ce1"/>
<table:table-row><table:table-cell table:style-name="ce1" office:value-type="string"><text:p>)"
                        << word("header").typed << R"(</text:p></table:table-cell><table:table-cell office:value-type="string"><text:p>)"
                        << word("footer").typed << R"(</text:p></table:table-cell></table:table-row>
<table:table-row><table:table-cell table:style-name="ce1" office:value-type="float" office:value="42"><text:p>42</text:p></table:table-cell><table:table-cell office:value-type="string"><office:annotation><text:p text:style-name="P1">)"
                        << word("footnote").typed << R"(</text:p></office:annotation><text:p>x</text:p></table:table-cell></table:table-row>
</table:table></office:spreadsheet></office:body></office:document>
)";
}

std::string unicodeOf(const PlacedWord& w) {
    std::vector<std::uint8_t> typed(w.typed.begin(), w.typed.end());
    std::string out;
    for (char16_t c : convertLegacyText(panchariFont(), typed.data(), typed.size(), true)) appendUtf8(out, c);
    return out;
}

}  // namespace

TEST_F(Interop, SlidesAndSheetsReadBack) {
    test::TempDir dir;
    writeSlides(dir.path() / "slides.fodp");
    writeSheet(dir.path() / "sheet.fods");
    office.convert({dir.path() / "slides.fodp"}, "odp", dir.path() / "made");
    office.convert({dir.path() / "sheet.fods"}, "ods", dir.path() / "made");
    const struct {
        const char* file;
        const char* flat;
        std::vector<const char*> words;
    } kinds[] = {{"slides.odp", "fodp", {"heading", "table cell", "list item"}},
                 {"sheet.ods", "fods", {"header", "footer"}}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.file);
        const fs::path in = dir.path() / "made" / kind.file;
        ASSERT_TRUE(fs::exists(in)) << "LibreOffice wrote " << in;
        const std::string bytes = test::readFile(in);
        std::vector<fs::path> outputs;
        for (bool unicode : {false, true}) {
            std::string out;
            const ConversionReport r = test::convert(bytes, out, test::unicodeOptions(unicode));
            ASSERT_TRUE(r.ok) << r.error;
            EXPECT_EQ(r.converted(), 7u) << "every typed letter (and the sheet's x, in its column's font), and nothing else";
            outputs.push_back(dir.path() / "out" / ((unicode ? "unicode_" : "ml_") + std::string(kind.file)));
            fs::create_directories(outputs.back().parent_path());
            test::writeFile(outputs.back(), out);
        }
        office.convert(outputs, kind.flat, dir.path() / "read");
        for (std::size_t k = 0; k < outputs.size(); ++k) {
            const bool unicode = k == 1;
            SCOPED_TRACE(unicode ? "Unicode" : "ML-TTRevathi");
            const std::string after =
                test::readFile(dir.path() / "read" / fs::path(outputs[k].filename()).replace_extension(kind.flat));
            ASSERT_FALSE(after.empty());
            for (const char* place : kind.words) {
                const PlacedWord& w = word(place);
                EXPECT_NE(after.find(unicode ? unicodeOf(w) : utf8Of(w.converted)), std::string::npos) << place;
                EXPECT_EQ(after.find(">" + w.typed + "<"), std::string::npos) << place << " is left as typed";
            }
            EXPECT_NE(after.find(unicode ? "Noto Sans Malayalam" : "ML-TTRevathi"), std::string::npos);
            if (unicode) {
                EXPECT_NE(after.find("style:language-complex=\"ml\""), std::string::npos);
            }
            if (std::string(kind.flat) == "fods") {
                EXPECT_NE(after.find("office:value=\"42\""), std::string::npos);
            }
        }
        if (std::string(kind.flat) != "fods") continue;
        // Calc leaves comments out of its flat XML: they are read back as Excel writes them.
        office.convert(outputs, "xlsx", dir.path() / "read");
        for (std::size_t k = 0; k < outputs.size(); ++k) {
            const auto members = test::zipMembers(
                test::readFile(dir.path() / "read" / fs::path(outputs[k].filename()).replace_extension(".xlsx")), false);
            const auto comments = members.find("xl/comments1.xml");
            ASSERT_NE(comments, members.end());
            const PlacedWord& w = word("footnote");
            EXPECT_NE(comments->second.find(k == 1 ? unicodeOf(w) : utf8Of(w.converted)), std::string::npos)
                << comments->second;
        }
    }
}

// The same slides as LibreOffice writes them in ODP and in PPTX (their font named on the
// text, where both formats keep it) convert alike, and the converted PPTX reads back in
// LibreOffice with every word in the Unicode font.
TEST_F(Interop, SlidesAsOdpAndPptxConvertAlike) {
    test::TempDir dir;
    std::string frames;
    int y = 1;
    for (const char* place : {"heading", "table cell", "list item"}) {
        frames += "<draw:frame draw:style-name=\"gr1\" svg:x=\"2cm\" svg:y=\"" + std::to_string(y) +
                  "cm\" svg:width=\"20cm\" svg:height=\"2cm\"><draw:text-box><text:p><text:span text:style-name=\"T1\">" +
                  word(place).typed + "</text:span> and English</text:p></draw:text-box></draw:frame>";
        y += 3;
    }
    std::ofstream(dir.path() / "deck.fodp") << R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document )" << kNamespaces << R"( office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:font-face-decls><style:font-face style:name="PANCHARI" svg:font-family="PANCHARI"/></office:font-face-decls>
<office:automatic-styles>
<style:page-layout style:name="PM1"><style:page-layout-properties fo:page-width="28cm" fo:page-height="15.75cm"/></style:page-layout>
<style:style style:name="gr1" style:family="graphic"/>
<style:style style:name="T1" style:family="text"><style:text-properties style:font-name="PANCHARI" fo:font-size="28pt" fo:font-weight="bold"/></style:style>
</office:automatic-styles>
<office:master-styles><style:master-page style:name="Default" style:page-layout-name="PM1"/></office:master-styles>
<office:body><office:presentation><draw:page draw:name="page1" draw:master-page-name="Default">)"
                                          << frames << R"(</draw:page></office:presentation></office:body></office:document>
)";
    office.convert({dir.path() / "deck.fodp"}, "odp", dir.path() / "made");
    office.convert({dir.path() / "deck.fodp"}, "pptx", dir.path() / "made");
    std::string texts[2];
    int k = 0;
    for (const char* name : {"deck.odp", "deck.pptx"}) {
        SCOPED_TRACE(name);
        const std::string bytes = test::readFile(dir.path() / "made" / name);
        ASSERT_FALSE(bytes.empty()) << "LibreOffice wrote " << name;
        ConversionOptions options = test::unicodeOptions();
        options.textOnly = true;
        const ConversionReport r = test::convert(bytes, texts[k++], options);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.converted(), 7u);
    }
    // The slide's lines agree; the masters' and layouts' own text differs between the formats.
    const auto malayalamLines = [](const std::string& text) {
        std::string lines;
        for (std::size_t at = 0, next; at < text.size(); at = next + 1) {
            next = text.find('\n', at);
            if (next == std::string::npos) next = text.size();
            const std::string line = text.substr(at, next - at);
            if (line.find("\xE0\xB4") != std::string::npos || line.find("\xE0\xB5") != std::string::npos) lines += line + "\n";
        }
        return lines;
    };
    EXPECT_EQ(malayalamLines(texts[0]), malayalamLines(texts[1]));
    for (const char* place : {"heading", "table cell", "list item"})
        EXPECT_NE(texts[1].find(unicodeOf(word(place)) + " and English"), std::string::npos) << place;

    std::string out;
    ASSERT_TRUE(test::convert(test::readFile(dir.path() / "made" / "deck.pptx"), out, test::unicodeOptions()).ok);
    fs::create_directories(dir.path() / "out");
    test::writeFile(dir.path() / "out" / "deck.pptx", out);
    office.convert({dir.path() / "out" / "deck.pptx"}, "fodp", dir.path() / "read");
    const std::string after = test::readFile(dir.path() / "read" / "deck.fodp");
    ASSERT_FALSE(after.empty());
    for (const char* place : {"heading", "table cell", "list item"}) {
        EXPECT_NE(after.find(unicodeOf(word(place))), std::string::npos) << place;
        EXPECT_EQ(after.find(">" + word(place).typed + "<"), std::string::npos) << place;
    }
    EXPECT_NE(after.find("style:font-name-complex=\"Noto Sans Malayalam"), std::string::npos);
    EXPECT_NE(after.find("fo:font-weight=\"bold\""), std::string::npos) << "the run's bold kept";
}

// The same sheet as LibreOffice writes it in ODS and in XLSX converts alike, and the
// converted XLSX reads back in LibreOffice with every string converted in its cell, the
// number kept.
TEST_F(Interop, SheetAsOdsAndXlsxConvertAlike) {
    test::TempDir dir;
    writeSheet(dir.path() / "sheet.fods");
    office.convert({dir.path() / "sheet.fods"}, "ods", dir.path() / "made");
    office.convert({dir.path() / "sheet.fods"}, "xlsx", dir.path() / "made");
    // Each text's lines, in order: the formats put comments in different places.
    const auto lines = [](const std::string& text) {
        std::vector<std::string> out;
        for (std::size_t at = 0, next; at < text.size(); at = next + 1) {
            next = text.find('\n', at);
            if (next == std::string::npos) next = text.size();
            if (next > at) out.push_back(text.substr(at, next - at));
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    std::vector<std::string> texts[2];
    int k = 0;
    for (const char* name : {"sheet.ods", "sheet.xlsx"}) {
        SCOPED_TRACE(name);
        const std::string bytes = test::readFile(dir.path() / "made" / name);
        ASSERT_FALSE(bytes.empty()) << "LibreOffice wrote " << name;
        ConversionOptions options = test::unicodeOptions();
        options.textOnly = true;
        std::string text;
        const ConversionReport r = test::convert(bytes, text, options);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.converted(), 7u);
        texts[k++] = lines(text);
    }
    EXPECT_EQ(texts[0], texts[1]);

    std::string out;
    const ConversionReport r = test::convert(test::readFile(dir.path() / "made" / "sheet.xlsx"), out, test::unicodeOptions());
    ASSERT_TRUE(r.ok) << r.error;
    fs::create_directories(dir.path() / "out");
    test::writeFile(dir.path() / "out" / "sheet.xlsx", out);
    office.convert({dir.path() / "out" / "sheet.xlsx"}, "fods", dir.path() / "read");
    const std::string after = test::readFile(dir.path() / "read" / "sheet.fods");
    ASSERT_FALSE(after.empty());
    for (const char* place : {"header", "footer"}) {
        EXPECT_NE(after.find(unicodeOf(word(place))), std::string::npos) << place;
        EXPECT_EQ(after.find(">" + word(place).typed + "<"), std::string::npos) << place;
    }
    EXPECT_NE(after.find("office:value=\"42\""), std::string::npos);
    EXPECT_NE(after.find("Noto Sans Malayalam"), std::string::npos);
}
