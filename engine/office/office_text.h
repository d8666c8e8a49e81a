// The text of a word-processor package (DOCX, ODT) as the converters see it: paragraphs
// of characters, each with the legacy font it is set in, if any, and the piece of the
// part it stands in (a text element, a symbol, a soft hyphen ...). Converting fills
// each piece with its new text; the package's own code splices the pieces back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fonts/legacy_font.h"

namespace tolvarin {

struct OfficeChar {
    char32_t value;
    int code;                 // the legacy code it stands for, or -1
    const LegacyFont* font;   // null: not legacy text
    std::uint32_t piece;
    std::uint32_t fontName = 0;  // PackageText::fontName(); 0: none
};

struct OfficeCounts {
    std::size_t converted = 0;
    std::size_t unknown = 0;  // Unicode: characters with no Unicode value, kept as they were
    std::vector<std::size_t> byFont = std::vector<std::size_t>(legacyFonts().size());
};

// The code a character of a legacy font's text stands for: the character read as
// Windows-1252, or U+F0xx as a symbol font writes it; -1 for any other character.
int legacyCode(char32_t c);

// Converts one paragraph. Runs of consecutive characters in one legacy font are one
// stretch: pairs and the syllable ordering cross piece boundaries, and each converted
// syllable goes to the piece of its base glyph. Appends each character's result to
// out[piece] (a character taken into a syllable elsewhere adds nothing) and sets
// touched[piece] where legacy text was converted. ML-TTRevathi mode (`unicode` false)
// converts the fonts with glyph rules (PANCHARI) and leaves others as they are.
void convertParagraph(const std::vector<OfficeChar>& chars, bool unicode, std::vector<std::string>& out,
                      std::vector<char>& touched, OfficeCounts& counts);

}  // namespace tolvarin
