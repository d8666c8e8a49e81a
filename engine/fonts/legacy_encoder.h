// Unicode Malayalam written in a legacy font's codes: the other direction of
// unicode_malayalam.h, made from the same tables (a code with a value is a glyph the
// font draws). Each syllable is cut into the font's glyphs with the fewest codes, its
// codes put in the order a typist types them, and read back through the table before
// it is taken: what would not read back as it was stays in Unicode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "fonts/legacy_font.h"

namespace tolvarin {

// Whether `c` is Malayalam text for the encoder: the block's characters, and the joiners
// that may stand inside its words.
inline bool isMalayalamText(char32_t c) { return (c >= 0x0D00 && c <= 0x0D7F) || c == 0x200C || c == 0x200D; }

// Whether `c` is punctuation, a digit or a symbol that every script shares (no letter):
// after Malayalam it belongs to the Malayalam text, and goes into the font with it
// where the font draws it as itself.
inline bool isNeutral(char32_t c) {
    if (c < 0x80) return c > 0x20 && c < 0x7F && !((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
    return (c >= 0x2010 && c <= 0x2027) || (c >= 0x2030 && c <= 0x205E);
}
// The code at which `encoding`'s font draws `c` (a character other than Malayalam) as
// itself, or -1.
int codeOfItself(const LegacyEncoding& encoding, char32_t c);
// Whether Unicode Malayalam text written in `encoding` takes `c` with it, after it.
inline bool joinsMalayalam(const LegacyEncoding& encoding, char32_t c) {
    return isNeutral(c) && codeOfItself(encoding, c) >= 0;
}

// A stretch of Unicode written in a legacy encoding, the way ConvertedStretch is the
// other way: what stands at character i is codes[begin(i), ends[i]), a syllable's codes
// at its first character and nothing at its others. The characters listed in `kept`
// (in order) are not drawn by the font and stay as they are; `approximated` counts
// characters drawn as the nearest glyph the font has (a chillu it lacks, with a visible
// virama).
struct EncodedStretch {
    std::string codes;  // bytes
    std::vector<std::size_t> ends;
    std::vector<std::size_t> kept;
    std::size_t approximated = 0;
    std::size_t begin(std::size_t i) const { return i == 0 ? 0 : ends[i - 1]; }

    // Syllables already written, by their text: a document repeats its syllables, and
    // each is worked out once.
    struct Written {
        std::string codes;
        bool drawn;
        bool approximated;
    };
    std::vector<Written> written;
    std::unordered_map<std::u16string, std::uint32_t> memo;  // into `written`
    // Most syllables are a few Malayalam characters written in a few codes: those are
    // kept in an open-addressed table, a syllable's text packed into its key (a byte a
    // character) and its codes beside it, found with one memory load.
    struct Remembered {
        std::uint64_t key = 0;  // 0: empty
        std::uint8_t length = 0;
        bool drawn = false, approximated = false;
        char codes[13];
    };
    std::vector<Remembered> remembered;  // a power of two long, never more than half full
    std::size_t rememberedCount = 0;
    // Room for the work, reused: the text folded (see legacy_encoder.cpp), where each of
    // its characters came from (`identity` where each from its own place), and each
    // syllable's end and key.
    struct Scratch {
        std::u16string text;
        std::vector<std::size_t> from;
        bool identity = true;
        std::vector<std::pair<std::size_t, std::uint64_t>> syllables;
    } scratch;
    const void* memoFor = nullptr;
    const void* encoder = nullptr;  // memoFor's, found once
};

// Writes `text` (n characters) in `encoding`'s codes.
void encodeStretch(const LegacyEncoding& encoding, const char32_t* text, std::size_t n, EncodedStretch& out);

// Unicode text as one string of `encoding`'s codes, for plain text and text panes. A
// character the font cannot draw is written as its Windows-1252 byte (Latin text, as it
// came), or '?' where it has none; the Malayalam ones are listed, each once.
struct EncodedText {
    std::string codes;
    std::u32string notDrawn;
    std::size_t notDrawnCount = 0, approximated = 0;
};
EncodedText encodeText(const LegacyEncoding& encoding, std::u32string_view text);

// What text written so reads back as, at best: NFC, the atomic chillus, NTA spelt ന്റ,
// no joiners.
std::u16string foldedMalayalam(std::u32string_view text);

}  // namespace tolvarin
