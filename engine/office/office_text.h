// The text of a word-processor package (DOCX, ODT) as the converters see it: paragraphs
// of characters, each with the legacy font it is set in, if any, and the piece of the
// part it stands in (a text element, a symbol, a soft hyphen ...). Converting fills
// each piece with what the core decided stands there; the package's own code splices
// the pieces back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/legacy_text.h"

namespace tolvarin {

struct OfficeChar {
    char32_t value;
    int code;                 // the legacy code it stands for, or -1
    const LegacyFont* font;   // null: not legacy text
    std::uint32_t piece;
    std::uint32_t fontName = 0;  // PackageText::fontName(); 0: none
};

// The code a character of a legacy font's text stands for: the character read as
// Windows-1252, or U+F0xx as a symbol font writes it; -1 for any other character.
int legacyCode(char32_t c);

// Where, in a piece's converted text (UTF-8), characters kept as typed stand: they stay
// in the legacy font, in a run or span of their own.
struct KeptRange {
    std::uint32_t piece;
    std::size_t begin, end;
};

// Converts one paragraph. Runs of consecutive characters typed in fonts of one encoding
// are one stretch: pairs and the syllable ordering cross piece boundaries, and each
// converted syllable goes to the piece of its base glyph. Appends each character's
// result to out[piece] (a character taken into a syllable elsewhere adds nothing) and
// sets touched[piece] where legacy text was converted; codes kept as typed are noted in
// `kept`. Text in a font that does not convert in this mode is left as it is.
void convertParagraph(const std::vector<OfficeChar>& chars, bool unicode, std::vector<std::string>& out,
                      std::vector<char>& touched, std::vector<KeptRange>& kept, LegacyCounts& counts);

}  // namespace tolvarin
