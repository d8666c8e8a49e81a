// Which codes of the target font ML-TTRevathi draw what a code of the source font
// PANCHARI draws.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tolvarin {

inline constexpr std::string_view kSourceFontPrefix = "PANCHARI";
inline constexpr std::string_view kTargetFontName = "ML-TTRevathi";

// The conversion pass's 1-based position in the text it walks. MapGlyph steps it
// by one more when it takes the following character in as the second half of a pair.
extern std::int32_t currentPosition;

// The second halves of pairs: only these codes complete a pair with the code before
// them, so tables of the rules need a column for each and one for anything else.
inline constexpr std::uint8_t kFirstPairSecond = 0xEE;
inline constexpr unsigned kPairSeconds = 3;
inline constexpr std::array<std::uint8_t, kPairSeconds> kPairSecondCodes = {0xEE, 0xEF, 0xF0};
// Which second half `following` is, 0 to kPairSeconds - 1, or kPairSeconds for any
// other character (or -1, the end of the text).
inline unsigned pairSecond(int following) {
    const unsigned f = unsigned(following) - kFirstPairSecond;
    return f < kPairSeconds ? f : kPairSeconds;
}

// The target-font text for `current` (one character, as Windows-1252 Unicode)
// followed by `following` (one character, or empty at the end of the text).
// Returns the result of the first matching rule, pair rules before single rules,
// or `current` itself when none matches. On a pair match `currentPosition` grows
// by one; at its largest value std::overflow_error is thrown instead.
// The returned view points at static data or at `current`.
std::u16string_view MapGlyph(std::u16string_view current, std::u16string_view following);

// The same rules on 8-bit codes, for callers that work on the font's bytes.
struct GlyphCodes {
    std::uint8_t codes[3];
    std::uint8_t length;  // 0: no rule, the code stays as it is
    bool pair;            // the following code is taken in
    // To a machine word: returned and taken apart in a register, not through memory.
    std::uint8_t unused[3] = {};
};
static_assert(sizeof(GlyphCodes) == 8);
// `following` is the Unicode value of the next character (the second halves are the
// same in Windows-1252 and Unicode), or -1 at the end of the text. Touches no position.
GlyphCodes MapGlyphCode(std::uint8_t current, int following);

}  // namespace tolvarin
