// How Word finds a run's font and character properties: the run's own w:rPr, its
// character style, its paragraph's style, each through its w:basedOn chain, then the
// document defaults; theme fonts through the theme part.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "office/xml_part.h"

namespace tolvarin::docx {

// The WordprocessingML namespaces, transitional and strict.
bool isW(const XmlElement& e, std::string_view local);
// The element's local name when it is in one of them, or empty.
std::string_view wLocalName(const XmlElement& e);
const std::string* wAttribute(const XmlElement& e, std::string_view local);
// An on/off property's value: no w:val, or any but false/0/off, is on.
bool onOff(const XmlElement& e);

// The fonts' slots: which one a character takes.
enum Slot { Ascii, HAnsi, EastAsia, Cs, kSlotCount };
inline constexpr std::string_view kSlotNames[kSlotCount] = {"ascii", "hAnsi", "eastAsia", "cs"};
inline constexpr std::string_view kThemeSlotNames[kSlotCount] = {"asciiTheme", "hAnsiTheme", "eastAsiaTheme",
                                                                 "cstheme"};

struct Theme {
    // major/minor by latin, east Asian and complex script.
    std::string fonts[2][3];
    void read(const XmlPart& part);
    // The typeface of a theme font name (minorHAnsi, majorBidi ...), or empty.
    std::string typeface(std::string_view themeFont) const;
};

struct RunProperties {
    std::optional<std::string> font[kSlotCount];
    bool fontFromTheme[kSlotCount] = {};
    std::optional<bool> bold, boldCs, italic, italicCs, complex;
    std::optional<std::string> size, sizeCs;
    std::optional<std::string> hint;

    // Takes from `lower` what this level leaves unset.
    void inherit(const RunProperties& lower);
    // The slot a character takes in a run with these properties.
    Slot slotFor(char32_t c) const;
};

// The properties a w:rPr element sets.
RunProperties readRunProperties(const XmlPart& part, std::uint32_t rPr, const Theme& theme);

class Styles {
public:
    void read(const XmlPart& part, const Theme& theme);
    // A style's properties with its w:basedOn chain; `paragraph` picks the default
    // paragraph style for an empty id.
    const RunProperties& resolved(const std::string& id, bool paragraph);
    const RunProperties& defaults() const { return defaults_; }

private:
    struct Style {
        std::string basedOn;
        RunProperties own;
    };
    std::map<std::string, Style, std::less<>> styles_;
    std::map<std::string, RunProperties, std::less<>> resolved_;
    std::string defaultParagraph_;
    RunProperties defaults_, none_;
};

// The children of element `i`, in order.
template <typename F>
void forChildren(const XmlPart& part, std::uint32_t i, F&& f) {
    const auto& el = part.elements();
    for (std::uint32_t j = i + 1; j < el.size() && el[j].depth > el[i].depth; ++j)
        if (el[j].parent == i) f(j);
}

}  // namespace tolvarin::docx
