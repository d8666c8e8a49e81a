#include "office/docx_styles.h"

namespace tolvarin::docx {
namespace {

constexpr std::string_view kNamespaces[] = {"http://schemas.openxmlformats.org/wordprocessingml/2006/main",
                                            "http://purl.oclc.org/ooxml/wordprocessingml/main"};
constexpr std::string_view kDrawingNamespaces[] = {"http://schemas.openxmlformats.org/drawingml/2006/main",
                                                   "http://purl.oclc.org/ooxml/drawingml/main"};

bool inNamespace(std::string_view name, std::string_view local, const std::string_view (&uris)[2]) {
    if (name.size() <= local.size() || name.substr(name.size() - local.size()) != local ||
        name[name.size() - local.size() - 1] != ' ')
        return false;
    const std::string_view uri = name.substr(0, name.size() - local.size() - 1);
    return uri == uris[0] || uri == uris[1];
}

bool isA(const XmlElement& e, std::string_view local) { return inNamespace(e.name, local, kDrawingNamespaces); }

}  // namespace

bool isW(const XmlElement& e, std::string_view local) { return inNamespace(e.name, local, kNamespaces); }

std::string_view wLocalName(const XmlElement& e) {
    const std::size_t space = e.name.rfind(' ');
    if (space == std::string_view::npos) return {};
    const std::string_view uri = e.name.substr(0, space);
    return uri == kNamespaces[0] || uri == kNamespaces[1] ? e.name.substr(space + 1) : std::string_view();
}

const std::string* wAttribute(const XmlElement& e, std::string_view local) {
    for (const XmlAttribute& a : e.attributes)
        if (inNamespace(a.name, local, kNamespaces)) return &a.value;
    return nullptr;
}

bool onOff(const XmlElement& e) {
    const std::string* v = wAttribute(e, "val");
    return !v || !(*v == "0" || *v == "false" || *v == "off");
}

void Theme::read(const XmlPart& part) {
    const auto& el = part.elements();
    for (std::uint32_t i = 0; i < el.size(); ++i) {
        const int script = isA(el[i], "latin") ? 0 : isA(el[i], "ea") ? 1 : isA(el[i], "cs") ? 2 : -1;
        if (script < 0 || el[i].parent == kNoElement) continue;
        const XmlElement& scheme = el[el[i].parent];
        const int which = isA(scheme, "majorFont") ? 0 : isA(scheme, "minorFont") ? 1 : -1;
        if (which < 0) continue;
        for (const XmlAttribute& a : el[i].attributes)
            if (a.name == "typeface") fonts[which][script] = a.value;
    }
}

std::string Theme::typeface(std::string_view themeFont) const {
    const int which = themeFont.substr(0, 5) == "major" ? 0 : themeFont.substr(0, 5) == "minor" ? 1 : -1;
    if (which < 0) return {};
    const std::string_view script = themeFont.substr(5);
    const int s = script == "EastAsia" ? 1 : script == "Bidi" ? 2 : 0;
    return fonts[which][s];
}

void RunProperties::inherit(const RunProperties& lower) {
    for (int s = 0; s < kSlotCount; ++s)
        if (!font[s] && lower.font[s]) {
            font[s] = lower.font[s];
            fontFromTheme[s] = lower.fontFromTheme[s];
        }
    if (!bold) bold = lower.bold;
    if (!boldCs) boldCs = lower.boldCs;
    if (!italic) italic = lower.italic;
    if (!italicCs) italicCs = lower.italicCs;
    if (!complex) complex = lower.complex;
    if (!size) size = lower.size;
    if (!sizeCs) sizeCs = lower.sizeCs;
    if (!hint) hint = lower.hint;
}

Slot RunProperties::slotFor(char32_t c) const {
    if (complex.value_or(false)) return Cs;
    if (c < 0x80) return Ascii;
    if (hint && *hint == "eastAsia") return EastAsia;
    return HAnsi;
}

RunProperties readRunProperties(const XmlPart& part, std::uint32_t rPr, const Theme& theme) {
    RunProperties p;
    const auto& el = part.elements();
    forChildren(part, rPr, [&](std::uint32_t j) {
        const XmlElement& e = el[j];
        if (isW(e, "rFonts")) {
            for (int s = 0; s < kSlotCount; ++s) {
                // A theme font stands before the font named beside it.
                if (const std::string* t = wAttribute(e, kThemeSlotNames[s])) {
                    if (std::string face = theme.typeface(*t); !face.empty()) {
                        p.font[s] = face;
                        p.fontFromTheme[s] = true;
                        continue;
                    }
                }
                if (const std::string* v = wAttribute(e, kSlotNames[s])) p.font[s] = *v;
            }
            if (const std::string* h = wAttribute(e, "hint")) p.hint = *h;
        } else if (isW(e, "b")) {
            p.bold = onOff(e);
        } else if (isW(e, "bCs")) {
            p.boldCs = onOff(e);
        } else if (isW(e, "i")) {
            p.italic = onOff(e);
        } else if (isW(e, "iCs")) {
            p.italicCs = onOff(e);
        } else if (isW(e, "cs") || isW(e, "rtl")) {
            if (onOff(e)) p.complex = true;
        } else if (isW(e, "sz")) {
            if (const std::string* v = wAttribute(e, "val")) p.size = *v;
        } else if (isW(e, "szCs")) {
            if (const std::string* v = wAttribute(e, "val")) p.sizeCs = *v;
        }
    });
    return p;
}

void Styles::read(const XmlPart& part, const Theme& theme) {
    const auto& el = part.elements();
    for (std::uint32_t i = 0; i < el.size(); ++i) {
        const XmlElement& e = el[i];
        if (isW(e, "rPr") && e.parent != kNoElement && isW(el[e.parent], "rPrDefault")) {
            defaults_ = readRunProperties(part, i, theme);
        } else if (isW(e, "style")) {
            const std::string* id = wAttribute(e, "styleId");
            if (!id) continue;
            Style style;
            forChildren(part, i, [&](std::uint32_t j) {
                if (isW(el[j], "basedOn")) {
                    if (const std::string* v = wAttribute(el[j], "val")) style.basedOn = *v;
                } else if (isW(el[j], "rPr")) {
                    style.own = readRunProperties(part, j, theme);
                }
            });
            const std::string* type = wAttribute(e, "type");
            const std::string* isDefault = wAttribute(e, "default");
            if (type && *type == "paragraph" && isDefault && (*isDefault == "1" || *isDefault == "true" || *isDefault == "on") &&
                defaultParagraph_.empty())
                defaultParagraph_ = *id;
            styles_.emplace(*id, std::move(style));
        }
    }
}

const RunProperties& Styles::resolved(const std::string& given, bool paragraph) {
    const std::string& id = given.empty() && paragraph ? defaultParagraph_ : given;
    if (id.empty()) return none_;
    if (auto found = resolved_.find(id); found != resolved_.end()) return found->second;
    RunProperties result;
    std::string at = id;
    // A chain that loops, or runs on past any sensible depth, stops.
    for (int depth = 0; depth < 32 && !at.empty(); ++depth) {
        auto style = styles_.find(at);
        if (style == styles_.end()) break;
        result.inherit(style->second.own);
        at = style->second.basedOn;
    }
    return resolved_.emplace(id, std::move(result)).first->second;
}

}  // namespace tolvarin::docx
