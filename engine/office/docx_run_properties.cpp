#include "office/docx_run_properties.h"

#include <algorithm>

#include "fonts/glyph_map.h"
#include "fonts/legacy_font.h"

namespace tolvarin::docx {
namespace {

// The order of w:rPr's children in the schema (CT_RPr); what is not listed goes last.
constexpr std::string_view kOrder[] = {
    "rStyle", "rFonts",  "b",        "bCs",   "i",         "iCs",   "caps",      "smallCaps", "strike",
    "dstrike", "outline", "shadow",  "emboss", "imprint",  "noProof", "snapToGrid", "vanish",  "webHidden",
    "color",  "spacing", "w",        "kern",  "position",  "sz",    "szCs",      "highlight", "u",
    "effect", "bdr",     "shd",      "fitText", "vertAlign", "rtl",  "cs",        "em",        "lang",
    "eastAsianLayout", "specVanish", "oMath"};

std::size_t rank(const XmlElement& e) {
    for (std::size_t r = 0; r < std::size(kOrder); ++r)
        if (isW(e, kOrder[r])) return r;
    return std::size(kOrder);
}

std::size_t rankOf(std::string_view local) {
    return std::size_t(std::find(std::begin(kOrder), std::end(kOrder), local) - std::begin(kOrder));
}

std::string_view localName(std::string_view written) {
    const std::size_t colon = written.find(':');
    return colon == std::string_view::npos ? written : written.substr(colon + 1);
}

std::string quoted(std::string_view value) {
    std::string out;
    appendXmlEscaped(out, value);
    return "\"" + out + "\"";
}

}  // namespace

void editRunProperties(const XmlPart& part, std::uint32_t owner, std::uint32_t rPr, bool level,
                       const RunPropertiesEdit& edit, XmlSplice& splice, std::vector<char>& fontsRewritten) {
    const auto& el = part.elements();
    const std::string_view bytes = part.bytes();
    const std::string_view prefix = part.prefix(el[owner]);
    const std::string p = prefix.empty() ? std::string() : std::string(prefix) + ":";

    // The children to add, by their place in the schema.
    std::vector<std::pair<std::size_t, std::string>> added;
    std::uint32_t fonts = kNoElement, language = kNoElement;
    bool hasBoldCs = false, hasItalicCs = false, hasSizeCs = false;
    std::vector<std::uint32_t> children;
    std::vector<std::size_t> ranks;  // by child
    if (rPr != kNoElement && !el[rPr].empty())
        forChildren(part, rPr, [&](std::uint32_t j) {
            children.push_back(j);
            ranks.push_back(rank(el[j]));
            if (isW(el[j], "rFonts")) fonts = j;
            else if (isW(el[j], "lang")) language = j;
            else if (isW(el[j], "bCs")) hasBoldCs = true;
            else if (isW(el[j], "iCs")) hasItalicCs = true;
            else if (isW(el[j], "szCs")) hasSizeCs = true;
        });

    // w:rFonts with the slots set, keeping its other attributes as they were written.
    std::string fontsTag = "<" + p + "rFonts";
    if (fonts != kNoElement)
        for (const XmlPart::RawAttribute& a : part.rawAttributes(el[fonts])) {
            const std::string_view local = localName(a.name);
            bool replaced = false;
            for (Slot s : edit.slots)
                replaced = replaced || local == kSlotNames[s] || local == kThemeSlotNames[s];
            if (!replaced)
                fontsTag += " " + std::string(a.name) + "=" +
                            quoted(bytes.substr(a.valueStart, a.valueEnd - a.valueStart));
        }
    for (Slot s : edit.slots) fontsTag += " " + p + std::string(kSlotNames[s]) + "=" + quoted(edit.font);
    if (!edit.slots.empty()) {
        if (fonts != kNoElement) {
            fontsRewritten[fonts] = 1;
            splice.replace(el[fonts].start, el[fonts].startEnd, fontsTag + (el[fonts].empty() ? "/>" : ">"));
        } else {
            added.emplace_back(rankOf("rFonts"), fontsTag + "/>");
        }
    }
    if (edit.boldCs && !hasBoldCs) added.emplace_back(rankOf("bCs"), "<" + p + "bCs/>");
    if (edit.italicCs && !hasItalicCs) added.emplace_back(rankOf("iCs"), "<" + p + "iCs/>");
    if (edit.sizeCs && !hasSizeCs) added.emplace_back(rankOf("szCs"), "<" + p + "szCs " + p + "val=" + quoted(*edit.sizeCs) + "/>");
    if (edit.sizeCs && hasSizeCs)
        for (std::uint32_t j : children)
            if (isW(el[j], "szCs")) {
                auto [from, to] = part.attributeValueRange(el[j], p + "val");
                if (from != std::string::npos) splice.replace(from, to, *edit.sizeCs);
            }
    if (edit.complexLanguage) {
        if (language == kNoElement) {
            added.emplace_back(rankOf("lang"), "<" + p + "lang " + p + "bidi=" + quoted(*edit.complexLanguage) + "/>");
        } else {
            auto [from, to] = part.attributeValueRange(el[language], p + "bidi");
            if (from != std::string::npos) {
                splice.replace(from, to, *edit.complexLanguage);
            } else {
                const XmlElement& e = el[language];
                splice.insert(e.startEnd - (e.empty() ? 2 : 1), " " + p + "bidi=" + quoted(*edit.complexLanguage));
            }
        }
    }
    if (added.empty()) return;

    if (rPr == kNoElement || el[rPr].empty()) {
        std::string whole = "<" + p + "rPr>";
        for (const auto& [r, tag] : added) whole += tag;
        whole += "</" + p + "rPr>";
        if (rPr != kNoElement) splice.replace(el[rPr].start, el[rPr].end, whole);
        else if (level) splice.insert(el[owner].endStart, whole);
        else splice.insert(el[owner].startEnd, whole);
        return;
    }
    for (const auto& [r, tag] : added) {
        std::size_t at = el[rPr].endStart;
        for (std::size_t c = 0; c < children.size(); ++c)
            if (ranks[c] > r) {
                at = el[children[c]].start;
                break;
            }
        splice.insert(at, tag);
    }
}

void renameLegacyFonts(const XmlPart& part, XmlSplice& splice, const std::vector<char>& fontsRewritten,
                       std::uint32_t from, std::uint32_t to) {
    const auto& el = part.elements();
    const std::string_view bytes = part.bytes();
    auto renamed = [](std::string_view name) {
        const LegacyFont* font = legacyFontNamed(name);
        return font && font->hasRevathiRules();
    };
    for (std::uint32_t i = from; i < std::min<std::size_t>(to, el.size()); ++i) {
        const XmlElement& e = el[i];
        const bool fontTableEntry = isW(e, "font") && e.parent != kNoElement && isW(el[e.parent], "fonts");
        if (!(isW(e, "rFonts") && !fontsRewritten[i]) && !fontTableEntry) continue;
        for (const XmlPart::RawAttribute& a : part.rawAttributes(e)) {
            const std::string_view local = localName(a.name);
            const bool slot = fontTableEntry ? local == "name"
                                             : std::find(std::begin(kSlotNames), std::end(kSlotNames), local) !=
                                                   std::end(kSlotNames);
            if (slot && renamed(bytes.substr(a.valueStart, a.valueEnd - a.valueStart)))
                splice.replace(a.valueStart, a.valueEnd, std::string(kTargetFontName));
        }
    }
}

}  // namespace tolvarin::docx
