// Interoperability with a real word processor: LibreOffice, headless with a profile
// of its own, writes RTF for Tolvarin to convert, and reads back what Tolvarin writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>

#include "conversion_pass.h"
#include "interop_support.h"
#include "io/file_io.h"
#include "model/document.h"
#include "test_support.h"
#include "text/utf8.h"

using namespace tolvarin;
using namespace tolvarin::interop;
using tolvarin::test::codes;

namespace {

bool convertFile(const fs::path& in, const fs::path& out) {
    Document source, working, destination;
    if (!source.loadFile(in)) return false;
    WindowlessHost host(out);
    return runConversionPass(source, working, destination, host).status == PassOutcome::Status::Saved;
}

// A paragraph of a generated document: its font face, styles, size and 8-bit codes.
struct Para {
    const char* face;  // a font-face declared in the document
    bool bold, italic, underline;
    int points;
    std::vector<int> codes;
    // What the rules make of it.
    const char* expectedFont;
    std::u16string expectedText;
};

std::string xmlText(const std::vector<int>& bytes, bool symbol) {
    std::string s;
    for (int b : bytes) {
        // A symbol font's codes live at U+F000 + code in a document's text.
        char32_t c = symbol ? char32_t(0xF000 + b) : char32_t(decodeCp1252(std::uint8_t(b)));
        if (c == '<') s += "&lt;";
        else if (c == '&') s += "&amp;";
        else appendUtf8(s, c);
    }
    return s;
}

// A flat ODT file with one paragraph per entry.
void writeFlatOdt(const fs::path& file, const std::vector<Para>& paras) {
    std::string styles, body;
    for (std::size_t i = 0; i < paras.size(); ++i) {
        const Para& p = paras[i];
        styles += "<style:style style:name=\"T" + std::to_string(i) +
                  "\" style:family=\"text\"><style:text-properties style:font-name=\"" + p.face +
                  "\" fo:font-size=\"" + std::to_string(p.points) + "pt\" fo:font-weight=\"" +
                  (p.bold ? "bold" : "normal") + "\" fo:font-style=\"" + (p.italic ? "italic" : "normal") + "\"" +
                  (p.underline ? " style:text-underline-style=\"solid\" style:text-underline-width=\"auto\""
                                 " style:text-underline-color=\"font-color\""
                               : "") +
                  "/></style:style>";
        body += "<text:p><text:span text:style-name=\"T" + std::to_string(i) + "\">" +
                xmlText(p.codes, std::string(p.face) == "PanchariSymbol") + "</text:span></text:p>";
    }
    std::ofstream(file) << R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:font-face-decls>
<style:font-face style:name="PANCHARI" svg:font-family="PANCHARI"/>
<style:font-face style:name="Panchari" svg:font-family="Panchari"/>
<style:font-face style:name="PanchariBold" svg:font-family="PANCHARI Bold"/>
<style:font-face style:name="PanchariSymbol" svg:font-family="PANCHARI" style:font-charset="x-symbol"/>
<style:font-face style:name="Arial" svg:font-family="Arial"/>
<style:font-face style:name="Panchar" svg:font-family="Panchar"/>
</office:font-face-decls>
<office:automatic-styles>)" << styles
                         << "</office:automatic-styles><office:body><office:text>" << body
                         << "</office:text></office:body></office:document>\n";
}

// Expectations derived by hand from the mapping tables, one rule each.
const std::vector<Para>& producerParagraphs() {
    static const std::vector<Para> paras = {
        {"PANCHARI", true, false, false, 18, {0x41, 0xB5, 0xEF}, "ML-TTRevathi", codes({0xA1, 0xA2})},
        {"Panchari", false, true, false, 11, {0xCC, 0xEE, 0x20, 0xDC}, "ML-TTRevathi", codes({0xBA, 0x20, 0x65})},
        {"PANCHARI", false, false, true, 12, {0x79, 0x51}, "ML-TTRevathi", u"Xv\\''"},
        {"PanchariBold", true, true, true, 9, {0x6C, 0xE8}, "ML-TTRevathi", codes({0x63, 0x71, 0x5D, 0x73, 0x73})},
        {"PanchariSymbol", false, false, false, 14, {0xCC, 0x6C, 0xA1}, "ML-TTRevathi",
         codes({0x5F, 0x63, 0x71, 0x5D, 0x76})},
        {"PanchariSymbol", true, false, false, 20, {0xD9, 0xF0, 0x91, 0x93}, "ML-TTRevathi", codes({0xCB, 0x91, 0x93})},
        {"Arial", false, true, true, 10, {0x41, 0xB5, 0xEF}, "Arial", codes({0x41, 0xB5, 0xEF})},
        {"Panchar", false, false, false, 16, {0x41}, "Panchar", u"A"},
    };
    return paras;
}

// Per character: the text and its font, styles and size, comparing two readings.
void expectSameReading(const Document& ours, const Document& theirs, const std::string& what) {
    std::u16string a = ours.text(), b = theirs.text();
    while (!a.empty() && a.back() == kParagraphBreak) a.pop_back();
    while (!b.empty() && b.back() == kParagraphBreak) b.pop_back();
    ASSERT_EQ(a, b) << what;
    for (std::size_t p = 1; p <= a.size(); ++p) {
        if (a[p - 1] == kParagraphBreak) continue;  // a paragraph mark's format is the paragraph's
        CharFormat x = ours.formatAt(p), y = theirs.formatAt(p);
        ASSERT_EQ(x.font.name, y.font.name) << what << " at " << p;
        ASSERT_EQ(x.bold, y.bold) << what << " at " << p;
        ASSERT_EQ(x.italic, y.italic) << what << " at " << p;
        ASSERT_EQ(x.underline, y.underline) << what << " at " << p;
        ASSERT_EQ(x.fontSize, y.fontSize) << what << " at " << p;
    }
}

std::u16string withoutWhitespace(const std::string& utf8Text) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8Text.size();) {
        const char32_t c = nextCodePoint(utf8Text, i);
        bool space = c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0xA0 || c == 0xFEFF || c == 0x2028 ||
                     c == 0x2029 || (c >= 0x2000 && c <= 0x200B) || c == 0x3000 || c == 0x85;
        if (!space) out += c > 0xFFFF ? u'\uFFFD' : char16_t(c);
    }
    return out;
}

}  // namespace


TEST_F(Interop, ConvertsWhatLibreOfficeWrites) {
    test::TempDir dir;
    const auto& paras = producerParagraphs();
    // One document of all paragraphs, and one document per paragraph.
    std::vector<fs::path> sources = {dir.path() / "all.fodt"};
    writeFlatOdt(sources[0], paras);
    for (std::size_t i = 0; i < paras.size(); ++i) {
        sources.push_back(dir.path() / ("p" + std::to_string(i) + ".fodt"));
        writeFlatOdt(sources.back(), {paras[i]});
    }
    office.convert(sources, "rtf", dir.path() / "rtf");

    auto check = [&](const fs::path& rtf, std::vector<Para> expected) {
        fs::path out = dir.path() / ("Converted_" + rtf.filename().string());
        ASSERT_TRUE(convertFile(rtf, out)) << rtf;
        Document d;
        ASSERT_TRUE(d.loadFile(out).ok);
        std::size_t pos = 1;
        for (const Para& p : expected) {
            ASSERT_LE(pos + p.expectedText.size() - 1, d.length()) << p.face;
            EXPECT_EQ(d.text().substr(pos - 1, p.expectedText.size()), p.expectedText) << rtf << " " << p.face;
            for (std::size_t k = 0; k < p.expectedText.size(); ++k) {
                CharFormat f = d.formatAt(pos + k);
                EXPECT_EQ(f.font.name, p.expectedFont) << p.face << " " << k;
                EXPECT_EQ(f.bold, p.bold) << p.face << " " << k;
                EXPECT_EQ(f.italic, p.italic) << p.face << " " << k;
                EXPECT_EQ(f.underline, p.underline) << p.face << " " << k;
                EXPECT_EQ(f.fontSize, p.points * 2) << p.face << " " << k;
            }
            pos += p.expectedText.size();
            ASSERT_LE(pos, d.length());
            EXPECT_EQ(d.text()[pos - 1], kParagraphBreak) << p.face;
            ++pos;
        }
    };
    check(dir.path() / "rtf" / "all.rtf", paras);
    for (std::size_t i = 0; i < paras.size(); ++i) check(dir.path() / "rtf" / ("p" + std::to_string(i) + ".rtf"), {paras[i]});
}

TEST_F(Interop, LibreOfficeReadsWhatTolvarinWrites) {
    test::TempDir dir;
    std::vector<fs::path> written;
    // Converted documents of every producer style, and documents made to hold every
    // 8-bit code and style in fonts of each kind.
    for (const char* name : {"wordpad_style.rtf", "word_style.rtf", "libreoffice_style.rtf"}) {
        written.push_back(dir.path() / (std::string("Converted_") + name));
        ASSERT_TRUE(convertFile(test::dataDir() / name, written.back()));
    }
    written.push_back(dir.path() / "Converted_letter.rtf");
    ASSERT_TRUE(convertFile(test::dataDir() / ".." / ".." / "samples" / "letter.rtf", written.back()));
    {
        Document d;
        std::u16string all8;
        for (int b = 0x20; b < 0x100; ++b)
            if (b != 0x7F && b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) all8 += decodeCp1252(std::uint8_t(b));
        int i = 0;
        for (const char* font : {"ML-TTRevathi", "Arial", "Times New Roman"})
            for (int size : {16, 24, 37})
                d.append(all8 + u"\n", CharFormat{Font{font, kAnsiCharset}, (i & 1) != 0, (i & 2) != 0, (i++ & 4) != 0, size});
        d.append(u"Cyrillic \u0430\u0431\u0432 Greek \u03B1\u03B2 Malayalam \u0D15\u0D16\n", CharFormat{Font{"Arial", kAnsiCharset}});
        written.push_back(dir.path() / "generated.rtf");
        ASSERT_TRUE(d.saveFile(written.back()).ok);
    }
    office.convert(written, "rtf", dir.path() / "back");
    for (const fs::path& file : written) {
        Document ours, theirs;
        ASSERT_TRUE(ours.loadFile(file).ok);
        LoadResult r = theirs.loadFile(dir.path() / "back" / file.filename());
        ASSERT_TRUE(r.ok) << file << ": " << r.description;
        expectSameReading(ours, theirs, file.filename().string());
    }
}

TEST_F(Interop, CorpusTextSurvivesTolvarin) {
    if (!fs::is_directory(test::corpusDir())) GTEST_SKIP() << "no peer corpus beside the project";
    test::TempDir dir;
    const fs::path in = dir.path() / "in", out = dir.path() / "out";
    fs::create_directories(in);
    fs::create_directories(out);
    std::vector<fs::path> inputs, outputs;
    int total = 0;
    for (const fs::path& file : test::corpusFiles()) {
        ++total;
        // Flat, unique names: LibreOffice names each output after its input.
        std::string flat = fs::relative(file, test::corpusDir()).string();
        for (char& c : flat)
            if (c == '/' || c == '-') c = '_';
        Document probe;
        if (!probe.loadFile(file)) continue;
        fs::copy(file, in / flat);
        inputs.push_back(in / flat);
        outputs.push_back(out / flat);
        ASSERT_TRUE(convertFile(file, out / flat)) << file;
    }
    office.convert(inputs, "txt:Text (encoded):UTF8", dir.path() / "in-text");
    office.convert(outputs, "txt:Text (encoded):UTF8", dir.path() / "out-text");

    int matching = 0;
    std::vector<std::string> differing;
    for (const fs::path& file : inputs) {
        fs::path txt = fs::path(file.filename()).replace_extension(".txt");
        fs::path a = dir.path() / "in-text" / txt, b = dir.path() / "out-text" / txt;
        if (!fs::exists(a)) {
            differing.push_back(file.filename().string() + ": LibreOffice could not read the original");
            continue;
        }
        std::u16string x = withoutWhitespace(test::readFile(a)), y = withoutWhitespace(test::readFile(b));
        if (x == y) {
            ++matching;
            continue;
        }
        std::size_t at = 0;
        while (at < x.size() && at < y.size() && x[at] == y[at]) ++at;
        auto around = [&](const std::u16string& s) {
            std::string o;
            char hex[12];
            for (std::size_t i = at; i < std::min(s.size(), at + 16); ++i) {
                if (s[i] < 0x80) {
                    o += char(s[i]);
                } else {
                    std::snprintf(hex, sizeof hex, "<%04X>", unsigned(s[i]));
                    o += hex;
                }
            }
            return o;
        };
        differing.push_back(file.filename().string() + ": from character " + std::to_string(at) + " original \"" +
                            around(x) + "\" / Tolvarin \"" + around(y) + "\"");
    }
    std::printf("corpus text fidelity: %d matching / %zu loaded / %d total\n", matching, inputs.size(), total);
    for (const std::string& d : differing) std::printf("  differs: %s\n", d.c_str());
    RecordProperty("matching", matching);
    EXPECT_EQ(total, 333);
    EXPECT_GE(matching, TOLVARIN_CORPUS_MATCH_FLOOR) << "fewer corpus files keep their text than before";
}

namespace {

// The same layout as Word writes it, by hand.
std::string wordStyleLayout() {
    return std::string(
               "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
               "{\\f1\\fnil\\fcharset2\\fprq2{\\*\\panose 00000000000000000000}PANCHARI;}}"
               "{\\colortbl;\\red255\\green0\\blue0;}"
               "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23\\levelstartat1"
               "{\\leveltext\\'01\\'95;}{\\levelnumbers;}\\fi-360\\li720}\\listid1}}"
               "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}"
               "{\\*\\generator Microsoft Word 11.0.8134;}"
               "\\paperw11906\\paperh16838\\sectd{\\header \\pard\\plain {\\f1\\fs28 KL}\\par}"
               "{\\footer \\pard\\plain {\\f1\\fs28 MN}\\par}"
               "\\pard\\plain\\qc{\\cf1\\f1\\fs28 ABC}\\par"
               "\\trowd\\cellx3000\\cellx6000\\pard\\plain\\intbl{\\f1\\fs28 EF}\\cell x\\cell\\row"
               "{\\listtext\\pard\\plain\\f0 \\'95\\tab}\\pard\\plain\\ls1\\fi-360\\li720{\\f1\\fs28 GH}\\par"
               "\\pard\\plain y{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} {\\f1\\fs28 OP}\\par}\\par"
               "\\pard\\plain{\\*\\shppict{\\pict\\pngblip\\picw1\\pich1\\picwgoal567\\pichgoal567 ") +
           kPngHex + "}}{\\f1\\fs28 TU}\\par}";
}

}  // namespace

// Documents with a layout keep all of it: LibreOffice reads the converted document
// with the same table, list, header, footer, footnote, picture, colour and
// alignment, and with every word converted and set in ML-TTRevathi.
TEST_F(Interop, LayoutIsKept) {
    test::TempDir dir;
    writeLayoutOdt(dir.path() / "layout.fodt");
    office.convert({dir.path() / "layout.fodt"}, "rtf", dir.path() / "in");
    test::writeFile(dir.path() / "in" / "word_layout.rtf", wordStyleLayout());
    std::vector<fs::path> inputs = {dir.path() / "in" / "layout.rtf", dir.path() / "in" / "word_layout.rtf"};
    // Each converted to ML-TTRevathi and to Unicode Malayalam.
    std::vector<fs::path> outputs;
    fs::create_directories(dir.path() / "out");
    for (const fs::path& in : inputs) {
        ASSERT_TRUE(fs::exists(in)) << in;
        outputs.push_back(dir.path() / "out" / in.filename());
        ASSERT_TRUE(convertFile(in, outputs.back())) << in;
        outputs.push_back(dir.path() / "out" / ("unicode_" + in.filename().string()));
        const ConversionReport r = convertDocument(test::readFile(in), test::unicodeOptions(), intoFile(outputs.back()));
        ASSERT_TRUE(r.ok) << r.error;
    }
    for (const auto& [name, before, after, unicode] : readBack(office, dir.path(), inputs, outputs)) {
        ASSERT_FALSE(before.empty()) << name;
        ASSERT_FALSE(after.empty()) << name;
        const auto counts = layoutCounts(before);
        EXPECT_EQ(layoutCounts(after), counts) << name;
        for (const auto& [mark, n] : counts) EXPECT_GT(n, 0) << name << " lacks " << mark << " to begin with";
        expectEveryWordConverted(after, unicode, name.string());
        if (unicode) {
            EXPECT_NE(after.find("Noto Sans Malayalam"), std::string::npos) << name;
        } else {
            EXPECT_NE(after.find("ML-TTRevathi"), std::string::npos) << name;
            EXPECT_EQ(after.find("PANCHARI"), std::string::npos) << name;
        }
    }
}

// Unicode output as LibreOffice reads it: the expected text of the letter and of the
// prose in three producers' styles, and the Unicode font as the complex-script font
// with the letter's bold 18 pt title, underline and italic closing.
TEST_F(Interop, UnicodeOutputReadsBack) {
    test::TempDir dir;
    const fs::path samples = test::dataDir() / ".." / ".." / "samples";
    const std::vector<std::pair<fs::path, fs::path>> documents = {
        {samples / "letter.rtf", samples / "letter.unicode.txt"},
        {test::dataDir() / "prose_wordpad.rtf", test::dataDir() / "prose.expected.txt"},
        {test::dataDir() / "prose_word.rtf", test::dataDir() / "prose.expected.txt"},
        {test::dataDir() / "prose_lo.rtf", test::dataDir() / "prose.expected.txt"},
    };
    std::vector<fs::path> outputs;
    for (const auto& [in, expected] : documents) {
        outputs.push_back(dir.path() / ("Unicode_" + in.filename().string()));
        const std::string rtf = test::readFile(in);
        const ConversionReport r = convertDocument(rtf, test::unicodeOptions(), intoFile(outputs.back()));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.kept(), 0u) << in;
    }
    office.convert(outputs, "txt:Text (encoded):UTF8", dir.path() / "text");
    office.convert({outputs[0]}, "fodt", dir.path() / "flat");
    for (std::size_t k = 0; k < documents.size(); ++k) {
        std::string text = test::readFile(dir.path() / "text" / fs::path(outputs[k].filename()).replace_extension(".txt"));
        if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
        EXPECT_EQ(text, test::readFile(documents[k].second)) << outputs[k].filename();
    }
    const std::string flat = test::readFile(dir.path() / "flat" / "Unicode_letter.fodt");
    ASSERT_FALSE(flat.empty());
    // Each property LibreOffice applies to Malayalam, as the letter has it.
    std::size_t at = flat.find("svg:font-family=\"&apos;Noto Sans Malayalam&apos;\" style:font-family-generic=\"system\"");
    EXPECT_NE(at, std::string::npos) << "the Unicode font is the complex-script font";
    for (const char* property : {"style:font-size-complex=\"18pt\" style:font-weight-complex=\"bold\"",
                                 "style:font-style-complex=\"italic\"", "style:text-underline-style=\"solid\""})
        EXPECT_NE(flat.find(property), std::string::npos) << property;
}

// A document typed in a family font with its own glyphs for a consonant with its vowel
// sign, as WordPad, Word and LibreOffice write it, converted to Unicode: LibreOffice
// reads the expected text, and the first word's bold 18 pt and the second's italic as
// complex-script properties.
TEST_F(Interop, FamilyFontToUnicodeReadsBack) {
    // കുട്ടികൾ (bold, 18 pt) രുചി (italic); നുണ ക്രു ക്യു ന്നു.
    const std::vector<std::vector<int>> words = {{0xE6, 0xAB, 0x6E, 0x49, 0xC4}, {0xEA, 0x4E, 0x6E},
                                                 {0xEB, 0x57, 0x20, 0x7B, 0xE6, 0x20, 0xE6, 0x79, 0x20, 0xEC}};
    auto hex = [](const std::vector<int>& codes) {
        std::string s;
        for (int c : codes) s += "\\'" + std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15];
        return s;
    };
    auto symbol = [](const std::vector<int>& codes) {
        std::string s;
        for (int c : codes) {
            char e[32];
            std::snprintf(e, sizeof e, "\\u%d\\'%02x", 0xF000 + c - 65536, c & 0xFF);
            s += e;
        }
        return s;
    };
    const std::map<std::string, std::string> documents = {
        {"wordpad.rtf", "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}{\\f1\\fnil\\fcharset0 ML-TTKarthika;}}"
                        "\\pard\\f1\\fs36\\b " + hex(words[0]) + "\\b0\\fs24  \\i " + hex(words[1]) + "\\i0\\par\n" +
                        hex(words[2]) + "\\par\n}"},
        {"word.rtf", "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}"
                     "{\\f37\\fbidi \\fnil\\fcharset0\\fprq2 ML-TTKarthika;}}\\pard\\plain "
                     "{\\rtlch\\fcs1 \\ab\\af37\\afs36 \\ltrch\\fcs0 \\b\\f37\\fs36\\insrsid1 " + hex(words[0]) +
                     "}{\\rtlch\\fcs1 \\af37 \\ltrch\\fcs0 \\f37\\insrsid1  }{\\rtlch\\fcs1 \\ai\\af37 \\ltrch\\fcs0 "
                     "\\i\\f37\\insrsid1 " + hex(words[1]) + "}{\\f37 \\par }{\\rtlch\\fcs1 \\af37 \\ltrch\\fcs0 "
                     "\\f37\\insrsid1 " + hex(words[2]) + "\\par }}"},
        {"libreoffice.rtf", "{\\rtf1\\ansi\\deff3\\adeflang1025{\\fonttbl{\\f3\\froman\\fprq2\\fcharset0 Liberation Serif;}"
                            "{\\f4\\fnil\\fprq0\\fcharset2 ML-TTKarthika;}}{\\*\\generator LibreOffice/7.4}\\pard\\plain "
                            "{\\b\\hich\\af4\\loch\\f4\\fs36\\loch\n" + symbol(words[0]) + "}{\\hich\\af4\\loch\\f4\\loch\n" +
                            symbol({0x20}) + "}{\\i\\hich\\af4\\loch\\f4\\loch\n" + symbol(words[1]) + "}\n\\par "
                            "\\pard\\plain {\\hich\\af4\\loch\\f4\\loch\n" + symbol(words[2]) + "}\n\\par }"},
    };
    test::TempDir dir;
    std::vector<fs::path> outputs;
    for (const auto& [name, rtf] : documents) {
        outputs.push_back(dir.path() / ("Unicode_" + name));
        const ConversionReport r = convertDocument(rtf, test::unicodeOptions(), intoFile(outputs.back()));
        ASSERT_TRUE(r.ok) << name << ": " << r.error;
        EXPECT_EQ(r.kept(), 0u) << name;
        EXPECT_EQ(r.counts.converted[panchariFont().index()], 0u) << name << ": no PANCHARI text";
    }
    office.convert(outputs, "txt:Text (encoded):UTF8", dir.path() / "text");
    office.convert(outputs, "fodt", dir.path() / "flat");
    for (const fs::path& out : outputs) {
        std::string text = test::readFile(dir.path() / "text" / fs::path(out.filename()).replace_extension(".txt"));
        if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
        EXPECT_EQ(text, "കുട്ടികൾ രുചി\nനുണ ക്രു ക്യു ന്നു\n") << out.filename();
        const std::string flat = test::readFile(dir.path() / "flat" / fs::path(out.filename()).replace_extension(".fodt"));
        for (const char* property : {"svg:font-family=\"&apos;Noto Sans Malayalam&apos;\"", "style:font-size-complex=\"18pt\"",
                                     "style:font-weight-complex=\"bold\"", "style:font-style-complex=\"italic\""})
            EXPECT_NE(flat.find(property), std::string::npos) << out.filename() << ": " << property;
    }
}
