// DOCX parts as the reading of their text leaves them for the writing: each run with
// what its converted text needs, each piece of text with its element, and the reader
// of a story part's runs (the main document, headers, footers, notes, comments) and of
// numbering.xml's list labels, each character with its font as Word finds it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/conversion_options.h"
#include "office/docx_styles.h"
#include "office/package_text.h"
#include "office/xml_part.h"

namespace tolvarin::docx {

enum class PieceKind : std::uint8_t { Text, Symbol, SoftHyphen, LevelText, Fixed };

struct PieceAt {
    std::uint32_t piece;
    std::uint32_t element;
    std::uint32_t run;  // into Part::runs
    PieceKind kind;
};

// A run (or a numbering level) and what its converted text needs of it.
struct RunAt {
    std::uint32_t element;
    std::uint32_t rPr;  // kNoElement when the run has none
    bool touched = false, hasSymbol = false;
    bool themed = false;  // its font comes from the theme
    // The bold and italic to write for the complex script: the Western ones, where the
    // run would not have them so (on where it does not set them itself, off where its
    // styles would turn them on).
    std::optional<bool> boldCs, italicCs;
    std::string sizeCs;  // the size to repeat for it, or empty
    // The same the other way, for Unicode text written in a legacy font.
    std::optional<bool> bold, italic;
    std::string size;
    bool legacyText = false;  // its text is in a legacy font

    RunAt(std::uint32_t owner, std::uint32_t properties, const RunProperties& direct, const RunProperties& effective)
        : element(owner), rPr(properties) {
        themed = effective.fontFromTheme[Ascii] || effective.fontFromTheme[HAnsi];
        const auto repeated = [](std::optional<bool> western, std::optional<bool> complex, std::optional<bool> own) {
            const bool on = western.value_or(false);
            return (on && own != true) || (!on && complex.value_or(false)) ? std::optional<bool>(on) : std::nullopt;
        };
        boldCs = repeated(effective.bold, effective.boldCs, direct.boldCs);
        italicCs = repeated(effective.italic, effective.italicCs, direct.italicCs);
        if (effective.size && direct.sizeCs != effective.size) sizeCs = *effective.size;
        // Unicode Malayalam shows the complex script's: written in a legacy font, the Western.
        bold = repeated(effective.boldCs, effective.bold, direct.bold);
        italic = repeated(effective.italicCs, effective.italic, direct.italic);
        if (effective.sizeCs && direct.size != effective.sizeCs) size = *effective.sizeCs;
    }
};

struct Part {
    enum Kind { Story, StylesPart, Numbering, FontTable, ThemePart } kind;
    std::string name;
    XmlPart xml;
    std::vector<PieceAt> pieces;
    std::vector<RunAt> runs;  // a numbering level stands for its run
    // Read in two halves: the element the second begins at, and where its runs and pieces
    // begin.
    std::uint32_t meet = kNoElement;
    std::size_t runsMeet = 0, piecesMeet = 0;
};

// Reads the runs of a story part, or of a stretch of its elements that begins outside
// any paragraph, into a PackageText.
class StoryReader {
public:
    StoryReader(const Theme& theme, Styles& styles, PackageText& text, std::vector<RunAt>& runs,
                std::vector<PieceAt>& pieces)
        : theme_(theme), styles_(styles), text_(text), runs_(runs), pieces_(pieces) {}
    // Elements [from, to) of the part; the paragraphs still open at `to` end there.
    void read(const XmlPart& xml, std::uint32_t from, std::uint32_t to);
    void readNumbering(const XmlPart& xml);

private:
    void addCharacters(std::vector<OfficeChar>& chars, std::string_view utf8, const RunProperties& props,
                       std::uint32_t piece, bool levelText);

    const Theme& theme_;
    Styles& styles_;
    PackageText& text_;
    std::vector<RunAt>& runs_;
    std::vector<PieceAt>& pieces_;
    // The last font name a run's characters took, and what it is: runs mostly repeat it.
    std::string lastFont_;
    const LegacyFont* lastLegacy_ = nullptr;
    std::uint32_t lastFontIndex_ = 0;
    bool fontLooked_ = false;
};


// The changes of a part's pieces and runs in the given ranges, and of the font
// declarations among elements [from, to).
void spliceRange(Part& part, const PackageText& text, const ConversionOptions& options, std::size_t firstPiece,
                 std::size_t endPiece, std::size_t firstRun, std::size_t endRun, std::uint32_t firstElement,
                 std::uint32_t endElement, std::vector<char>& fontsRewritten, XmlSplice& splice);

}  // namespace tolvarin::docx
