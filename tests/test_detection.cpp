// Legacy text whose font name was lost: found in ordinary fonts where it is there, and
// nowhere else. English text never changes; legacy text set in Calibri beside English
// converts word by word, the English staying.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "api/convert_document.h"
#include "core/legacy_detection.h"
#include "io/threads.h"
#include "model/document_text.h"
#include "conversion_pass.h"
#include "test_support.h"

using namespace tolvarin;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

bool hasLatinLetter(const std::string& w) {
    for (unsigned char c : w)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    return false;
}

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
    return s;
}

// The prose typed in PANCHARI, as ML-TTRevathi codes, with its fonts (the ML-TT one and
// Arial for the English phrases) all renamed Calibri: legacy text whose font name was
// lost beside English in the same font.
std::string calibriProse(const fs::path& rtf) {
    std::string revathi;
    const ConversionReport r = test::convert(test::readFile(rtf), revathi, test::unicodeOptions(false));
    EXPECT_TRUE(r.ok) << r.error;
    return replaceAll(replaceAll(revathi, "ML-TTRevathi", "Calibri"), "Arial", "Calibri");
}

std::string unicodeText(const std::string& rtf, bool detect) {
    ConversionOptions options = test::unicodeOptions(true);
    options.textOnly = true;
    options.detect = detect;
    std::string out;
    const ConversionReport r = test::convert(rtf, out, options);
    EXPECT_TRUE(r.ok) << r.error;
    return out;
}

}  // namespace

// Every word the prose's forced conversion makes Malayalam, detection finds (all but a
// few), and every English word stays exactly as it was; the three producers' files alike.
TEST(Detection, FindsLegacyTextBesideEnglish) {
    std::ifstream expectedFile(test::dataDir() / "prose.expected.txt");
    std::stringstream expectedText;
    expectedText << expectedFile.rdbuf();
    const std::vector<std::string> expected = words(expectedText.str());
    for (const char* name : {"prose_wordpad.rtf", "prose_word.rtf", "prose_lo.rtf"}) {
        SCOPED_TRACE(name);
        const std::string rtf = calibriProse(test::dataDir() / name);
        const FontsReport fonts = documentFonts(rtf);
        ASSERT_TRUE(fonts.ok) << fonts.error;
        ASSERT_EQ(fonts.fonts.size(), 1u);
        EXPECT_EQ(fonts.fonts[0].found, "ML-TT");
        EXPECT_GT(fonts.fonts[0].foundCharacters, fonts.fonts[0].characters / 2);
        // Without --detect nothing changes, and the line says what is there.
        std::string unchanged;
        const ConversionReport plain = test::convert(rtf, unchanged, test::unicodeOptions(true));
        EXPECT_EQ(plain.converted(), 0u);
        EXPECT_EQ(unchanged, rtf);
        EXPECT_TRUE(plain.warnings.empty());
        EXPECT_NE(plain.foundText.find("characters in Calibri read as ML-TT"), std::string::npos) << plain.foundText;

        const std::vector<std::string> found = words(unicodeText(rtf, true));
        ASSERT_EQ(found.size(), expected.size());
        std::size_t malayalam = 0, same = 0;
        for (std::size_t w = 0; w < expected.size(); ++w) {
            if (hasLatinLetter(expected[w])) {
                EXPECT_EQ(found[w], expected[w]) << "an English word changed";
                continue;
            }
            ++malayalam;
            same += found[w] == expected[w];
        }
        EXPECT_GE(same * 100, malayalam * 95) << same << " of " << malayalam << " Malayalam words found";
    }
}

// English text read as any encoding is found to hold none: long prose, and a font with a
// few odd words of its own (code, names, abbreviations) whose share is all its text.
TEST(Detection, EnglishIsNeverLegacyText) {
    const fs::path license = "/usr/share/common-licenses/GPL-3";
    std::vector<std::string> texts;
    if (fs::exists(license)) texts.push_back(test::readFile(license));
    texts.push_back(test::readFile(test::dataDir() / ".." / ".." / "README.md"));
    texts.push_back("`bash tools/test.sh` <https://www.gnu.org/licenses/> [yyyy] {yyyy} (C) Ltd. LLC GmbH Inc.");
    texts.push_back("Jörg Egaña Iñaki Gál André Masár Trần Ngọc Quân Balázs Olšák più sé né Ryu");
    texts.push_back("iPhone JavaScript McDonald XMLHttpRequest fooBar camelCase snake_case MiXeD aBcD");
    for (const std::string& text : texts) {
        // The whole text, and each line as a font of its own.
        FontDetection whole;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            FontDetection one;
            for (unsigned char c : line) {
                whole.add(char32_t(c));
                one.add(char32_t(c));
            }
            whole.breakWord();
            EXPECT_EQ(one.encoding(), nullptr) << line;
        }
        EXPECT_EQ(whole.encoding(), nullptr) << text.substr(0, 80);
    }
}

// The peers' documents (English, most of them) come out of a conversion with --detect
// exactly as without it, and none is said to hold legacy text.
TEST(Detection, PeerDocumentsDoNotChange) {
    std::vector<fs::path> files = test::corpusFiles();
    const fs::path office = fs::path(TOLVARIN_SHARED_DIR) / "corpus-office";
    if (fs::is_directory(office))
        for (const auto& entry : fs::recursive_directory_iterator(office))
            if (entry.path().extension() == ".docx" || entry.path().extension() == ".odt") files.push_back(entry.path());
    if (files.empty()) GTEST_SKIP() << "no peer corpus";
    std::size_t compared = 0;
    for (const fs::path& file : files) {
        const std::string bytes = test::readFile(file);
        const FontsReport fonts = documentFonts(bytes);
        for (const FontUse& f : fonts.fonts) EXPECT_EQ(f.found, "") << file << ": " << f.name;
        ConversionOptions options = test::unicodeOptions(true);
        std::string without, with;
        const ConversionReport a = test::convert(bytes, without, options);
        options.detect = true;
        const ConversionReport b = test::convert(bytes, with, options);
        EXPECT_EQ(a.ok, b.ok) << file;
        if (!a.ok) continue;
        EXPECT_TRUE(with == without) << file;
        ++compared;
    }
    EXPECT_GT(compared, 0u);
}

// The window's pass asks before converting found text, once, and converts it as
// --unicode --detect does only when the answer is yes; a no leaves the document as it
// was and says what was left.
TEST(Detection, WindowPassAsksBeforeConvertingFoundText) {
    class Answering : public WindowlessHost {
    public:
        Answering(fs::path out, bool yes) : WindowlessHost(std::move(out)), yes_(yes) {}
        bool askYesNo(std::string_view question) override {
            questions.emplace_back(question);
            return yes_;
        }
        void showMessage(std::string_view text) override { message = text; }
        std::vector<std::string> questions;
        std::string message;

    private:
        bool yes_;
    };
    const std::string rtf = calibriProse(test::dataDir() / "prose_word.rtf");
    Document source;
    ASSERT_TRUE(loadDocument(rtf, source).ok);
    std::string detected;
    ConversionOptions options = test::unicodeOptions(true);
    options.detect = true;
    ASSERT_TRUE(test::convert(rtf, detected, options).ok);
    test::TempDir dir;
    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        const fs::path out = dir.path() / (yes ? "yes.rtf" : "no.rtf");
        Answering host(out, yes);
        Document working, destination;
        const PassOutcome outcome = runConversionPass(source, working, destination, host, PassOptions{true, ""});
        ASSERT_EQ(outcome.status, PassOutcome::Status::Saved) << outcome.error;
        ASSERT_EQ(host.questions.size(), 1u);
        EXPECT_NE(host.questions[0].find("characters in Calibri read as ML-TT"), std::string::npos) << host.questions[0];
        EXPECT_EQ(test::readFile(out), yes ? detected : rtf);
        if (!yes) {
            EXPECT_NE(host.message.find("Calibri read as ML-TT; they were left as typed."), std::string::npos)
                << host.message;
        }
    }
    // Not asked in ML-TTRevathi mode, which converts PANCHARI alone.
    Answering host(dir.path() / "revathi.rtf", true);
    Document working, destination;
    runConversionPass(source, working, destination, host, PassOptions{false, ""});
    EXPECT_TRUE(host.questions.empty());
}

// A long document is read in two halves side by side: what it finds is what one reading
// finds.
TEST(Detection, HalvesReadSideBySideFindWhatOneReadingFinds) {
    const std::string prose = calibriProse(test::dataDir() / "prose_word.rtf");
    const std::size_t body = prose.find("\\pard"), end = prose.rfind('}');
    ASSERT_NE(body, std::string::npos);
    std::string rtf = prose.substr(0, end);
    while (rtf.size() < (std::size_t(8) << 20)) rtf += "\\par " + prose.substr(body, end - body);
    rtf += "}";
    Document doc;
    ASSERT_TRUE(doc.setRtf(rtf).ok);
    ASSERT_GE(doc.length(), std::size_t(1) << 20);
    const auto fonts = documentTextFonts(doc);
    std::vector<FontDetection> one, two;
    {
        const ThreadUse alone(false);
        one = documentFontFinds(doc, fonts);
    }
    two = documentFontFinds(doc, fonts);
    ASSERT_EQ(one.size(), two.size());
    for (std::size_t f = 0; f < one.size(); ++f) {
        EXPECT_EQ(one[f].encoding(), two[f].encoding());
        EXPECT_EQ(one[f].characters(), two[f].characters());
        EXPECT_EQ(one[f].sample(200), two[f].sample(200));
    }
    ASSERT_FALSE(one.empty());
    EXPECT_NE(one[0].encoding(), nullptr);
}
