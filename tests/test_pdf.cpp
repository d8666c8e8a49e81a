// PDFs set in legacy fonts, to Unicode text: the text of a span in a legacy font converts
// as the same codes in an RTF document do, whichever way the PDF gives its codes, page by
// page with a form feed between; columns and cells stay apart; a PDF with nothing to
// convert, or one that is not to be converted so, says why and leaves nothing behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "api/convert_document.h"
#include "conversion_pass.h"
#include "model/document.h"
#include "pdf_support.h"
#include "test_support.h"
#include "text/codepage.h"

using namespace tolvarin;
namespace fs = std::filesystem;

namespace {

// Lines of ML-TT codes: the prose's paragraphs as ML-TTRevathi writes them, each cut at a
// word's end to fit a line, without the codes WinAnsi leaves undefined or treats as spaces.
std::vector<std::string> mlttLines() {
    std::string revathi;
    EXPECT_TRUE(test::convert(test::readFile(test::dataDir() / "prose_word.rtf"), revathi, test::unicodeOptions(false)).ok);
    Document doc;
    EXPECT_TRUE(doc.setRtf(revathi).ok);
    std::vector<std::string> lines(1);
    const auto& runs = doc.runs();
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const std::size_t end = r + 1 < runs.size() ? runs[r + 1].start : doc.length();
        const bool ml = doc.fonts()[runs[r].format.font].name == "ML-TTRevathi";
        for (std::size_t i = runs[r].start; i < end; ++i) {
            const char16_t c = doc.text()[i];
            if (c == kParagraphBreak) {
                if (!lines.back().empty()) lines.emplace_back();
                continue;
            }
            const int code = encodeCp1252(c);
            if (!ml || code < 0x20 || code == 0x81 || code == 0x8D || code == 0x8F || code == 0x90 || code == 0x9D ||
                code == 0xA0 || code == 0xAD)
                continue;
            std::string& line = lines.back();
            if (code == ' ' && (line.empty() || line.back() == ' ')) continue;
            if (code == ' ' && line.size() > 60) {
                lines.emplace_back();
                continue;
            }
            line += char(code);
        }
    }
    while (!lines.empty() && (lines.back().empty() || lines.back().back() == ' ')) {
        if (lines.back().empty()) lines.pop_back();
        else lines.back().pop_back();
    }
    return lines;
}

std::string rtfEscaped(const std::string& codes) {
    std::string out;
    for (unsigned char c : codes) {
        if (c >= 0x80 || c == '{' || c == '}' || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\'%02x", c);
            out += hex;
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string pdfText(const std::string& pdf, ConversionReport* report = nullptr) {
    ConversionOptions options = test::unicodeOptions(true);
    options.textOnly = true;
    std::string out;
    const ConversionReport r = test::convert(pdf, out, options);
    EXPECT_TRUE(r.ok) << r.error;
    if (report) *report = r;
    return out;
}

}  // namespace

// The same codes as an RTF document's and as a PDF's, three ways a producer names the font
// and gives the codes: the same Unicode text, the PDF's pages apart by a form feed.
TEST(Pdf, LegacySpansConvertAsTheSameCodesInRtf) {
    const std::vector<std::string> lines = mlttLines();
    ASSERT_GE(lines.size(), 3u);
    const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 ML-TTKarthika;}{\\f1 Helvetica;}}\\f0 " + rtfEscaped(lines[0]) +
                            "\\par\\f1 Hymn No. 25\\par\\f0 " + rtfEscaped(lines[1]) + "\\par " + rtfEscaped(lines[2]) +
                            "\\par}";
    ConversionOptions text = test::unicodeOptions(true);
    text.textOnly = true;
    std::string expected;
    ASSERT_TRUE(test::convert(rtf, expected, text).ok);
    const struct {
        const char* producer;
        test::PdfFont font;
    } cases[] = {
        {"codes kept, the font named", {"ML-TTKarthika"}},
        {"a subset, its style after a comma", {"ABCDEF+ML-TTKarthika,Bold"}},
        {"a symbol font's codes as U+F0xx", {"ML-TTKarthika", true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.producer);
        const std::string pdf = test::makePdf(
            {c.font, {"Helvetica"}},
            {{{0, 72, 720, lines[0]}, {1, 72, 700, "Hymn No. 25"}}, {{0, 72, 720, lines[1]}, {0, 72, 700, lines[2]}}});
        ConversionReport report;
        std::string got = pdfText(pdf, &report);
        const std::size_t feed = got.find('\f');
        ASSERT_NE(feed, std::string::npos) << "no form feed between the pages";
        EXPECT_EQ(got.find("Hymn No. 25\n\f"), feed - 12);
        got.erase(feed, 1);
        EXPECT_EQ(got, expected);
        EXPECT_GT(report.converted(), lines[0].size());
    }
}

// Two columns, and a table's cells on one line: no line holds both columns' words, and
// cells keep a space or tab between them.
TEST(Pdf, ColumnsAndCellsStayApart) {
    const std::string pdf = test::makePdf({{"Helvetica"}}, {{
        {0, 50, 700, "alpha one"}, {0, 330, 700, "beta one"},
        {0, 50, 686, "alpha two"}, {0, 330, 686, "beta two"},
        {0, 50, 400, "Name"}, {0, 200, 400, "Age"},
        {0, 50, 386, "Ravi"}, {0, 200, 386, "42"},
    }});
    const std::string text = pdfText(pdf);
    std::size_t from = 0;
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
        const std::string line = text.substr(from, end - from);
        EXPECT_FALSE(line.find("alpha") != std::string::npos && line.find("beta") != std::string::npos) << line;
    }
    for (const char* word : {"alpha one", "alpha two", "beta one", "beta two", "Name", "Age", "Ravi", "42"})
        EXPECT_NE(text.find(word), std::string::npos) << word << " in\n" << text;
    EXPECT_EQ(text.find("NameAge"), std::string::npos) << text;
    EXPECT_EQ(text.find("Ravi42"), std::string::npos) << text;
}

// From the command line: the text file named for what it holds; --fonts lists a PDF's
// fonts; without --unicode, damaged, or with no text, a line says why and nothing is written.
TEST(Pdf, CommandLine) {
    test::TempDir dir;
    const std::vector<std::string> lines = mlttLines();
    ASSERT_FALSE(lines.empty());
    test::writeFile(dir.path() / "roll.pdf",
                    test::makePdf({{"ML-TTKarthika"}, {"Helvetica"}}, {{{0, 72, 720, lines[0]}, {1, 72, 700, "Ward 4"}}}));
    test::writeFile(dir.path() / "scan.pdf", test::makePdf({{"Helvetica"}}, {{}}));
    test::writeFile(dir.path() / "cut.pdf", "%PDF-1.4\n1 0 obj\n<< /Type /Catalog");
    // Legacy text whose font name was lost: ML-TT codes in Calibri beside English.
    ASSERT_GE(lines.size(), 4u);
    test::writeFile(dir.path() / "lost.pdf",
                    test::makePdf({{"Calibri"}}, {{{0, 72, 720, "Holy Communion"}, {0, 72, 700, lines[0]},
                                                   {0, 72, 680, lines[1]}, {0, 72, 660, lines[2]},
                                                   {0, 72, 640, lines[3]}}}));
    // Locked with a password, where qpdf is at hand to lock it.
    const bool locked = test::runCommand("qpdf --encrypt secret secret 256 -- '" + (dir.path() / "roll.pdf").string() +
                                         "' '" + (dir.path() / "locked.pdf").string() + "'")
                            .status == 0;
    const auto run = [&](const std::string& args) {
        return test::runCommand(std::string(TOLVARIN_CONVERT_EXE) + " " + args);
    };
    const auto in = [&](const char* name) { return "'" + (dir.path() / name).string() + "'"; };
    const struct {
        std::string args;
        int status;
        std::string says;
    } cases[] = {
        {"--unicode " + in("roll.pdf"), 0, "Converted_roll.txt: "},
        {"--fonts " + in("roll.pdf"), 0, "  ML-TTKarthika: "},
        {"--fonts " + in("roll.pdf"), 0, " characters, ML-TT encoding\n  Helvetica: 6 characters, not a legacy font"},
        {in("roll.pdf"), 1, "a PDF can only be converted to Unicode text: add --unicode"},
        {"--unicode " + in("scan.pdf"), 1, "the PDF holds no text"},
        {"--unicode " + in("cut.pdf"), 1, "cut.pdf: "},
        {"--unicode -o " + in("lost-plain.txt") + " " + in("lost.pdf"), 0, "read as ML-TT; add --detect to convert them"},
        {"--unicode --detect -o " + in("lost-detected.txt") + " " + in("lost.pdf"), 0, " characters converted"},
    };
    for (const auto& c : cases) {
        const test::CommandResult r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << "\n" << r.output;
    }
    if (locked) {
        const test::CommandResult r = run("--unicode " + in("locked.pdf"));
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find("the PDF is password-protected"), std::string::npos) << r.output;
        EXPECT_FALSE(fs::exists(dir.path() / "Converted_locked.txt"));
    }
    const std::string detected = test::readFile(dir.path() / "lost-detected.txt");
    EXPECT_NE(detected.find("Holy Communion"), std::string::npos) << detected;
    EXPECT_NE(detected.find("\xE0\xB4"), std::string::npos) << "no Malayalam in\n" << detected;
    EXPECT_EQ(test::readFile(dir.path() / "lost-plain.txt").find("\xE0\xB4"), std::string::npos);
    const std::string text = test::readFile(dir.path() / "Converted_roll.txt");
    EXPECT_NE(text.find("Ward 4"), std::string::npos) << text;
    for (const char* left : {"Converted_roll.pdf", "Converted_scan.txt", "Converted_cut.txt", "Converted_roll.rtf"})
        EXPECT_FALSE(fs::exists(dir.path() / left)) << left;
}

// The window's pass: a PDF converts to Unicode text as the command line converts it, and
// to ML-TTRevathi it is refused in the window's own words, nothing saved.
TEST(Pdf, WindowPass) {
    test::TempDir dir;
    const std::vector<std::string> lines = mlttLines();
    ASSERT_FALSE(lines.empty());
    const std::string pdf = test::makePdf({{"ML-TTKarthika"}}, {{{0, 72, 720, lines[0]}}});
    Document source;
    ASSERT_TRUE(loadDocument(pdf, source).ok);
    for (const bool unicode : {true, false}) {
        const fs::path out = dir.path() / (unicode ? "u.txt" : "r.txt");
        WindowlessHost host(out);
        Document working, destination;
        const PassOutcome outcome = runConversionPass(source, working, destination, host, PassOptions{unicode, ""});
        if (unicode) {
            ASSERT_EQ(outcome.status, PassOutcome::Status::Saved) << outcome.error;
            EXPECT_EQ(test::readFile(out), pdfText(pdf));
        } else {
            EXPECT_EQ(outcome.status, PassOutcome::Status::SaveFailed);
            EXPECT_EQ(outcome.error, kPdfNeedsUnicodeHere);
            EXPECT_FALSE(fs::exists(out));
        }
    }
}
