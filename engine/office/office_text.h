// The text of a word-processor package (DOCX, ODT) as the converters see it: paragraphs
// of characters, each with the legacy font it is set in, if any, and the piece of the
// part it stands in (a text element, a symbol, a soft hyphen ...). Converting fills
// each piece with what the core decided stands there; the package's own code splices
// the pieces back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
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

// Texts held one after another in large blocks, which never move: a long document's
// many pieces are not as many allocations.
class TextArena {
public:
    // A copy of `text` that lives as long as the arena.
    std::string_view hold(std::string_view text);
    // Takes in another's blocks.
    void take(TextArena&& other);

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* free_ = nullptr;
    std::size_t left_ = 0;
};

// Where converted pieces go: each piece's text, whole, held in `arena`.
struct PieceTexts {
    std::vector<std::string_view>& texts;
    TextArena& arena;
    std::vector<char>& touched;  // where legacy text was converted
};

// Converts one paragraph. Runs of consecutive characters typed in fonts of one encoding
// are one stretch: pairs and the syllable ordering cross piece boundaries, and each
// converted syllable goes to the piece of its base glyph. Each piece where legacy text
// was converted is marked touched and gets its new text (a character taken into a
// syllable elsewhere adds nothing); codes kept as typed are noted in `kept`. Text in a
// font that does not convert in this mode is left as it is.
void convertParagraph(const std::vector<OfficeChar>& chars, bool unicode, PieceTexts out, std::vector<KeptRange>& kept,
                      LegacyCounts& counts);

// What converts into a legacy font's codes (--to FONT): the text of the encodings
// `from` names (all where it is empty), and with `fromUnicode` Unicode Malayalam in any
// other font.
struct LegacyTarget {
    const LegacyEncoding* to;
    std::vector<const LegacyEncoding*> from;
    bool fromUnicode = true;
    bool converts(const LegacyEncoding& e) const {
        return from.empty() || std::find(from.begin(), from.end(), &e) != from.end();
    }
};

// convertParagraph() into `target.to`'s codes (as Windows-1252 reads them). Text already
// in its encoding keeps its codes; PANCHARI's into ML-TT follows the glyph rules; any
// other goes through Unicode. Unicode Malayalam words (with the spaces between them) are
// written in the font; what else a piece holds, and what the font cannot draw, is kept
// as it was (`kept`), to stay in its own font.
void convertParagraphToLegacy(const std::vector<OfficeChar>& chars, const LegacyTarget& target, PieceTexts out,
                              std::vector<KeptRange>& kept, LegacyCounts& counts);

}  // namespace tolvarin
