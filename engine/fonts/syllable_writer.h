// What the writer of a stretch (encoded_stretch.cpp) and the writer of one syllable in a
// font's codes (legacy_encoder.cpp) share: Malayalam's letters as the encoder sorts
// them, and the syllable writer of each encoding.
#pragma once

#include <string_view>

#include "fonts/legacy_encoder.h"
#include "fonts/unicode_malayalam.h"

namespace tolvarin::syllables {

inline constexpr char16_t kVirama = 0x0D4D, kRa = 0x0D30, kZwnj = 0x200C, kZwj = 0x200D;
inline constexpr char16_t kSignE = 0x0D46, kSignEE = 0x0D47, kSignAI = 0x0D48, kSignO = 0x0D4A, kSignOO = 0x0D4B,
                   kSignAU = 0x0D4C, kSignAA = 0x0D3E, kAuLength = 0x0D57, kDotReph = 0x0D4E;
inline constexpr char16_t kNa = 0x0D28, kRra = 0x0D31, kChilluN = 0x0D7B, kChilluRR = 0x0D7C, kE = 0x0D0E, kAI = 0x0D10;

inline bool isConsonant(char32_t c) { return c >= 0x0D15 && c <= 0x0D3A; }
inline bool isVowelSign(char32_t c) {
    return (c >= 0x0D3E && c <= 0x0D44) || (c >= 0x0D46 && c <= 0x0D4C && c != 0x0D49) || c == kAuLength ||
           c == 0x0D62 || c == 0x0D63;
}
inline bool isMark(char32_t c) { return c <= 0x0D03 && c >= 0x0D00; }
inline bool isIndependentVowel(char32_t c) { return (c >= 0x0D05 && c <= 0x0D14) || c == 0x0D60 || c == 0x0D61; }

// A chillu's consonant, or 0: the chillus a font may lack are drawn as it with a virama.
inline char16_t chilluConsonant(char32_t c) {
    switch (c) {
    case 0x0D7A: return 0x0D23;
    case 0x0D7B: return 0x0D28;
    case 0x0D7C: return 0x0D30;
    case 0x0D7D: return 0x0D32;
    case 0x0D7E: return 0x0D33;
    case 0x0D7F: return 0x0D15;
    case 0x0D54: return 0x0D2E;
    case 0x0D55: return 0x0D2F;
    case 0x0D56: return 0x0D34;
    default: return 0;
    }
}
// The atomic chillu a consonant + virama + ZWJ spells, or 0.
inline char16_t chilluOf(char32_t consonant) {
    for (char16_t c : {0x0D7A, 0x0D7B, 0x0D7C, 0x0D7D, 0x0D7E, 0x0D7F})
        if (chilluConsonant(c) == consonant) return c;
    return 0;
}

// The syllable writer of an encoding, made once, from its table.
struct Writer;
const Writer& writerOf(const LegacyEncoding& encoding);
// Writes a syllable (folded, as syllableEnd() cuts it); false where the font cannot draw
// it so that it reads back as it was.
bool write(const Writer& writer, std::u16string_view syllable, EncodedStretch::Written& out, ConvertedStretch& check);
// The code that is `c` itself (a character other than Malayalam), or -1.
int sameCode(const Writer& writer, char32_t c);

}  // namespace tolvarin::syllables
