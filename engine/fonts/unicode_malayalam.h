// Unicode Malayalam from text typed in the PANCHARI font: what each code stands for,
// and the reordering of a stretch of typed glyphs into Unicode's logical order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolvarin {

inline constexpr std::string_view kDefaultUnicodeFont = "Noto Sans Malayalam";

// A code's Unicode value: one to three code points, or none (the code is kept as
// typed), or the doubling mark, which repeats the consonant before it.
struct PanchariValue {
    std::int8_t length;  // 1-3, or kNoValue, or kGeminate
    char16_t points[3];
};
inline constexpr std::int8_t kNoValue = 0;
inline constexpr std::int8_t kGeminate = -1;

const PanchariValue& panchariUnicode(std::uint8_t code);

// A stretch converted, its text in the order of the characters' places: what stands
// at character i is text[i ? ends[i - 1] : 0, ends[i]): a syllable at its base glyph
// (signs typed before or after it move there), a sign or mark that stays where it was,
// or nothing, for a character that moved into a syllable. The characters listed in
// `kept` (in order) have no Unicode value and stay as typed.
struct ConvertedStretch {
    std::u16string_view text() const { return {buffer.get(), length}; }
    std::vector<std::size_t> ends;
    std::vector<std::size_t> kept;

    std::size_t textBefore(std::size_t i) const { return i == 0 ? 0 : ends[i - 1]; }

    // The text's room, reused from stretch to stretch and never cleared first.
    std::unique_ptr<char16_t[]> buffer;
    std::size_t capacity = 0, length = 0;
};

// Whether a code ends every syllable (a space, punctuation): a stretch split right
// after one converts as it would whole.
bool endsSyllables(std::uint8_t code);

// Converts a stretch of typed codes: one paragraph of one text stream, in the font,
// with nothing in another font between.
void convertStretch(const std::uint8_t* codes, std::size_t n, ConvertedStretch& out);

// The same, as one string; codes without a value read as Windows-1252.
std::u16string convertStretchToText(const std::uint8_t* codes, std::size_t n);

class Document;
// The plain text of a document with its source-font text in Unicode Malayalam: one
// line a paragraph (line breaks end lines too), UTF-8. `unknown` counts the codes that
// had no Unicode value and were kept as they were.
std::string documentUnicodeText(const Document& doc, std::size_t* unknown = nullptr);

}  // namespace tolvarin
