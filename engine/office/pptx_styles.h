// How PowerPoint finds the font of a run of DrawingML text: the run's own properties,
// the list styles of its shape, of the placeholder it fills on the layout and on the
// master, the master's text styles, the presentation's default text style, and the
// theme's fonts (+mn-lt, +mj-lt).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "office/xml_part.h"

namespace tolvarin::pptx {

// The DrawingML and PresentationML namespaces, transitional and strict.
bool isA(const XmlElement& e, std::string_view local);
bool isP(const XmlElement& e, std::string_view local);
// The element's local name, whatever its namespace.
std::string_view localName(const XmlElement& e);
// The first child of element `parent` that `match` takes, or kNoElement.
template <class Match>
std::uint32_t childOf(const XmlElements& el, std::uint32_t parent, Match match) {
    for (std::uint32_t i = parent + 1; i < el.size() && el[i].depth > el[parent].depth; ++i)
        if (el[i].parent == parent && match(el[i])) return i;
    return kNoElement;
}
// The Latin typeface a run's properties (a:rPr, a:defRPr, a:endParaRPr) name, or empty.
std::string latinOf(const XmlElements& el, std::uint32_t properties);

// The Latin typeface of each level of a list style (a:lstStyle, p:titleStyle ...):
// [0] its default (a:defPPr), then levels 1 to 9.
struct LevelFonts {
    std::array<std::string, 10> font;
    void read(const XmlElements& el, std::uint32_t listStyle);
    // The font a paragraph of level `level` (0 to 8) takes from it, or empty.
    const std::string& at(int level) const { return font[std::size_t(level) + 1].empty() ? font[0] : font[std::size_t(level) + 1]; }
};

// The theme's major (headings) and minor (body) Latin fonts.
struct ThemeFonts {
    std::string major, minor;
    void read(const XmlPart& theme);
    // A typeface as named, with a theme font's reference (+mj-lt, +mn-cs ...) resolved.
    std::string resolve(const std::string& typeface) const;
};

// A placeholder's kind and number (p:ph type and idx) and its list style.
struct Placeholder {
    std::string type, idx;
    LevelFonts fonts;
};

// What a slide, layout, master or notes part gives the text below it: its placeholders,
// and a master's text styles (a notes master's notes style is its body style).
struct ShapeTree {
    std::vector<Placeholder> placeholders;
    LevelFonts title, body, other;
    void read(const XmlElements& el);
    // The placeholder that one of `type` and `idx` fills on this part: on a layout by its
    // number, on a master by its kind.
    const Placeholder* match(const std::string& type, const std::string& idx, bool byNumber) const;
    // The text style of a placeholder of that kind on a master.
    const LevelFonts& textStyle(const std::string& type) const;
};

// The placeholder a shape (p:sp) fills, if it does: its type ("obj" where none is given) and number.
bool placeholderOf(const XmlElements& el, std::uint32_t shape, std::string& type, std::string& idx);

}  // namespace tolvarin::pptx
