#include "office/pptx_styles.h"

namespace tolvarin::pptx {
namespace {

constexpr std::string_view kNamespaces[] = {
    "http://schemas.openxmlformats.org/drawingml/2006/main ",
    "http://purl.oclc.org/ooxml/drawingml/main ",
};
constexpr std::string_view kPresentationNamespaces[] = {
    "http://schemas.openxmlformats.org/presentationml/2006/main ",
    "http://purl.oclc.org/ooxml/presentationml/main ",
};

template <std::size_t N>
bool inNamespace(const XmlElement& e, const std::string_view (&namespaces)[N], std::string_view local) {
    for (std::string_view ns : namespaces)
        if (e.name.size() == ns.size() + local.size() && e.name.compare(0, ns.size(), ns) == 0 &&
            e.name.compare(ns.size(), local.size(), local) == 0)
            return true;
    return false;
}

// Titles, and the rest by kind; content placeholders of every sort take the body's styles.
std::string_view kindOf(const std::string& type) {
    if (type == "title" || type == "ctrTitle") return "title";
    if (type == "dt" || type == "ftr" || type == "sldNum" || type == "hdr") return type;
    return "body";
}

}  // namespace

bool isA(const XmlElement& e, std::string_view local) { return inNamespace(e, kNamespaces, local); }
bool isP(const XmlElement& e, std::string_view local) { return inNamespace(e, kPresentationNamespaces, local); }

std::string_view localName(const XmlElement& e) {
    const std::size_t space = e.name.rfind(' ');
    return space == std::string_view::npos ? e.name : e.name.substr(space + 1);
}

std::string latinOf(const XmlElements& el, std::uint32_t properties) {
    if (properties == kNoElement) return {};
    const std::uint32_t latin = childOf(el, properties, [](const XmlElement& e) { return isA(e, "latin"); });
    if (latin == kNoElement) return {};
    const std::string* typeface = el[latin].attribute("typeface");
    return typeface ? *typeface : std::string();
}

void LevelFonts::read(const XmlElements& el, std::uint32_t listStyle) {
    if (listStyle == kNoElement) return;
    for (std::uint32_t i = listStyle + 1; i < el.size() && el[i].depth > el[listStyle].depth; ++i) {
        if (el[i].parent != listStyle) continue;
        const std::string_view name = localName(el[i]);
        std::size_t level;
        if (name == "defPPr") level = 0;
        else if (name.size() == 7 && name.substr(0, 3) == "lvl" && name.substr(4) == "pPr" && name[3] >= '1' && name[3] <= '9')
            level = std::size_t(name[3] - '0');
        else continue;
        const std::uint32_t defRPr = childOf(el, i, [](const XmlElement& e) { return isA(e, "defRPr"); });
        font[level] = latinOf(el, defRPr);
    }
}

void ThemeFonts::read(const XmlPart& theme) {
    const auto& el = theme.elements();
    for (std::uint32_t i = 0; i < el.size(); ++i) {
        const bool majorFont = isA(el[i], "majorFont");
        if (!majorFont && !isA(el[i], "minorFont")) continue;
        const std::uint32_t latin = childOf(el, i, [](const XmlElement& e) { return isA(e, "latin"); });
        const std::string* typeface = latin == kNoElement ? nullptr : el[latin].attribute("typeface");
        if (typeface) (majorFont ? major : minor) = *typeface;
    }
}

std::string ThemeFonts::resolve(const std::string& typeface) const {
    if (typeface.size() >= 4 && typeface[0] == '+' && (typeface.compare(1, 3, "mj-") == 0)) return major;
    if (typeface.size() >= 4 && typeface[0] == '+' && (typeface.compare(1, 3, "mn-") == 0)) return minor;
    return typeface;
}

bool placeholderOf(const XmlElements& el, std::uint32_t shape, std::string& type, std::string& idx) {
    for (std::uint32_t i = shape + 1; i < el.size() && el[i].depth > el[shape].depth; ++i) {
        if (isA(el[i], "txBody") || isP(el[i], "txBody")) break;
        if (!isP(el[i], "ph")) continue;
        const std::string* t = el[i].attribute("type");
        const std::string* n = el[i].attribute("idx");
        type = t ? *t : "obj";
        idx = n ? *n : std::string();
        return true;
    }
    return false;
}

void ShapeTree::read(const XmlElements& el) {
    for (std::uint32_t i = 0; i < el.size(); ++i) {
        const XmlElement& e = el[i];
        if (isP(e, "titleStyle")) title.read(el, i);
        else if (isP(e, "bodyStyle") || isP(e, "notesStyle")) body.read(el, i);
        else if (isP(e, "otherStyle")) other.read(el, i);
        else if (isP(e, "sp")) {
            Placeholder p;
            if (!placeholderOf(el, i, p.type, p.idx)) continue;
            const std::uint32_t body = childOf(el, i, [](const XmlElement& c) { return isP(c, "txBody"); });
            if (body != kNoElement)
                p.fonts.read(el, childOf(el, body, [](const XmlElement& c) { return isA(c, "lstStyle"); }));
            placeholders.push_back(std::move(p));
        }
    }
}

const Placeholder* ShapeTree::match(const std::string& type, const std::string& idx, bool byNumber) const {
    if (byNumber && !idx.empty())
        for (const Placeholder& p : placeholders)
            if (p.idx == idx) return &p;
    for (const Placeholder& p : placeholders)
        if (byNumber ? p.type == type : kindOf(p.type) == kindOf(type)) return &p;
    return nullptr;
}

const LevelFonts& ShapeTree::textStyle(const std::string& type) const {
    const std::string_view kind = kindOf(type);
    return kind == "title" ? title : kind == "body" ? body : other;
}

}  // namespace tolvarin::pptx
