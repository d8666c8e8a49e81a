// OpenDocument's parts and their styles as LibreOffice resolves them: a text's font and
// properties through its spans' styles, its paragraph's, their parents and the default
// style; and the automatic styles converted text is given.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/conversion_options.h"
#include "office/xml_part.h"

namespace tolvarin::odt {

inline constexpr std::string_view kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0 ";
inline constexpr std::string_view kStyle = "urn:oasis:names:tc:opendocument:xmlns:style:1.0 ";
inline constexpr std::string_view kFo = "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0 ";
inline constexpr std::string_view kSvg = "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0 ";
inline constexpr std::string_view kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0 ";
inline constexpr std::string_view kDraw = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0 ";
inline constexpr std::string_view kTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0 ";
inline constexpr std::string_view kPresentation = "urn:oasis:names:tc:opendocument:xmlns:presentation:1.0 ";

// Whether `e` is the element `local` of namespace `ns`; its attribute so named, or null.
bool is(const XmlElement& e, std::string_view ns, std::string_view local);
const std::string* attr(const XmlElement& e, std::string_view ns, std::string_view local);
// A font family name without the quotes it may be written in.
std::string unquoted(std::string family);

// A part of the package (content.xml, styles.xml), and where its text stands.
struct Part {
    std::string name;
    XmlPart xml{true};
    struct PieceAt {
        std::uint32_t piece, text, container;
        // Whether literal white space collapsed where the text begins, and after it.
        bool collapsingAt, collapsingAfter;
    };
    std::vector<PieceAt> pieces;
    // Spaces, tabs and line breaks written as elements, set in a legacy font.
    std::vector<std::uint32_t> blanks;
};

class Styles {
public:
    explicit Styles(const std::vector<Part>& parts) : parts_(parts) {}
    // In a presentation or a spreadsheet, text takes what its paragraph leaves unset from
    // the shape or cell it stands in, as Impress and Calc show it; in a text document the
    // paragraph's style is the last word, as in Writer.
    void setObjectsStyleText(bool on) { objectsStyleText_ = on; }
    // Reads the styles and font declarations of part `part`, and which style each cell
    // of its tables takes from its column.
    void read(std::uint32_t part);
    // The font the text in `element` is set in.
    std::string fontOf(std::uint32_t part, std::uint32_t element);
    // A property as the text in `element` has it, through its spans and its paragraph.
    const std::string* effective(std::uint32_t part, std::uint32_t element, std::string_view ns,
                                 std::string_view local) const;
    // The name of an automatic text style for converted text in `container`, made once
    // for each set of properties, of a name the document does not use; its declaration
    // goes to `declarations`.
    // Into a legacy font (--to FONT), text that was Unicode (`fromUnicode`) takes the
    // Western look of its complex-script properties.
    std::string unicodeStyle(std::uint32_t part, std::uint32_t container, const ConversionOptions& options,
                             std::string& declarations, bool fromUnicode = false);

private:
    // The styles the text in `element` takes its properties from, the nearest first
    // (family and name; an empty name is the family's default style).
    struct StyleRef {
        std::string_view family;
        std::string name;
    };
    std::vector<StyleRef> chain(std::uint32_t part, std::uint32_t element) const;

    struct Style {
        std::string parent;
        std::uint32_t part = 0, element = kNoElement, properties = kNoElement;  // style:text-properties
        bool automatic = false;
    };

    const Style* style(std::uint32_t part, std::string_view family, const std::string& name) const;
    // A text property through the style's parents; null when none sets it.
    const std::string* property(std::uint32_t part, std::string_view family, const std::string& name,
                                std::string_view ns, std::string_view local) const;

    const std::vector<Part>& parts_;
    // By part (automatic styles are the part's own; common ones are styles.xml's), then "family/name".
    std::map<std::string, Style, std::less<>> styles_[2];
    std::map<std::string, std::string, std::less<>> faces_;  // style:name -> family
    std::map<std::string, std::string> derived_[2];  // by declaration body, the style's name
    int derivedCount_ = 0;
    std::set<std::string, std::less<>> names_;  // every style's name either part has
    bool objectsStyleText_ = false;
    // By part, the style of each table cell that names none of its own: its row's or its column's.
    std::map<std::uint32_t, std::string> cellStyle_[2];
};

}  // namespace tolvarin::odt
