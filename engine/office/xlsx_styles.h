// Excel's workbook styles as they give a cell's text its font: each cell format's font
// (styles.xml cellXfs and fonts), the formats that show converted text in the Unicode
// font, and the font codes of header and footer text (&"Font,Style").
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "office/xml_part.h"

namespace tolvarin {
class LegacyFont;
}

namespace tolvarin::xlsx {

// The SpreadsheetML namespace, transitional and strict.
bool isS(const XmlElement& e, std::string_view local);
// The `val` attribute of the first child of `parent` that is the SpreadsheetML element
// `local` (rFont, name), or null.
const std::string* childValue(const XmlElements& el, std::uint32_t parent, std::string_view local);

class Styles {
public:
    void read(const XmlPart* styles);
    // The font name of cell format `xf` (a cell's s attribute; 0 where it has none).
    const std::string& fontOf(std::size_t xf) const;
    // The legacy font that font stands for, or null.
    const LegacyFont* legacyFontOf(std::size_t xf) const;
    // The properties of a rich-text run that shows text as a cell of format `xf` does
    // (its font's elements, the name as rFont), for text kept in that font.
    std::string runPropertiesOf(std::size_t xf) const;
    // A cell format like `xf`, its font the Unicode font: made once for each format.
    std::uint32_t unicodeFormat(std::uint32_t xf);
    // The fonts and cell formats unicodeFormat() made, added to styles.xml.
    void write(XmlSplice& splice, const std::string& unicodeFont) const;
    bool changed() const { return !unicodeFormats_.empty(); }

private:
    const XmlPart* xml_ = nullptr;
    std::vector<std::uint32_t> fonts_;   // each font element
    std::vector<std::string> fontNames_;
    std::vector<const LegacyFont*> fontLegacy_;
    std::vector<std::uint32_t> formats_;  // each cellXfs xf element
    std::vector<std::uint32_t> formatFont_;
    std::uint32_t fontsElement_ = kNoElement, formatsElement_ = kNoElement;
    std::map<std::uint32_t, std::uint32_t> unicodeFormats_;  // by format, its Unicode one
    std::vector<std::uint32_t> madeFor_;  // by format made, in order: the format it copies
};

// A header's or footer's text cut at its codes: stretches of text, each with the font its
// &"Font,Style" code (or the default) sets, and the codes between them as written.
struct HeaderPiece {
    bool text;
    std::string bytes;  // decoded; of text, as it shows (an ampersand once, written twice)
    std::string font;   // for text: the font it is in; for a font code: the font it names
    bool fontCode = false;  // a font code; of text, whether a font code set its font
};
std::vector<HeaderPiece> splitHeaderFooter(std::string_view decoded, const std::string& defaultFont);
// A font code naming `font` in place of `code`'s font, its style kept.
std::string renamedFontCode(const std::string& code, const std::string& font);

}  // namespace tolvarin::xlsx
