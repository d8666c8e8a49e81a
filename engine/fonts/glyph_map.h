// Which codes of the target font ML-TTRevathi draw what a code of the source font
// PANCHARI draws.
#pragma once

#include <cstdint>
#include <string_view>

namespace tolvarin {

inline constexpr std::string_view kSourceFontPrefix = "PANCHARI";
inline constexpr std::string_view kTargetFontName = "ML-TTRevathi";

// The conversion pass's 1-based position in the text it walks. MapGlyph steps it
// by one more when it takes the following character in as the second half of a pair.
extern std::int32_t currentPosition;

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
};
// `following` is the Unicode value of the next character (only U+00EE-U+00F0 can
// complete a pair), or -1 at the end of the text. Touches no position.
GlyphCodes MapGlyphCode(std::uint8_t current, int following);

}  // namespace tolvarin
