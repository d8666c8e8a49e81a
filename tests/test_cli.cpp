// The command-line converter, run as a user runs it.
#include <gtest/gtest.h>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

#include "model/document.h"
#include "test_support.h"
#include "fonts/unicode_malayalam.h"

using namespace tolvarin;
using tolvarin::test::codes;

namespace {

using CliRun = test::CommandResult;

CliRun run(const std::string& args) { return test::runCommand(std::string(TOLVARIN_CONVERT_EXE) + " " + args); }

std::string quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

}  // namespace

TEST(Cli, ConvertsProducerStylesEndToEnd) {
    // The same two paragraphs as WordPad, Word and LibreOffice write them: a bold
    // 18 pt "A", pair 0xB5 0xEF, an 11 pt space, italic pair 0xCC 0xEE; then an
    // underlined 0x79 and " plain" in a font of its own.
    for (const char* name : {"wordpad_style.rtf", "word_style.rtf", "libreoffice_style.rtf"}) {
        test::TempDir dir;
        std::filesystem::copy(test::dataDir() / name, dir.path() / name);
        CliRun r = run(quote(dir.path() / name));
        ASSERT_EQ(r.status, 0) << r.output;
        auto out = dir.path() / (std::string("Converted_") + name);
        EXPECT_NE(r.output.find(": 7 characters converted"), std::string::npos) << r.output << "(the paragraph mark is not one)";
        Document d;
        LoadResult loaded = d.loadFile(out);
        ASSERT_TRUE(loaded.ok) << loaded.description;
        std::u16string para1 = codes({0xA1, 0xA2, 0x20, 0xBA}) + u"\n";
        ASSERT_EQ(d.text().substr(0, 5), para1) << name;
        ASSERT_EQ(d.text().substr(5, 9), u"Xv\\ plain") << name;
        struct {
            std::size_t pos;
            const char* font;
            bool b, i, u;
            int size;
        } expect[] = {{1, "ML-TTRevathi", 1, 0, 0, 36}, {2, "ML-TTRevathi", 1, 0, 0, 36},
                      {3, "ML-TTRevathi", 0, 0, 0, 22}, {4, "ML-TTRevathi", 0, 1, 0, 22},
                      {6, "ML-TTRevathi", 0, 0, 1, 22}, {8, "ML-TTRevathi", 0, 0, 1, 22},
                      {10, nullptr, 0, 0, 0, 22}};
        for (auto e : expect) {
            CharFormat f = d.formatAt(e.pos);
            if (e.font) EXPECT_EQ(f.font.name, e.font) << name << " " << e.pos;
            else EXPECT_NE(f.font.name, "ML-TTRevathi") << name << " " << e.pos;
            EXPECT_EQ(f.bold, e.b) << name << " " << e.pos;
            EXPECT_EQ(f.italic, e.i) << name << " " << e.pos;
            EXPECT_EQ(f.underline, e.u) << name << " " << e.pos;
            EXPECT_EQ(f.fontSize, e.size) << name << " " << e.pos;
        }
    }
}

TEST(Cli, OptionsAndExitStatus) {
    test::TempDir dir;
    auto in = dir.path() / "in.rtf";
    std::filesystem::copy(test::dataDir() / "wordpad_style.rtf", in);
    std::filesystem::create_directory(dir.path() / "outdir");

    EXPECT_EQ(run("").status, 2);
    EXPECT_EQ(run("--bogus " + quote(in)).status, 2);
    EXPECT_EQ(run("-o a -d b " + quote(in)).status, 2);
    EXPECT_EQ(run("-o a " + quote(in) + " " + quote(in)).status, 2);
    CliRun help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("Usage: tolvarin-convert"), std::string::npos);
    EXPECT_EQ(run("--version").status, 0);
    EXPECT_NE(run("--version").output.find("GNU General Public License, version 3 or later"), std::string::npos);

    CliRun dirRun = run("-q -d " + quote(dir.path() / "outdir") + " " + quote(in));
    EXPECT_EQ(dirRun.status, 0);
    EXPECT_EQ(dirRun.output, "") << "-q prints nothing";
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "outdir" / "Converted_in.rtf"));

    CliRun named = run("-o " + quote(dir.path() / "named.rtf") + " " + quote(in));
    EXPECT_EQ(named.status, 0) << named.output;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "named.rtf"));

    // One bad file among good ones: the others still convert, status 1.
    test::writeFile(dir.path() / "bad.rtf", "not rtf at all");
    CliRun mixed = run("-d " + quote(dir.path() / "outdir") + " " + quote(dir.path() / "bad.rtf") + " " + quote(in));
    EXPECT_EQ(mixed.status, 1);
    EXPECT_NE(mixed.output.find("tolvarin-convert: " + (dir.path() / "bad.rtf").string() + ": not an RTF document"),
              std::string::npos)
        << mixed.output;
    EXPECT_NE(mixed.output.find("in.rtf ->"), std::string::npos) << mixed.output;

    // Never overwrites an input.
    std::string before = test::readFile(in);
    CliRun clobber = run("-o " + quote(in) + " " + quote(in));
    EXPECT_EQ(clobber.status, 1);
    EXPECT_EQ(test::readFile(in), before);

    // -d makes its folder; -o into a missing folder stays an error.
    CliRun missingDir = run("-d " + quote(dir.path() / "new" / "deeper") + " " + quote(in));
    EXPECT_EQ(missingDir.status, 0) << missingDir.output;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "new" / "deeper" / "Converted_in.rtf"));
    CliRun missingOut = run("-o " + quote(dir.path() / "nowhere" / "x.rtf") + " " + quote(in));
    EXPECT_EQ(missingOut.status, 1);
    EXPECT_NE(missingOut.output.find("cannot save"), std::string::npos) << missingOut.output;
}

TEST(Cli, InputsOfOneNameKeepBothResults) {
    test::TempDir dir;
    for (const char* sub : {"x", "y"}) std::filesystem::create_directory(dir.path() / sub);
    std::filesystem::copy(test::dataDir() / "wordpad_style.rtf", dir.path() / "x" / "a.rtf");
    std::filesystem::copy(test::dataDir() / "word_style.rtf", dir.path() / "y" / "a.rtf");
    const auto out = dir.path() / "out";
    CliRun batch = run("-d " + quote(out) + " " + quote(dir.path() / "x" / "a.rtf") + " " + quote(dir.path() / "y" / "a.rtf"));
    EXPECT_EQ(batch.status, 0) << batch.output;
    EXPECT_NE(batch.output.find("Converted_a (2).rtf"), std::string::npos) << batch.output;
    EXPECT_NE(batch.output.find("written earlier in this run"), std::string::npos) << batch.output;
    // Each result is its own input's conversion: nothing was replaced.
    EXPECT_NE(test::readFile(out / "Converted_a.rtf"), test::readFile(out / "Converted_a (2).rtf"));
    EXPECT_NE(test::readFile(out / "Converted_a (2).rtf").find("insrsid"), std::string::npos) << "the Word-style input";
}

TEST(Cli, UnicodeDocumentAndText) {
    test::TempDir dir;
    const auto letter = dir.path() / "letter.rtf";
    std::filesystem::copy(test::dataDir() / ".." / ".." / "samples" / "letter.rtf", letter);
    const std::string expected = test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.unicode.txt");

    CliRun rtf = run("--unicode --font 'Nirmala UI' " + quote(letter));
    EXPECT_EQ(rtf.status, 0) << rtf.output;
    Document converted;
    ASSERT_TRUE(converted.loadFile(dir.path() / "Converted_letter.rtf").ok);
    EXPECT_EQ(test::unicodeText(converted), expected);
    EXPECT_NE(test::readFile(dir.path() / "Converted_letter.rtf").find("Nirmala UI;"), std::string::npos);

    CliRun text = run("--unicode --text " + quote(letter));
    EXPECT_EQ(text.status, 0) << text.output;
    EXPECT_EQ(test::readFile(dir.path() / "Converted_letter.txt"), expected);

    // A code with no Unicode value is kept, and said so on standard error.
    test::writeFile(dir.path() / "kept.rtf", "{\\rtf1{\\fonttbl{\\f0 PANCHARI;}}\\f0 \\'b5\\'80\\'ff}");
    CliRun kept = run("--unicode " + quote(dir.path() / "kept.rtf"));
    EXPECT_EQ(kept.status, 0);
    EXPECT_NE(kept.output.find("2 characters had no Unicode equivalent and were kept as they were"), std::string::npos)
        << kept.output;

    EXPECT_EQ(run("--text " + quote(letter)).status, 2) << "--text goes with --unicode";
}

// In a pipeline "-" is standard input or output; a result there is written only once
// it is whole, so a failed conversion writes nothing.
TEST(Cli, StandardInputAndOutput) {
    test::TempDir dir;
    const auto in = dir.path() / "in.rtf";
    std::filesystem::copy(test::dataDir() / "word_style.rtf", in);
    const auto letter = test::dataDir() / ".." / ".." / "samples" / "letter.rtf";
    test::writeFile(dir.path() / "plain.txt", "not rtf");
    std::string late = test::readFile(letter);  // damaged right before its last brace
    late.insert(late.rfind('}'), "\\'zz");
    test::writeFile(dir.path() / "late.rtf", late);
    ASSERT_EQ(run("-o " + quote(dir.path() / "file.rtf") + " " + quote(in)).status, 0);
    const std::string converted = test::readFile(dir.path() / "file.rtf");
    const std::string text = test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.unicode.txt");
    const auto out = dir.path() / "out", err = dir.path() / "err";
    const struct {
        std::string args;
        int status;
        std::string output;  // what standard output receives
        std::string message;  // part of standard error
    } cases[] = {
        {"- < " + quote(in), 0, converted, "- (standard input) -> (standard output): 7 characters converted"},
        {"-o - " + quote(in), 0, converted, "7 characters converted"},
        {"-q -o " + quote(dir.path() / "piped.rtf") + " - < " + quote(in), 0, "", ""},
        {"--unicode --text - < " + quote(letter), 0, text, ""},
        {"- < " + quote(dir.path() / "plain.txt"), 1, "", "tolvarin-convert: - (standard input): not an RTF document"},
        {"--unicode -o - " + quote(dir.path() / "late.rtf"), 1, "", "damaged RTF"},
        {"- " + quote(in), 2, "", "the only input"},
    };
    for (const auto& c : cases) {
        CliRun r = test::runCommand("(" + std::string(TOLVARIN_CONVERT_EXE) + " " + c.args + " > " + quote(out) +
                                    " 2> " + quote(err) + ")");
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << test::readFile(err);
        EXPECT_EQ(test::readFile(out), c.output) << c.args;
        EXPECT_NE(test::readFile(err).find(c.message), std::string::npos) << c.args << "\n" << test::readFile(err);
    }
    EXPECT_EQ(test::readFile(dir.path() / "piped.rtf"), converted) << "-o names a file for standard input's result";
}

// A document with nothing in PANCHARI is still written, and its line says so.
TEST(Cli, NothingToConvertSaysSo) {
    test::TempDir dir;
    const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}{\\f1 Arial;}{\\f2 Unused;}}"
                            "\\f0 Hello {\\f1 world}\\par}";
    test::writeFile(dir.path() / "report.rtf", rtf);
    CliRun r = run(quote(dir.path() / "report.rtf"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find(": no text in PANCHARI (fonts used: Times New Roman, Arial); written unchanged"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(test::readFile(dir.path() / "Converted_report.rtf"), rtf);
    // To Unicode every encoding is looked for, and the line says so.
    r = run("--unicode -o " + quote(dir.path() / "u.rtf") + " " + quote(dir.path() / "report.rtf"));
    EXPECT_NE(r.output.find(": no text in a legacy font (fonts used: Times New Roman, Arial); written unchanged"),
              std::string::npos)
        << r.output;
}

// What a user meets in a folder of documents: Word's lock file beside a document open
// in Word (said, passed over, the batch not failed), an empty file, RTF under a .docx
// name (written as .rtf), and a read-only result of an earlier run (left as it was, and
// said). Each file gets its line and the rest of the batch goes on.
TEST(Cli, FilesMetInAFolder) {
    test::TempDir dir;
    const auto letter = test::dataDir() / ".." / ".." / "samples" / "letter.rtf";
    std::filesystem::copy(letter, dir.path() / "letter.rtf");
    std::filesystem::copy(letter, dir.path() / "report.docx");
    std::filesystem::copy(letter, dir.path() / "kept.rtf");
    std::string lock(162, '\0');
    lock[0] = 5;
    lock.replace(1, 5, "Devan");
    test::writeFile(dir.path() / "~$letter.docx", lock);
    test::writeFile(dir.path() / "empty.rtf", "");
    test::writeFile(dir.path() / "Converted_kept.rtf", "an earlier result");
    std::filesystem::permissions(dir.path() / "Converted_kept.rtf", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    const struct {
        std::string file, says;
        bool fails;
    } cases[] = {
        {"~$letter.docx", "Word's lock file of a document open in Word", false},
        {"empty.rtf", "empty file", true},
        {"report.docx", "Converted_report.rtf: 169 characters converted", false},
        {"kept.rtf", "the file is read-only, and was left as it was", true},
        {"letter.rtf", "Converted_letter.rtf: 169 characters converted", false},
    };
    std::string all;
    for (const auto& c : cases) all += " " + quote(dir.path() / c.file);
    const CliRun r = run(all);
    EXPECT_EQ(r.status, 1) << r.output;
    for (const auto& c : cases) {
        const std::size_t line = r.output.find(c.file == "~$letter.docx" ? c.file : c.file + (c.fails ? ": " : " -> "));
        ASSERT_NE(line, std::string::npos) << c.file << "\n" << r.output;
        const std::string text = r.output.substr(line, r.output.find('\n', line) - line);
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Converted_~$letter.docx"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Converted_report.docx"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Converted_report.rtf"));
    EXPECT_EQ(test::readFile(dir.path() / "Converted_kept.rtf"), "an earlier result");
    // The lock file alone fails nothing; a name asked for is kept, and its line says what it holds.
    EXPECT_EQ(run(quote(dir.path() / "~$letter.docx")).status, 0);
    const CliRun named = run("-o " + quote(dir.path() / "asked.docx") + " " + quote(dir.path() / "letter.rtf"));
    EXPECT_EQ(named.status, 0) << named.output;
    EXPECT_NE(named.output.find("(written as RTF, which the name's extension .docx does not say)"), std::string::npos)
        << named.output;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "asked.docx"));
}

// Word 97-2003 documents of one run go to LibreOffice in one call, with one profile, which
// is gone when the run ends. (LibreOffice here is a stand-in on PATH that logs its calls
// and answers each .doc with the letter as DOCX.)
TEST(Cli, WordBinariesOfARunGoTogether) {
    test::TempDir dir;
    const auto bin = dir.path() / "bin", temp = dir.path() / "tmp";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(temp);
    test::writeFile(bin / "soffice",
                    "#!/bin/sh\n"
                    "echo \"$#\" >> " + quote(dir.path() / "calls") + "\n"
                    "while [ $# -gt 0 ]; do\n"
                    "  case $1 in --outdir) out=$2; shift ;; *.doc) n=$(basename \"$1\" .doc);"
                    " cp " + quote(test::dataDir() / "office" / "letter.docx") + " \"$out/$n.docx\" ;; esac\n"
                    "  shift\n"
                    "done\n");
    std::filesystem::permissions(bin / "soffice", std::filesystem::perms::owner_all);
    const std::string doc = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    for (const char* name : {"a.doc", "b.doc", "c.doc"}) test::writeFile(dir.path() / name, doc + name);
    const CliRun r = test::runCommand("PATH=" + quote(bin) + ":\"$PATH\" TMPDIR=" + quote(temp) + " " +
                                      std::string(TOLVARIN_CONVERT_EXE) + " " + quote(dir.path() / "a.doc") + " " +
                                      quote(dir.path() / "b.doc") + " " + quote(dir.path() / "c.doc"));
    EXPECT_EQ(r.status, 0) << r.output;
    for (const char* name : {"Converted_a.docx", "Converted_b.docx", "Converted_c.docx"})
        EXPECT_TRUE(std::filesystem::exists(dir.path() / name)) << name << "\n" << r.output;
    // -env:..., --headless, --norestore, --convert-to, docx, --outdir DIR: 7, and the three.
    EXPECT_EQ(test::readFile(dir.path() / "calls"), "10\n") << "one call for the three";
    EXPECT_TRUE(std::filesystem::is_empty(temp)) << "the profile and the files LibreOffice read are gone";
}

// What each file's text is set in, without converting; a legacy font of another name.
TEST(Cli, FontsAndLegacyFontNames) {
    test::TempDir dir;
    const auto in = dir.path() / "in.rtf";
    test::writeFile(in, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 PANCHARI;}{\\f2 Kerala Old;}}"
                        "\\f1 \\'b5\\'cc{\\f2  \\'e6\\'79}\\f0  Arial\\par}");
    const struct {
        std::string args;
        int status;
        std::string expected;  // part of what it prints
    } cases[] = {
        {"--fonts " + quote(in), 0, "  PANCHARI: 2 characters, PANCHARI encoding\n  Kerala Old: 3 characters, not a legacy font\n"},
        {"--legacy-font 'Kerala Old=ML-TT' --fonts " + quote(in), 0, "  Kerala Old: 3 characters, ML-TT encoding\n"},
        {"--legacy-font 'Kerala Old=ML-TT' --unicode -o " + quote(dir.path() / "u.rtf") + " " + quote(in), 0,
         "2 PANCHARI and 3 ML-TT characters converted"},
        {"--unicode -o " + quote(dir.path() / "v.rtf") + " " + quote(in), 0, ": 2 characters converted"},
        {"--legacy-font 'Kerala Old=ISCII' " + quote(in), 2, "no encoding is called ISCII; the encodings are PANCHARI, ML-TT, Matweb"},
        {"--legacy-font 'Old Matweb=Matweb' --fonts " + quote(in), 0, "  PANCHARI: 2 characters, PANCHARI encoding\n"},
        {"--fonts -o x " + quote(in), 2, "--fonts converts nothing"},
    };
    for (const auto& c : cases) {
        CliRun r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
        EXPECT_NE(r.output.find(c.expected), std::string::npos) << c.args << "\n" << r.output;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Converted_in.rtf")) << "--fonts converts nothing";
}

// DOCX and ODT by their content, whatever their name: Converted_<name> keeps the
// extension, --text and --fonts read them; a Word 97-2003 file needs LibreOffice, and
// without it the message names what to install; damage leaves nothing behind.
TEST(Cli, WordAndOpenDocumentFiles) {
    test::TempDir dir;
    const std::string unicodeText = test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.unicode.txt");
    for (const char* name : {"letter.docx", "letter.odt"}) {
        SCOPED_TRACE(name);
        std::filesystem::copy(test::dataDir() / "office" / name, dir.path() / name);
        CliRun r = run(quote(dir.path() / name));
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_NE(r.output.find("169 characters converted"), std::string::npos) << r.output;
        EXPECT_TRUE(std::filesystem::exists(dir.path() / (std::string("Converted_") + name)));
        r = run("--unicode --text " + quote(dir.path() / name));
        ASSERT_EQ(r.status, 0) << r.output;
        const auto txt = std::filesystem::path(dir.path() / (std::string("Converted_") + name)).replace_extension(".txt");
        EXPECT_EQ(test::readFile(txt), unicodeText);
        r = run("--fonts " + quote(dir.path() / name));
        EXPECT_NE(r.output.find("  PANCHARI: 169 characters, PANCHARI encoding\n  Arial: 64 characters, not a legacy font"),
                  std::string::npos)
            << r.output;
    }
    // Presentations and spreadsheets: the letter's text first (then a spreadsheet's footer).
    for (const char* name : {"letter.pptx", "letter.xlsx", "letter.odp", "letter.ods"}) {
        SCOPED_TRACE(name);
        std::filesystem::copy(test::dataDir() / "office" / name, dir.path() / name);
        CliRun r = run("--unicode -d " + quote(dir.path() / "out") + " " + quote(dir.path() / name));
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_NE(r.output.find("169 characters converted"), std::string::npos) << r.output;
        EXPECT_TRUE(std::filesystem::exists(dir.path() / "out" / (std::string("Converted_") + name)));
        r = run("--unicode --text " + quote(dir.path() / name));
        ASSERT_EQ(r.status, 0) << r.output;
        const auto txt = std::filesystem::path(dir.path() / (std::string("Converted_") + name)).replace_extension(".txt");
        EXPECT_EQ(test::readFile(txt).substr(0, unicodeText.size()), unicodeText);
        r = run("--fonts " + quote(dir.path() / name));
        EXPECT_NE(r.output.find("  PANCHARI: 169 characters, PANCHARI encoding"), std::string::npos) << r.output;
    }
    // A presentation named as a document is written with its own extension.
    std::filesystem::copy(test::dataDir() / "office" / "letter.pptx", dir.path() / "slides.docx");
    EXPECT_EQ(run(quote(dir.path() / "slides.docx")).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Converted_slides.pptx"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Converted_slides.docx"));

    // A package named as something else is still read by its content.
    std::filesystem::copy(test::dataDir() / "office" / "letter.docx", dir.path() / "named.rtf");
    EXPECT_EQ(run(quote(dir.path() / "named.rtf")).status, 0);

    test::writeFile(dir.path() / "old.doc", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0'));
    CliRun r = test::runCommand("PATH=/nonexistent " + std::string(TOLVARIN_CONVERT_EXE) + " " + quote(dir.path() / "old.doc"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("libreoffice-writer-nogui"), std::string::npos) << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Converted_old.docx"));

    const std::string docx = test::readFile(test::dataDir() / "office" / "letter.docx");
    test::writeFile(dir.path() / "cut.docx", docx.substr(0, docx.size() - 100));
    r = run(quote(dir.path() / "cut.docx"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cut.docx: the archive is damaged"), std::string::npos) << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Converted_cut.docx"));
}

// Legacy text in an ordinary font: the line says so and how to convert it; --detect
// converts it, and asks for --unicode.
TEST(Cli, FoundTextIsNamedAndConvertedWithDetect) {
    test::TempDir dir;
    std::string revathi;
    ASSERT_TRUE(test::convert(test::readFile(test::dataDir() / "prose_word.rtf"), revathi, test::unicodeOptions(false)).ok);
    for (const char* font : {"ML-TTRevathi", "Arial"})
        for (std::size_t at; (at = revathi.find(font)) != std::string::npos;) revathi.replace(at, std::strlen(font), "Calibri");
    const auto in = dir.path() / "lost.rtf";
    test::writeFile(in, revathi);
    const struct {
        std::string args;
        int status;
        std::string expected;
    } cases[] = {
        {"--unicode -o " + quote(dir.path() / "a.rtf") + " " + quote(in), 0, "read as ML-TT; add --detect to convert them"},
        {"-o " + quote(dir.path() / "b.rtf") + " " + quote(in), 0, "read as ML-TT; add --unicode --detect to convert them"},
        {"--unicode --detect -o " + quote(dir.path() / "c.rtf") + " " + quote(in), 0, " characters converted"},
        {"--detect " + quote(in), 2, "--detect go with --unicode"},
    };
    for (const auto& c : cases) {
        CliRun r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
        EXPECT_NE(r.output.find(c.expected), std::string::npos) << c.args << "\n" << r.output;
    }
    EXPECT_EQ(test::readFile(dir.path() / "a.rtf"), revathi);
    EXPECT_NE(test::readFile(dir.path() / "c.rtf"), revathi);
}

// A file of a kind Tolvarin does not convert is named for what it is, converting and
// with --fonts alike: exit 1, nothing written.
TEST(Cli, OtherKindsOfFileAreNamedAndNothingIsWritten) {
    test::TempDir dir;
    auto wide = [](std::string_view name) {
        std::string w;
        for (char c : name) w += std::string{c, '\0'};
        return w;
    };
    const std::string compound("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    const struct {
        const char* file;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"letters.gz", std::string("\x1F\x8B\x08\0\0\0\0\0", 8), "a gzip archive, not a document Tolvarin converts"},
        {"photo.png", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), "a PNG image,"},
        {"photo.jpg", "\xFF\xD8\xFF\xE0\0\x10JFIF", "a JPEG image,"},
        {"slides.ppt", compound + std::string(504, '\0') + wide("Root Entry") + wide("PowerPoint Document"),
         "a PowerPoint 97-2003 presentation,"},
        {"marks.xls", compound + std::string(504, '\0') + wide("Root Entry") + wide("Workbook"), "an Excel 97-2003 workbook,"},
        {"page.doc", "<!DOCTYPE html><html><body>x</body></html>", "an HTML page,"},
        {"marks.fods",
         "<?xml version=\"1.0\"?><office:document office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">",
         "an OpenDocument spreadsheet in one XML file (.fods),"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto in = dir.path() / c.file;
        test::writeFile(in, c.bytes);
        for (const std::string& args : {"-d " + quote(dir.path() / "out"), std::string("--fonts"),
                                       "--unicode -d " + quote(dir.path() / "out")}) {
            CliRun r = run(args + " " + quote(in));
            EXPECT_EQ(r.status, 1) << args << r.output;
            EXPECT_NE(r.output.find(c.says), std::string::npos) << args << r.output;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out") && !std::filesystem::is_empty(dir.path() / "out"));
}

// --to FONT and --from, as a desktop publisher uses them: a plain text file written in a
// legacy font's codes and named .txt, the codes read back, and what the options refuse.
TEST(Cli, IntoALegacyFont) {
    test::TempDir dir;
    // The letter's Malayalam lines: in plain text, Latin letters are codes of the font too.
    std::string malayalam;
    {
        std::istringstream lines(test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.unicode.txt"));
        for (std::string line; std::getline(lines, line);)
            if (std::none_of(line.begin(), line.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
                malayalam += line + "\n";
    }
    ASSERT_GT(malayalam.size(), 500u);
    const auto in = dir.path() / "letter.txt";
    test::writeFile(in, malayalam);
    CliRun written = run("--to ML-TTKarthika " + quote(in));
    EXPECT_EQ(written.status, 0) << written.output;
    EXPECT_NE(written.output.find("Converted_letter.txt: "), std::string::npos) << written.output;
    const std::string codes = test::readFile(dir.path() / "Converted_letter.txt");
    EXPECT_EQ(codes.find("\xE0\xB4"), std::string::npos) << "no UTF-8 Malayalam left";
    CliRun back = run("--from ML-TT --to unicode -o " + quote(dir.path() / "back.txt") + " " +
                      quote(dir.path() / "Converted_letter.txt"));
    EXPECT_EQ(back.status, 0) << back.output;
    EXPECT_EQ(test::readFile(dir.path() / "back.txt"), malayalam);

    const struct {
        std::string args;
        std::string message;
    } refused[] = {
        {"--to ML-TT " + quote(in), "ML-TT is an encoding, not a font"},
        {"--to Arial " + quote(in), "no legacy font is called Arial"},
        {"--unicode --to PANCHARI " + quote(in), "ask for two things"},
        {"--from Klingon --unicode " + quote(in), "no encoding is called Klingon"},
        {"--text " + quote(in), "--text goes with --unicode or --to FONT"},
        {"--fonts --to PANCHARI " + quote(in), "--fonts converts nothing"},
    };
    for (const auto& c : refused) {
        CliRun r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << "\n" << r.output;
    }
}
