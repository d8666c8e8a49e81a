// Unicode Malayalam from text typed in a legacy font: the reordering of a stretch of
// typed glyphs into Unicode's logical order, by how each glyph is drawn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fonts/legacy_font.h"

namespace tolvarin {

// A stretch converted, its text in the order of the characters' places: what stands
// at character i is text[i ? ends[i - 1] : 0, ends[i]): a syllable at its base glyph
// (signs typed before or after it move there), a sign or mark that stays where it was,
// or nothing, for a character that moved into a syllable. The characters listed in
// `kept` (in order) have no Unicode value and stay as typed.
struct ConvertedStretch {
    std::u16string_view text() const { return {buffer.get(), length}; }
    std::vector<std::size_t> ends;
    std::vector<std::size_t> kept;
    std::vector<std::uint8_t> asTyped;  // room for a mask of characters kept as typed

    std::size_t textBefore(std::size_t i) const { return i == 0 ? 0 : ends[i - 1]; }

    // The text's room, reused from stretch to stretch and never cleared first.
    std::unique_ptr<char16_t[]> buffer;
    std::size_t capacity = 0, length = 0;
};

// Independent vowels some fonts draw as another vowel and a sign after it: the vowel,
// the sign, and what the two draw.
inline constexpr char16_t kVowelPieces[][3] = {{0x0D12, 0x0D3E, 0x0D13},
                                               {0x0D07, 0x0D57, 0x0D08},
                                               {0x0D09, 0x0D57, 0x0D0A},
                                               {0x0D12, 0x0D57, 0x0D14},
                                               {0x0D0B, 0x0D57, 0x0D60}};

// Puts a stretch of codes typed in `encoding` in Unicode's order: one paragraph of one
// text stream, with nothing in another encoding between. The characters `asTyped` marks
// (if given) are kept as typed.
void convertStretch(const LegacyEncoding& encoding, const std::uint8_t* codes, std::size_t n, ConvertedStretch& out,
                    const std::uint8_t* asTyped = nullptr);

}  // namespace tolvarin
