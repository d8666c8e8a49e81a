#include "fonts/glyph_map.h"

#include <array>
#include <limits>
#include <stdexcept>

#include "text/codepage.h"

namespace tolvarin {

std::int32_t currentPosition = 0;

namespace {

// The rules as 8-bit codes of the two fonts, in the order of the mapping tables.
// A result holds one to three codes; unused places are zero.
struct PairRule {
    std::uint8_t current;
    std::uint8_t following;
    std::array<std::uint8_t, 3> result;
};

struct SingleRule {
    std::uint8_t character;
    std::array<std::uint8_t, 3> result;
};

// clang-format off
constexpr PairRule kPairRules[] = {
    {0xDC, 0xEF, {0xC3}},  // 1
    {0xCE, 0xEF, {0xBE}},  // 2
    {0xC9, 0xEF, {0xB9}},  // 3
    {0xD9, 0xEF, {0xCB}},  // 4
    {0xCC, 0xEF, {0xBB}},  // 5
    {0xD6, 0xEF, {0xC7}},  // 6
    {0xD8, 0xEF, {0xC9}},  // 7
    {0xB5, 0xEF, {0xA2}},  // 8
    {0xB7, 0xEF, {0xA5}},  // 9
    {0xD5, 0xEE, {0xC6}},  // 10
    {0xBA, 0xEE, {0xA8}},  // 11
    {0xCF, 0xEE, {0xBF}},  // 12
    {0xCC, 0xEE, {0xBA}},  // 13
    {0xCC, 0xF0, {0xBB}},  // 14
    {0xD9, 0xF0, {0xCB}},  // 15
    {0xB5, 0xF0, {0xA2}},  // 16
    {0xB7, 0xF0, {0xA5}},  // 17
    {0xC9, 0xF0, {0xB9}},  // 18
    {0xDC, 0xF0, {0xC3}},  // 19
};

// Rule 184 covers two characters (0xED and 0xA1) and stands here twice. No rule
// exists for 0x60: it passes unchanged, like every code without a rule.
constexpr SingleRule kSingleRules[] = {
    {0x21, {0x21}},  // 1
    {0x93, {0x93}},  // 2
    {0x23, {0x2F}},  // 3
    {0x24, {0x2A}},  // 4
    {0x25, {0x25}},  // 5
    {0x26, {0x2B}},  // 6
    {0x91, {0x91}},  // 7
    {0x28, {0x28}},  // 8
    {0x29, {0x29}},  // 9
    {0x2A, {0x2A}},  // 10
    {0x2B, {0x2B}},  // 11
    {0x2C, {0x2C}},  // 12
    {0x2E, {0x2E}},  // 13
    {0x2F, {0x2F}},  // 14
    {0x30, {0x30}},  // 15
    {0x31, {0x31}},  // 16
    {0x32, {0x32}},  // 17
    {0x33, {0x33}},  // 18
    {0x34, {0x34}},  // 19
    {0x35, {0x35}},  // 20
    {0x36, {0x36}},  // 21
    {0x37, {0x37}},  // 22
    {0x38, {0x38}},  // 23
    {0x39, {0x39}},  // 24
    {0x3A, {0x3A}},  // 25
    {0x3B, {0x3B}},  // 26
    {0x3C, {0x3C}},  // 27
    {0x3D, {0x3D}},  // 28
    {0x3E, {0x3E}},  // 29
    {0x3F, {0x3F}},  // 30
    {0x40, {0x59}},  // 31
    {0x41, {0xA1}},  // 32
    {0x42, {0xA7}},  // 33
    {0x43, {0xA6}},  // 34
    {0x44, {0x2A}},  // 35
    {0x45, {0xAA}},  // 36
    {0x46, {0xA9}},  // 37
    {0x47, {0xAB}},  // 38
    {0x48, {0xAE}},  // 39
    {0x49, {0xAD}},  // 40
    {0x4A, {0xAF}},  // 41
    {0x4B, {0xB6}},  // 42
    {0x4C, {0xB4}},  // 43
    {0x4D, {0xB8}},  // 44
    {0x4E, {0xBD}},  // 45
    {0x4F, {0xBC}},  // 46
    {0x50, {0xA4}},  // 47
    {0x51, {0x27, 0x27}},  // 48
    {0x52, {0x22, 0x22}},  // 49
    {0x53, {0x2E}},  // 50
    {0x54, {0xCA}},  // 51
    {0x55, {0xC5}},  // 52
    {0x56, {0xC0}},  // 53
    {0x57, {0xC2}},  // 54
    {0x58, {0xB3}},  // 55
    {0x59, {0xAC}},  // 56
    {0x5A, {0xC4}},  // 57
    {0x5B, {0x28}},  // 58
    {0x5C, {0xC4}},  // 59
    {0x5D, {0x29}},  // 60
    {0x5F, {0xFE}},  // 61
    {0x61, {0xE2}},  // 62
    {0x62, {0x7A}},  // 63
    {0x63, {0x79}},  // 64
    {0x64, {0x7B}},  // 65
    {0x65, {0x5C, 0x70}},  // 66
    {0x66, {0xA3}},  // 67
    {0x67, {0xB1}},  // 68
    {0x68, {0x5C, 0x76}},  // 69
    {0x69, {0xB2}},  // 70
    {0x6A, {0xB0}},  // 71
    {0x6C, {0x63, 0x71, 0x5D}},  // 72
    {0x6D, {0xDE}},  // 73
    {0x6F, {0xE1}},  // 74
    {0x70, {0xD7}},  // 75
    {0x71, {0xDB}},  // 76
    {0x72, {0xD5}},  // 77
    {0x73, {0xD9}},  // 78
    {0x74, {0xD4}},  // 79
    {0x75, {0xDC}},  // 80
    {0x76, {0xDF}},  // 81
    {0x77, {0xB5}},  // 82
    {0x78, {0xE4}},  // 83
    {0x79, {0x58, 0x76, 0x5C}},  // 84
    {0x7A, {0xB7}},  // 85
    {0x7B, {0x66}},  // 86
    {0x7C, {0xBE}},  // 87
    {0x7E, {0x4A}},  // 88
    {0x82, {0xA8}},  // 89
    {0x83, {0xB9}},  // 90
    {0x84, {0xBA}},  // 91
    {0x85, {0xCB}},  // 92
    {0x86, {0xBB}},  // 93
    {0x87, {0xBF}},  // 94
    {0x88, {0xC3}},  // 95
    {0x89, {0xC7}},  // 96
    {0x8A, {0xC9}},  // 97
    {0x8B, {0xCE}},  // 98
    {0x8C, {0xC6}},  // 99
    {0x96, {0xFE}},  // 100
    {0x97, {0xFE}},  // 101
    {0x98, {0x2E}},  // 102
    {0x99, {0x2E}},  // 103
    {0x9A, {0x2E}},  // 104
    {0x9B, {0x2E}},  // 105
    {0x9C, {0x2E}},  // 106
    {0x9F, {0x2E}},  // 107
    {0xA2, {0x77}},  // 108
    {0xA3, {0x78}},  // 109
    {0xA5, {0x41}},  // 110
    {0xA6, {0x42}},  // 111
    {0xA7, {0x43}},  // 112
    {0xA8, {0x43, 0x75}},  // 113
    {0xA9, {0x44}},  // 114
    {0xAA, {0x44, 0x75}},  // 115
    {0xAB, {0x45}},  // 116
    {0xAC, {0x45, 0x75}},  // 117
    {0xAD, {0xD3}},  // 118
    {0xAE, {0x46}},  // 119
    {0xAF, {0x47}},  // 120
    {0xB0, {0x73, 0x46}},  // 121
    {0xB1, {0xA5}},  // 122
    {0xB2, {0x48}},  // 123
    {0xB3, {0x48, 0x6D}},  // 124
    {0xB4, {0x48, 0x75}},  // 125
    {0xB5, {0x49}},  // 126
    {0xB6, {0x4A}},  // 127
    {0xB7, {0x4B}},  // 128
    {0xB8, {0x4C}},  // 129
    {0xB9, {0x4D}},  // 130
    {0xBA, {0x4E}},  // 131
    {0xBB, {0x4F}},  // 132
    {0xBC, {0x50}},  // 133
    {0xBD, {0x51}},  // 134
    {0xBE, {0x52}},  // 135
    {0xBF, {0x53}},  // 136
    {0xC0, {0x54}},  // 137
    {0xC1, {0x55}},  // 138
    {0xC2, {0x56}},  // 139
    {0xC3, {0x57}},  // 140
    {0xC4, {0x58}},  // 141
    {0xC5, {0x59}},  // 142
    {0xC6, {0x5A}},  // 143
    {0xC7, {0x5B}},  // 144
    {0xC8, {0x5C}},  // 145
    {0xC9, {0x5D}},  // 146
    {0xCB, {0x5E}},  // 147
    {0xCC, {0x5F}},  // 148
    {0xCD, {0x60}},  // 149
    {0xCE, {0x61}},  // 150
    {0xCF, {0x62}},  // 151
    {0xD0, {0xA2}},  // 152
    {0xD2, {0x2A}},  // 153
    {0xD3, {0x2A}},  // 154
    {0xD5, {0x68}},  // 155
    {0xD6, {0x69}},  // 156
    {0xD7, {0x6A}},  // 157
    {0xD8, {0x6B}},  // 158
    {0xD9, {0x6C}},  // 159
    {0xDA, {0xE4}},  // 160
    {0xDB, {0xC8}},  // 161
    {0xDC, {0x65}},  // 162
    {0xDD, {0x67}},  // 163
    {0xDE, {0x6D}},  // 164
    {0xDF, {0x6E}},  // 165
    {0xE0, {0x6F}},  // 166
    {0xE1, {0x70}},  // 167
    {0xE2, {0x71}},  // 168
    {0xE3, {0x72}},  // 169
    {0xE6, {0x73}},  // 170
    {0xE7, {0x74}},  // 171
    {0xE8, {0x73, 0x73}},  // 172
    {0xEA, {0xFE}},  // 173
    {0xEB, {0xFE}},  // 174
    {0xEC, {0x75}},  // 175
    {0xF2, {0x6E}},  // 176
    {0xF3, {0x70}},  // 177
    {0xF4, {0x71}},  // 178
    {0xF5, {0x71}},  // 179
    {0xF6, {0x70}},  // 180
    {0xF7, {0x2E}},  // 181
    {0xF8, {0x63}},  // 182
    {0xF9, {0x64}},  // 183
    {0xED, {0x76}},  // 184
    {0xA1, {0x76}},  // 184
    {0x27, {0x22}},  // 185
    {0x22, {0x27}},  // 186
};
// clang-format on

constexpr bool pairSecondsAreKnown() {
    for (const PairRule& r : kPairRules)
        if (unsigned(r.following - kFirstPairSecond) >= kPairSeconds) return false;
    return true;
}
static_assert(pairSecondsAreKnown(), "a pair rule's second half outside kFirstPairSecond..+kPairSeconds");

struct Result {
    char16_t text[3];
    std::uint8_t length = 0;  // 0: no rule; the character stays as it is
    bool pair = false;        // the following character is taken in

    std::u16string_view view() const { return {text, length}; }
};

Result toResult(const std::array<std::uint8_t, 3>& codes, bool pair) {
    Result r{};
    for (std::uint8_t c : codes) {
        if (c == 0) break;
        r.text[r.length++] = decodeCp1252(c);
    }
    r.pair = pair;
    return r;
}

// Every rule's outcome in one table, indexed by the current code and by what
// follows: a pair's second half, or anything else (pairSecond()). The first rule for
// each key wins, which keeps pair rules ahead of single rules.

GlyphCodes toCodes(const std::array<std::uint8_t, 3>& codes, bool pair) {
    GlyphCodes g{};
    for (std::uint8_t c : codes) {
        if (c == 0) break;
        g.codes[g.length++] = c;
    }
    g.pair = pair;
    return g;
}

struct Tables {
    std::array<std::array<Result, kPairSeconds + 1>, 256> outcome{};
    std::array<std::array<GlyphCodes, kPairSeconds + 1>, 256> codes{};

    Tables() {
        for (const PairRule& r : kPairRules) {
            Result& slot = outcome[r.current][pairSecond(r.following)];
            if (slot.length == 0) {
                slot = toResult(r.result, true);
                codes[r.current][pairSecond(r.following)] = toCodes(r.result, true);
            }
        }
        for (const SingleRule& r : kSingleRules) {
            for (unsigned f = 0; f <= kPairSeconds; ++f) {
                if (outcome[r.character][f].length != 0) continue;
                outcome[r.character][f] = toResult(r.result, false);
                codes[r.character][f] = toCodes(r.result, false);
            }
        }
    }
};

// Built before main() runs; it reads only constant code page data.
const Tables kTables;

}  // namespace

std::u16string_view MapGlyph(std::u16string_view current, std::u16string_view following) {
    if (current.size() != 1) return current;
    const int code = encodeCp1252(current[0]);
    if (code < 0) return current;

    const Result& r = kTables.outcome[std::size_t(code)][pairSecond(following.size() == 1 ? following[0] : -1)];
    if (r.length == 0) return current;
    if (r.pair) {
        if (currentPosition == std::numeric_limits<std::int32_t>::max())
            throw std::overflow_error("the conversion position passed the largest 32-bit value");
        ++currentPosition;
    }
    return r.view();
}

GlyphCodes MapGlyphCode(std::uint8_t current, int following) {
    return kTables.codes[current][pairSecond(following)];
}

}  // namespace tolvarin
