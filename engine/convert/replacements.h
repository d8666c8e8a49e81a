// What a source-font character becomes in the converted RTF, looked up rather than
// worked out for each character: its ML-TTRevathi codes written in the form the source
// had, for each following character that can complete a pair.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "fonts/glyph_map.h"
#include "core/legacy_text.h"
#include "fonts/legacy_font.h"

namespace tolvarin {

// How a converted character is written: as text (plain ASCII where it cannot run into
// a control word before it, else \'hh), or, where the source wrote \uN, as \uN with
// its fallback.
enum class Form : std::uint8_t { Text, Unicode };

inline constexpr int kEnd = -1;  // the following "character" at the end of a stream

// Appends `codes` in `form`. Right after a control word that ends without a space, a
// letter, digit, space or hyphen is escaped, so as not to run into it.
void appendCodes(std::string& out, const std::uint8_t* codes, int n, Form form, bool afterBareWord,
                 int unicodeSkip);

// The replacement of every code, for each following character that matters, written
// as text: once where plain ASCII may stand, once right after a bare control word.
struct TextReplacement {
    char bytes[12];
    std::uint8_t length;
    bool pair;        // the following character is taken in
    bool same;        // the code maps to itself
    bool contextual;  // after some codes it becomes something else (LegacyEncoding::followsPrevious)
};
struct TextReplacements {
    TextReplacement table[2][256][LegacyEncoding::kMaxPairSeconds + 1];
};

// The same for a character written as \uN with one fallback character, as LibreOffice
// writes each glyph of a symbol-charset font.
struct UnicodeReplacement {
    char bytes[32];
    std::uint8_t length;
    bool pair;
    bool same;
    bool contextual;
};
struct UnicodeReplacements {
    UnicodeReplacement table[256][LegacyEncoding::kMaxPairSeconds + 1];
};

// What the core decides each code of an encoding with glyph rules becomes, written in
// every form the source may have had it in.
class Replacements {
public:
    explicit Replacements(const LegacyEncoding& encoding);
    // The column of the tables for the character that follows: one for each second half
    // of a pair, one for anything else.
    unsigned column(int following) const {
        return unsigned(following) < 256 ? columns_[std::size_t(following)] : end_;
    }
    const TextReplacements& text() const { return text_; }
    const TextReplacement& text(bool afterBareWord, std::uint8_t code, int following) const {
        return text_.table[afterBareWord][code][column(following)];
    }
    const UnicodeReplacement& unicode(std::uint8_t code, int following) const {
        return unicode_.table[code][column(following)];
    }
    // A code whose replacement says `contextual`, after `previous` (a code of the same
    // encoding not taken into a pair, or -1): what it becomes where the code before changes
    // that, or null where it does not (the code is then written as any other, its own
    // bytes kept where they are kept).
    const GlyphCodes* afterPrevious(int previous, std::uint8_t code, int following) const {
        return revathi_.afterPrevious(previous, code, column(following));
    }

private:
    const RevathiTable& revathi_;
    // The encoding's columns, beside the tables: looked up for every character.
    std::array<std::uint8_t, 256> columns_;
    std::uint8_t end_;
    TextReplacements text_;
    UnicodeReplacements unicode_;
};

// The replacements of an encoding with glyph rules, made the first time they are asked for.
const Replacements& replacementsFor(const LegacyEncoding& encoding);

}  // namespace tolvarin
