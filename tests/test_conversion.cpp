#include <gtest/gtest.h>

#include <algorithm>

#include <variant>

#include "conversion_pass.h"
#include "core/legacy_text.h"
#include "fonts/glyph_map.h"
#include "test_support.h"

using namespace tolvarin;
using tolvarin::test::codes;

namespace {

// Records what the pass asks of the window, in order.
class RecordingHost : public PassHost {
public:
    explicit RecordingHost(std::filesystem::path out) : out_(std::move(out)) {}

    void setControlEnabled(LockedControl c, bool enabled) override {
        calls.push_back(std::string(enabled ? "enable " : "disable ") + std::to_string(int(c)));
        if (!enabled) locked = true;
    }
    void setBusyCursor(bool busy) override { calls.push_back(busy ? "busy" : "normal"); }
    void setStatus(std::string_view text) override { calls.push_back("status " + std::string(text)); }
    bool processEvents() override {
        ++eventRounds;
        return eventRounds != stopAfter;
    }
    std::filesystem::path outputPath() override {
        calls.push_back("path");
        return out_;
    }
    void showMessage(std::string_view text) override { calls.push_back("message " + std::string(text)); }
    void showError(std::string_view text) override { calls.push_back("error " + std::string(text)); }

    std::vector<std::string> calls;
    int eventRounds = 0;
    int stopAfter = -1;
    bool locked = false;

private:
    std::filesystem::path out_;
};

const Font kPanchari{"PANCHARI", kAnsiCharset};
const Font kArial{"Arial", kAnsiCharset};

struct Piece {
    std::u16string text;
    CharFormat format;
};

CharFormat fmt(Font f, bool b = false, bool i = false, bool u = false, int size = 24) { return {f, b, i, u, size}; }

Document make(std::initializer_list<Piece> pieces) {
    Document d;
    for (const Piece& p : pieces) d.append(p.text, p.format);
    return d;
}

struct Converted {
    Document out;
    PassOutcome outcome;
    RecordingHost host{""};
};

std::unique_ptr<Converted> convert(const Document& source, std::filesystem::path out) {
    auto c = std::make_unique<Converted>();
    c->host = RecordingHost(out);
    Document working;
    c->outcome = runConversionPass(source, working, c->out, c->host);
    return c;
}

// The output as (text, font, bold, italic, underline, size) per character.
std::vector<std::tuple<char16_t, std::string, bool, bool, bool, int>> cells(const Document& d) {
    std::vector<std::tuple<char16_t, std::string, bool, bool, bool, int>> v;
    for (std::size_t p = 1; p <= d.length(); ++p) {
        CharFormat f = d.formatAt(p);
        v.emplace_back(d.text()[p - 1], f.font.name, f.bold, f.italic, f.underline, f.fontSize);
    }
    return v;
}

}  // namespace

TEST(SourceFont, Test) {
    struct {
        const char* name;
        bool source;
    } cases[] = {{"PANCHARI", true},  {"Panchari", true},   {"panchari", true},   {"PANCHARI Bold", true},
                 {"PanchariX", true}, {"Panchar", false},   {"PANCHAR", false},   {"", false},
                 {" PANCHARI", false}, {"ML-TTRevathi", false}, {"PANCHAR1", false}, {"pAnChArI2", true},
                 {"Manorama", true}, {"manorama bold", true}, {"Kerala", true}, {"Kerala-Italic", true},
                 {"KeralaX", false}, {"MLB-TTRevathi", false}};
    // Text in PANCHARI's encoding, under any of its names, converts to ML-TTRevathi.
    for (auto c : cases) EXPECT_EQ(convertsFont(legacyFontNamed(c.name), false), c.source) << c.name;
}

TEST(Pass, ConvertsSourceFontAndCopiesTheRest) {
    test::TempDir dir;
    // 0xB5 0xEF is a pair; 0x79 gives three characters ending in a backslash.
    Document src = make({{codes({0x41, 0xB5, 0xEF}), fmt(kPanchari, true, false, false, 36)},
                         {u"Hi\n", fmt(kArial, false, true, false, 20)},
                         {codes({0x79}), fmt({"panchari bold", 2}, false, false, true, 28)}});
    auto c = convert(src, dir.path() / "out.rtf");
    ASSERT_EQ(c->outcome.status, PassOutcome::Status::Saved) << c->outcome.error;
    EXPECT_EQ(c->outcome.converted(), 4u);
    using T = std::tuple<char16_t, std::string, bool, bool, bool, int>;
    std::vector<T> expected = {
        T{0xA1, "ML-TTRevathi", true, false, false, 36}, T{0x49, "ML-TTRevathi", true, false, false, 36},
        T{u'H', "Arial", false, true, false, 20},        T{u'i', "Arial", false, true, false, 20},
        T{u'\n', "Arial", false, true, false, 20},       T{u'X', "ML-TTRevathi", false, false, true, 28},
        T{u'v', "ML-TTRevathi", false, false, true, 28}, T{u'\\', "ML-TTRevathi", false, false, true, 28},
    };
    // 0xB5 followed by 0xEF is rule 8 (0xA2); 0x41 is 0xA1.
    std::get<0>(expected[1]) = 0xA2;
    EXPECT_EQ(cells(c->out), expected);

    // The saved file reads back as the same document.
    Document saved;
    ASSERT_TRUE(saved.loadFile(dir.path() / "out.rtf").ok);
    EXPECT_EQ(cells(saved), expected);
}

struct PassCase {
    const char* what;
    std::vector<Piece> pieces;
    std::u16string expectedText;
    std::size_t converted;
};

void PrintTo(const PassCase& c, std::ostream* os) { *os << c.what; }

class PassCases : public ::testing::TestWithParam<PassCase> {};

TEST_P(PassCases, Text) {
    test::TempDir dir;
    Document src;
    for (const Piece& p : GetParam().pieces) src.append(p.text, p.format);
    auto c = convert(src, dir.path() / "o.rtf");
    ASSERT_EQ(c->outcome.status, PassOutcome::Status::Saved);
    EXPECT_EQ(c->out.text(), GetParam().expectedText) << GetParam().what;
    EXPECT_EQ(c->outcome.converted(), GetParam().converted) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PassCases,
    ::testing::Values(
        PassCase{"empty document", {}, u"", 0},
        PassCase{"pair at the very end", {{codes({0x41, 0xCC, 0xEF}), fmt(kPanchari)}}, codes({0xA1, 0xBB}), 3},
        PassCase{"single at the end gets an empty following", {{codes({0xCC}), fmt(kPanchari)}}, codes({0x5F}), 1},
        // Another font's character is the user's text: it never completes a pair.
        PassCase{"a second half in another font is not taken in",
                 {{codes({0xCC}), fmt(kPanchari)}, {codes({0xEE}) + u"x", fmt(kArial)}}, codes({0x5F, 0xEE}) + u"x", 1},
        PassCase{"other font before a source character is not a pair",
                 {{codes({0xCC}), fmt(kArial)}, {codes({0xEF}), fmt(kPanchari)}}, codes({0xCC, 0x76, 0x65}), 1},
        // A line break is no character converted.
        PassCase{"line break passed as following", {{codes({0xCC}) + u"\n", fmt(kPanchari)}}, codes({0x5F}) + u"\n", 1},
        // What the rules leave open: 0x60 is ഋ; a la sign that completes no pair draws the
        // virama and the la, after a consonant or a space alike; a doubling mark after a
        // consonant, the virama and the consonant.
        PassCase{"0x60 is ML-TTRevathi's RI", {{u"`", fmt(kPanchari)}}, codes({0x45}), 1},
        PassCase{"a la sign after a consonant it makes no pair with",
                 {{codes({0xC8, 0xEF, 0x20, 0xEF}), fmt(kPanchari)}}, codes({0x5C, 0x76, 0x65, 0x20, 0x76, 0x65}), 4},
        PassCase{"a doubling mark after a conjunct doubles its last consonant",
                 {{codes({0x82, 0xEE}), fmt(kPanchari)}}, codes({0xA8, 0x76, 0x4E}), 2},
        PassCase{"seven-letter name is not the source font", {{u"A", fmt({"Panchar", 0})}}, u"A", 0},
        PassCase{"results of several characters follow each other",
                 {{codes({0x6C, 0x79, 0x51, 0x65}), fmt(kPanchari)}}, u"cq]Xv\\''\\p", 4},
        PassCase{"quotes swap", {{u"'\"", fmt(kPanchari)}}, u"\"'", 2}));

TEST(Pass, LocksInOrderThenUnlocksSavesAndReports) {
    test::TempDir dir;
    Document src = make({{codes({0x41, 0x42}), fmt(kPanchari)}});
    auto c = convert(src, dir.path() / "o.rtf");
    std::vector<std::string> expected = {"busy"};
    for (int i = 0; i < 10; ++i) expected.push_back("disable " + std::to_string(i));
    expected.push_back("status Please wait.... Converting from Panchari");
    for (int i = 0; i < 10; ++i) expected.push_back("enable " + std::to_string(i));
    expected.insert(expected.end(), {"normal", "path", "message Converted from Panchari!", "status Ready"});
    EXPECT_EQ(c->host.calls, expected);
    EXPECT_EQ(c->host.eventRounds, 2) << "events are let through once per position";
    EXPECT_EQ(int(LockedControl::Timer1), 0);
}

TEST(Pass, NothingInTheSourceFontSaysSo) {
    test::TempDir dir;
    auto c = convert(make({{u"plain", fmt(kArial)}}), dir.path() / "o.rtf");
    EXPECT_EQ(c->host.calls.at(c->host.calls.size() - 2),
              "message Converted from Panchari!\nNo text in the PANCHARI font was found; the document was copied unchanged.");
    // A legacy font that holds only a tab and a paragraph mark has nothing to convert: it
    // keeps its name, as a conversion of the document's own bytes keeps it.
    auto marks = convert(make({{u"x", fmt(kArial)}, {u"\t\n", fmt(kPanchari)}}), dir.path() / "m.rtf");
    EXPECT_EQ(marks->outcome.converted(), 0u);
    ASSERT_EQ(cells(marks->out).size(), 3u);
    EXPECT_EQ(std::get<1>(cells(marks->out)[1]), kPanchari.name);
    EXPECT_EQ(std::get<1>(cells(marks->out)[2]), kPanchari.name);
    Document empty;
    auto e = convert(empty, dir.path() / "e.rtf");
    EXPECT_EQ(e->outcome.status, PassOutcome::Status::Saved);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "e.rtf")) << "an empty source still gives an output file";
}

TEST(Pass, FailedSaveReportsAndShowsNoSuccess) {
    test::TempDir dir;
    auto c = convert(make({{u"A", fmt(kPanchari)}}), dir.path() / "missing" / "o.rtf");
    EXPECT_EQ(c->outcome.status, PassOutcome::Status::SaveFailed);
    const std::string& last = c->host.calls.back();
    EXPECT_EQ(last.rfind("error cannot save ", 0), 0u) << last;
    EXPECT_NE(last.find("missing"), std::string::npos);
    for (const std::string& call : c->host.calls) {
        EXPECT_EQ(call.find("Converted from Panchari!"), std::string::npos);
        EXPECT_NE(call, "status Ready");
    }
    EXPECT_EQ(c->host.calls[c->host.calls.size() - 2].rfind("status Not saved: cannot save ", 0), 0u)
        << "the status tells of the failure, not of a pass still running";
    EXPECT_EQ(c->host.calls[c->host.calls.size() - 4], "normal") << "locks and cursor restored before the report";
}

TEST(Pass, StopsWithoutSavingWhenTheProgramEnds) {
    test::TempDir dir;
    Converted c;
    c.host = RecordingHost(dir.path() / "o.rtf");
    c.host.stopAfter = 2;
    Document src = make({{codes({0x41, 0x42, 0x43}), fmt(kPanchari)}}), working;
    PassOutcome outcome = runConversionPass(src, working, c.out, c.host);
    EXPECT_EQ(outcome.status, PassOutcome::Status::Abandoned);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "o.rtf"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "no temporary file either";
}

TEST(Pass, RunsAgainFromEmpty) {
    test::TempDir dir;
    Document src = make({{codes({0x41}), fmt(kPanchari)}}), working, out;
    RecordingHost host(dir.path() / "o.rtf");
    runConversionPass(src, working, out, host);
    runConversionPass(src, working, out, host);
    EXPECT_EQ(out.text(), codes({0xA1}));
    EXPECT_EQ(working.text(), src.text());
    EXPECT_EQ(src.text(), codes({0x41})) << "the source is never changed";
}

// To Unicode, a document with text in PANCHARI and in a family font: the message
// counts each.
TEST(Pass, UnicodeMessageCountsEachLegacyFont) {
    test::TempDir dir;
    Document source;
    ASSERT_TRUE(source.setRtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 PANCHARI;}{\\f2 ML-TTKarthika;}}"
                              "\\f1 \\'b5\\'cc{\\f2  \\'e6\\'79}\\f0  Arial}")
                    .ok);
    RecordingHost host(dir.path() / "out.rtf");
    Document working, out;
    PassOutcome outcome = runConversionPass(source, working, out, host, PassOptions{true, ""});
    ASSERT_EQ(outcome.status, PassOutcome::Status::Saved) << outcome.error;
    EXPECT_NE(std::find(host.calls.begin(), host.calls.end(),
                        "message Converted from Panchari!\n2 PANCHARI and 3 ML-TT characters converted"),
              host.calls.end());
}
