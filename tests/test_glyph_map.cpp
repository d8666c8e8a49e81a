#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <regex>
#include <stdexcept>

#include "core/legacy_text.h"
#include "fonts/glyph_map.h"
#include "test_support.h"

using namespace tolvarin;
using tolvarin::test::codes;

namespace {

// One rule as published: the codes of its key and of its result.
struct PublishedRule {
    int number;
    std::vector<int> keys;  // one or two characters
    int following = -1;     // pair rules only
    std::vector<int> result;
};

std::vector<int> hexCodes(std::string cell) {
    // "0x91 (U+2018)" stands for the code 0x91; only the 8-bit codes count.
    cell = std::regex_replace(cell, std::regex(R"(\(U\+[0-9A-F]+\))"), "");
    std::vector<int> out;
    std::regex code(R"(0x([0-9A-F]{2}))");
    for (std::sregex_iterator it(cell.begin(), cell.end(), code), end; it != end; ++it)
        out.push_back(std::stoi((*it)[1].str(), nullptr, 16));
    return out;
}

// The published tables, read from their text rather than from the code under test.
void readPublishedRules(std::vector<PublishedRule>& pairs, std::vector<PublishedRule>& singles) {
    std::ifstream in(test::dataDir() / "glyph_rules.txt");
    std::string line;
    bool inPairs = false;
    while (std::getline(in, line)) {
        if (line.find("Following character") != std::string::npos) inPairs = true;
        if (line.find("| # | Character |") != std::string::npos) inPairs = false;
        std::smatch m;
        if (!std::regex_match(line, m, std::regex(R"(\| (\d+) \|(.*))"))) continue;
        std::vector<std::string> cells;
        std::string rest = m[2];
        for (std::size_t p; (p = rest.find('|')) != std::string::npos; rest.erase(0, p + 1)) cells.push_back(rest.substr(0, p));
        PublishedRule r;
        r.number = std::stoi(m[1]);
        if (inPairs) {
            r.keys = hexCodes(cells.at(0));
            r.following = hexCodes(cells.at(1)).at(0);
            r.result = hexCodes(cells.at(2));
            pairs.push_back(r);
        } else {
            r.keys = hexCodes(cells.at(0));
            r.result = hexCodes(cells.at(1));
            singles.push_back(r);
        }
    }
}

std::u16string fromCodes(const std::vector<int>& v) {
    std::u16string s;
    for (int c : v) s.push_back(decodeCp1252(std::uint8_t(c)));
    return s;
}

// What the converters make of `current` followed by `following` (each one character, as
// Windows-1252 text): the core's ML-TTRevathi codes for PANCHARI, and in `steps` whether
// the following code was taken in. What is no one code passes as it is.
std::u16string map(std::u16string current, std::u16string following, int* steps = nullptr) {
    const int code = current.size() == 1 ? encodeCp1252(current[0]) : -1;
    const int next = following.size() == 1 ? encodeCp1252(following[0]) : -1;
    if (steps) *steps = 0;
    if (code < 0) return current;
    const GlyphCodes g = revathiCodes(panchariFont().encoding(), -1, std::uint8_t(code), next);
    if (steps) *steps = g.pair ? 1 : 0;
    std::u16string out;
    for (std::size_t k = 0; k < g.length; ++k) out += decodeCp1252(g.codes[k]);
    return out;
}

// The window's walk, through MapGlyph and the position it steps.
std::u16string walk(std::u16string current, std::u16string following, int* steps) {
    currentPosition = 1;
    std::u16string out(MapGlyph(current, following));
    *steps = currentPosition - 1;
    return out;
}

}  // namespace

TEST(GlyphMap, PublishedTablesAreComplete) {
    std::vector<PublishedRule> pairs, singles;
    readPublishedRules(pairs, singles);
    EXPECT_EQ(pairs.size(), 19u);
    EXPECT_EQ(singles.size(), 186u);
}

TEST(GlyphMap, EverySingleRuleAlone) {
    std::vector<PublishedRule> pairs, singles;
    readPublishedRules(pairs, singles);
    for (const PublishedRule& r : singles) {
        for (int key : r.keys) {
            int steps = -1;
            // At the end of the text, and before a space: no pair can match.
            EXPECT_EQ(map(fromCodes({key}), u"", &steps), fromCodes(r.result)) << "rule " << r.number;
            EXPECT_EQ(steps, 0) << "rule " << r.number;
            EXPECT_EQ(map(fromCodes({key}), u" ", &steps), fromCodes(r.result)) << "rule " << r.number;
            EXPECT_EQ(steps, 0);
        }
    }
}

TEST(GlyphMap, EveryPairRuleTakesTheFollowingCharacter) {
    std::vector<PublishedRule> pairs, singles;
    readPublishedRules(pairs, singles);
    for (const PublishedRule& r : pairs) {
        int steps = -1;
        EXPECT_EQ(map(fromCodes(r.keys), fromCodes({r.following}), &steps), fromCodes(r.result)) << "pair " << r.number;
        EXPECT_EQ(steps, 1) << "pair " << r.number;
    }
}

TEST(GlyphMap, CodesWithoutRulePassUnchanged) {
    std::vector<PublishedRule> pairs, singles;
    readPublishedRules(pairs, singles);
    std::set<int> ruled;
    for (const PublishedRule& r : singles) ruled.insert(r.keys.begin(), r.keys.end());
    int unruled = 0;
    for (int code = 0; code < 256; ++code) {
        if (ruled.count(code)) continue;
        ++unruled;
        for (int following : {-1, 0xEE, 0xEF, 0xF0, 0x20}) {
            std::u16string f = following < 0 ? u"" : fromCodes({following});
            int steps = -1;
            // What the rules leave to the converters at no context: 0x60 is ഋ, a la sign the
            // virama and la.
            const std::u16string expected = code == 0x60                  ? fromCodes({0x45})
                                            : code == 0xEF || code == 0xF0 ? fromCodes({0x76, 0x65})
                                                                           : fromCodes({code});
            EXPECT_EQ(map(fromCodes({code}), f, &steps), expected) << std::hex << code;
            EXPECT_EQ(steps, 0);
        }
    }
    EXPECT_EQ(unruled, 256 - 187);
}

struct Case {
    const char* what;
    std::u16string current;
    std::u16string following;
    std::u16string expected;
    int steps;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

class GlyphMapCases : public ::testing::TestWithParam<Case> {};

TEST_P(GlyphMapCases, Maps) {
    const Case& c = GetParam();
    int steps = -1;
    EXPECT_EQ(map(c.current, c.following, &steps), c.expected) << c.what;
    EXPECT_EQ(steps, c.steps) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Edges, GlyphMapCases,
    ::testing::Values(
        Case{"0xCC before 0xEE", codes({0xCC}), codes({0xEE}), codes({0xBA}), 1},
        Case{"0xCC before 0xEF", codes({0xCC}), codes({0xEF}), codes({0xBB}), 1},
        Case{"0xCC before 0xF0", codes({0xCC}), codes({0xF0}), codes({0xBB}), 1},
        Case{"0xCC before another", codes({0xCC}), codes({0x41}), codes({0x5F}), 0},
        Case{"0xCC at the end", codes({0xCC}), u"", codes({0x5F}), 0},
        Case{"0xDC before 0xEF", codes({0xDC}), codes({0xEF}), codes({0xC3}), 1},
        Case{"0xDC alone", codes({0xDC}), u"", codes({0x65}), 0},
        Case{"0xEF as current", codes({0xEF}), codes({0xEF}), codes({0x76, 0x65}), 0},
        Case{"0xEE as current", codes({0xEE}), codes({0xCC}), codes({0xEE}), 0},
        Case{"0xF0 as current", codes({0xF0}), u"", codes({0x76, 0x65}), 0},
        Case{"0xB5 before 0xEE makes no pair", codes({0xB5}), codes({0xEE}), codes({0x49}), 0},
        Case{"0x41", codes({0x41}), u"", codes({0xA1}), 0},
        Case{"0x61", codes({0x61}), u"", codes({0xE2}), 0},
        Case{"0x4C", codes({0x4C}), u"", codes({0xB4}), 0},
        Case{"0x6C gives three", codes({0x6C}), u"", codes({0x63, 0x71, 0x5D}), 0},
        Case{"0x79 ends in a backslash", codes({0x79}), u"", u"Xv\\", 0},
        Case{"0x91 is U+2018 and yields itself", u"\u2018", u"", u"\u2018", 0},
        Case{"0x92 has no rule", u"\u2019", u"", u"\u2019", 0},
        Case{"U+0091 is not the code 0x91", u"\u0091", u"", u"\u0091", 0},
        Case{"0xED", codes({0xED}), u"", codes({0x76}), 0},
        Case{"0xA1", codes({0xA1}), u"", codes({0x76}), 0},
        Case{"0x27", u"'", u"", u"\"", 0},
        Case{"0x22", u"\"", u"", u"'", 0},
        Case{"0x51", u"Q", u"", u"''", 0},
        Case{"0x60 is ML-TTRevathi's RI", u"`", u"", codes({0x45}), 0},
        Case{"space", u" ", u"", u" ", 0},
        Case{"paragraph break", u"\n", codes({0xEF}), u"\n", 0},
        Case{"line break", u"\v", u"", u"\v", 0},
        Case{"two characters", codes({0xCC, 0xEF}), u"", codes({0xCC, 0xEF}), 0},
        Case{"empty current", u"", codes({0xEF}), u"", 0},
        Case{"following of two characters", codes({0xCC}), codes({0xEF, 0xEF}), codes({0x5F}), 0},
        Case{"following outside the 8-bit range", codes({0xCC}), u"\u0D15", codes({0x5F}), 0}));

// MapGlyph, the published rules the window's walk steps through, maps every code, before
// every code and at the end of the text, as the converters do, but for what the rules
// leave open (0x60, and a la sign that makes no pair), which the walk then asks the core for.
TEST(GlyphMap, WindowWalkAgreesWithTheCore) {
    std::vector<std::u16string> characters = {u"", u"\u0091", u"\u0D15", codes({0xCC, 0xEF})};
    for (int c = 0; c < 256; ++c) characters.push_back(codes({c}));
    int differ = 0;
    for (const std::u16string& current : characters)
        for (const std::u16string& following : characters) {
            int a = -1, b = -1;
            const bool open = current == u"`" || current == codes({0xEF}) || current == codes({0xF0});
            if (open && walk(current, following, &a) == current) EXPECT_EQ(a, 0) << "left to the core";
            else differ += walk(current, following, &a) != map(current, following, &b) || a != b;
        }
    EXPECT_EQ(differ, 0);
}

// The converters look what a code becomes up in a table made once: by the column of the
// code after it, and for the few codes the one before may change, by that code. The
// table must say what the rules say for every code before, after and between.
TEST(GlyphMap, LookedUpAsWorkedOut) {
    const LegacyEncoding& encoding = panchariEncoding();
    const RevathiTable& table = RevathiTable::of(encoding);
    std::vector<int> following = {-1, 0x20, 0x41, 0xB5, 0xCC, 0xFF};
    for (std::size_t k = 0; k < encoding.pairSecondCount(); ++k) following.push_back(encoding.pairSecond(unsigned(k)));
    int differ = 0;
    for (int previous = -1; previous < 256; ++previous)
        for (int code = 0; code < 256; ++code)
            for (int f : following) {
                const GlyphCodes a = revathiCodes(encoding, previous, std::uint8_t(code), f);
                const GlyphCodes& b = table.codes(previous, std::uint8_t(code), f);
                differ += a.length != b.length || a.pair != b.pair ||
                          !std::equal(a.codes, a.codes + a.length, b.codes);
            }
    EXPECT_EQ(differ, 0);
}

TEST(GlyphMap, PairStepDetectsOverflow) {
    currentPosition = std::numeric_limits<std::int32_t>::max();
    EXPECT_THROW(MapGlyph(codes({0xCC}), codes({0xEF})), std::overflow_error);
    EXPECT_EQ(currentPosition, std::numeric_limits<std::int32_t>::max());
    // A single rule does not step, so it cannot overflow.
    EXPECT_EQ(std::u16string(MapGlyph(codes({0xCC}), u"")), codes({0x5F}));
}
