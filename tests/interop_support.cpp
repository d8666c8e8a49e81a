#include "interop_support.h"

#include <fstream>

#include "fonts/unicode_malayalam.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace tolvarin::interop {

int run(const std::string& command, std::string* output) {
    test::CommandResult r = test::runCommand(command);
    if (output) *output = r.output;
    return r.status;
}

std::string q(const fs::path& p) {
    std::string s = "'";
    for (char c : p.string()) s += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return s + "'";
}

const std::vector<PlacedWord>& placedWords() {
    static const std::vector<PlacedWord> words = {
        {"heading", "ABC", {0xA1, 0xA7, 0xA6}}, {"table cell", "EF", {0xAA, 0xA9}},
        {"list item", "GH", {0xAB, 0xAE}},      {"header", "KL", {0xB6, 0xB4}},
        {"footer", "MN", {0xB8, 0xBD}},         {"footnote", "OP", {0xBC, 0xA4}},
        {"beside a picture", "TU", {0xCA, 0xC5}},
    };
    return words;
}

std::string utf8Of(const std::vector<int>& codes) {
    std::string s;
    for (int c : codes) appendUtf8(s, decodeCp1252(std::uint8_t(c)));
    return s;
}

namespace {

constexpr const char* kPngBase64 =
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==";
}  // namespace

const char* const kPngHex =
    "89504e470d0a1a0a0000000d49484452000000010000000108060000001f15c4890000000d4944415478da63fccfc0500f0004850180"
    "84a98c210000000049454e44ae426082";

void writeLayoutOdt(const fs::path& file) {
    auto word = [](const char* place) {
        for (const PlacedWord& w : placedWords())
            if (std::string(w.place) == place) return "<text:span text:style-name=\"P\">" + w.typed + "</text:span>";
        return std::string();
    };
    std::ofstream(file) << R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:xlink="http://www.w3.org/1999/xlink" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:font-face-decls><style:font-face style:name="PANCHARI" svg:font-family="PANCHARI"/></office:font-face-decls>
<office:styles>
<text:list-style style:name="Bullets"><text:list-level-style-bullet text:level="1" text:bullet-char="&#x2022;"/></text:list-style>
</office:styles>
<office:automatic-styles>
<style:style style:name="P" style:family="text"><style:text-properties style:font-name="PANCHARI" fo:font-size="14pt"/></style:style>
<style:style style:name="H" style:family="paragraph"><style:paragraph-properties fo:text-align="center"/><style:text-properties fo:color="#ff0000"/></style:style>
<style:page-layout style:name="PL"><style:page-layout-properties fo:page-width="21cm" fo:page-height="29.7cm"/><style:header-style/><style:footer-style/></style:page-layout>
</office:automatic-styles>
<office:master-styles><style:master-page style:name="Standard" style:page-layout-name="PL">
<style:header><text:p>)" << word("header") << R"(</text:p></style:header>
<style:footer><text:p>)" << word("footer") << R"(</text:p></style:footer>
</style:master-page></office:master-styles>
<office:body><office:text>
<text:p text:style-name="H">)" << word("heading") << R"(</text:p>
<table:table table:name="T"><table:table-column table:number-columns-repeated="2"/>
<table:table-row><table:table-cell><text:p>)" << word("table cell") << R"(</text:p></table:table-cell><table:table-cell><text:p>x</text:p></table:table-cell></table:table-row>
</table:table>
<text:list text:style-name="Bullets"><text:list-item><text:p>)" << word("list item") << R"(</text:p></text:list-item></text:list>
<text:p>y<text:note text:id="n1" text:note-class="footnote"><text:note-citation>1</text:note-citation><text:note-body><text:p>)"
                        << word("footnote") << R"(</text:p></text:note-body></text:note></text:p>
<text:p><draw:frame draw:name="I" text:anchor-type="as-char" svg:width="1cm" svg:height="1cm"><draw:image><office:binary-data>)"
                        << kPngBase64 << R"(</office:binary-data></draw:image></draw:frame>)" << word("beside a picture") << R"(</text:p>
</office:text></office:body></office:document>
)";
}

std::map<std::string, int> layoutCounts(const std::string& fodt) {
    std::map<std::string, int> counts;
    for (const char* mark : {"<table:table-cell", "<text:list-item", "<style:header>", "<style:footer>",
                             "<text:note ", "<draw:image", "fo:text-align=\"center\"", "fo:color=\"#ff0000\""}) {
        int n = 0;
        for (std::size_t at = fodt.find(mark); at != std::string::npos; at = fodt.find(mark, at + 1)) ++n;
        counts[mark] = n;
    }
    return counts;
}

void expectEveryWordConverted(const std::string& fodt, bool unicode, const std::string& name) {
    for (const PlacedWord& w : placedWords()) {
        std::string expected = utf8Of(w.converted);
        if (unicode) {
            std::vector<std::uint8_t> typed(w.typed.begin(), w.typed.end());
            expected.clear();
            for (char16_t c : convertLegacyText(panchariFont(), typed.data(), typed.size(), true)) appendUtf8(expected, c);
        }
        EXPECT_NE(fodt.find(expected), std::string::npos) << name << ": " << w.place;
    }
}

std::vector<Reading> readBack(Office& office, const fs::path& dir, const std::vector<fs::path>& inputs,
                              const std::vector<fs::path>& outputs) {
    office.convert(inputs, "fodt", dir / "in-read");
    office.convert(outputs, "fodt", dir / "out-read");
    std::vector<Reading> readings;
    for (std::size_t k = 0; k < outputs.size(); ++k) {
        Reading r;
        r.name = fs::path(outputs[k].filename()).replace_extension(".fodt");
        r.before = test::readFile(dir / "in-read" / fs::path(inputs[k / 2].filename()).replace_extension(".fodt"));
        r.after = test::readFile(dir / "out-read" / r.name);
        r.unicode = k % 2 == 1;
        readings.push_back(std::move(r));
    }
    return readings;
}

}  // namespace tolvarin::interop
