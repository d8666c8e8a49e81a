#include "office/xlsx_styles.h"

#include "fonts/legacy_font.h"

#include <algorithm>
#include <cstdlib>

namespace tolvarin::xlsx {
namespace {

constexpr std::string_view kNamespaces[] = {
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main ",
    "http://purl.oclc.org/ooxml/spreadsheetml/main ",
};

std::string_view bytesOf(const XmlPart& xml, const XmlElement& e) {
    return std::string_view(xml.bytes()).substr(e.start, e.end - e.start);
}

// The start tag with attribute `name` set to `value` (escaped already), and its end.
std::string withAttribute(const XmlPart& xml, const XmlElement& e, std::string_view name, std::string_view value) {
    const std::string_view bytes = xml.bytes();
    const std::size_t tagEnd = e.startEnd - (e.empty() ? 2 : 1);
    auto [from, to] = xml.attributeValueRange(e, name);
    std::string out;
    if (from != std::string::npos)
        out.append(bytes.substr(e.start, from - e.start)).append(value).append(bytes.substr(to, tagEnd - to));
    else
        out.append(bytes.substr(e.start, tagEnd - e.start)).append(" ").append(name).append("=\"").append(value).append("\"");
    return out;
}

}  // namespace

bool isS(const XmlElement& e, std::string_view local) {
    for (std::string_view ns : kNamespaces)
        if (e.name.size() == ns.size() + local.size() && e.name.compare(0, ns.size(), ns) == 0 &&
            e.name.compare(ns.size(), local.size(), local) == 0)
            return true;
    return false;
}

const std::string* childValue(const XmlElements& el, std::uint32_t parent, std::string_view local) {
    for (std::uint32_t i = parent + 1; i < el.size() && el[i].depth > el[parent].depth; ++i)
        if (el[i].parent == parent && isS(el[i], local)) return el[i].attribute("val");
    return nullptr;
}

void Styles::read(const XmlPart* styles) {
    xml_ = styles;
    if (!styles) return;
    const auto& el = styles->elements();
    for (std::uint32_t i = 0; i < el.size(); ++i) {
        const XmlElement& e = el[i];
        if (e.parent == kNoElement) continue;
        if (isS(e, "fonts") && fontsElement_ == kNoElement) fontsElement_ = i;
        else if (isS(e, "cellXfs")) formatsElement_ = i;
        else if (isS(e, "font") && e.parent == fontsElement_) {
            fonts_.push_back(i);
            const std::string* name = childValue(el, i, "name");
            fontNames_.push_back(name ? *name : std::string());
            fontLegacy_.push_back(name ? legacyFontNamed(*name) : nullptr);
        } else if (isS(e, "xf") && e.parent == formatsElement_ && formatsElement_ != kNoElement) {
            formats_.push_back(i);
            const std::string* font = e.attribute("fontId");
            formatFont_.push_back(font ? std::uint32_t(std::strtoul(font->c_str(), nullptr, 10)) : 0);
        }
    }
}

const std::string& Styles::fontOf(std::size_t xf) const {
    static const std::string none;
    if (xf >= formats_.size()) xf = 0;  // Excel shows a cell of a format it lacks in the first
    const std::size_t font = xf < formatFont_.size() ? formatFont_[xf] : 0;
    return font < fontNames_.size() ? fontNames_[font] : none;
}

const LegacyFont* Styles::legacyFontOf(std::size_t xf) const {
    if (xf >= formats_.size()) xf = 0;
    const std::size_t font = xf < formatFont_.size() ? formatFont_[xf] : 0;
    return font < fontLegacy_.size() ? fontLegacy_[font] : nullptr;
}

std::string Styles::runPropertiesOf(std::size_t xf) const {
    if (xf >= formats_.size()) xf = 0;
    const std::size_t font = xf < formatFont_.size() ? formatFont_[xf] : 0;
    std::string out = "<rPr>";
    if (xml_ && font < fonts_.size()) {
        const auto& el = xml_->elements();
        for (std::uint32_t c = fonts_[font] + 1; c < el.size() && el[c].depth > el[fonts_[font]].depth; ++c) {
            if (el[c].parent != fonts_[font]) continue;
            if (!isS(el[c], "name")) {
                out.append(bytesOf(*xml_, el[c]));
            } else if (const std::string* name = el[c].attribute("val")) {
                out += "<rFont val=\"";
                appendXmlEscaped(out, *name);
                out += "\"/>";
            }
        }
    }
    return out + "</rPr>";
}

std::uint32_t Styles::unicodeFormat(std::uint32_t xf) {
    if (xf >= formats_.size()) xf = 0;
    auto [found, isNew] = unicodeFormats_.try_emplace(xf, std::uint32_t(formats_.size() + madeFor_.size()));
    if (isNew) madeFor_.push_back(xf);
    return found->second;
}

void Styles::write(XmlSplice& splice, const std::string& unicodeFont) const {
    if (madeFor_.empty() || !xml_ || fontsElement_ == kNoElement || formatsElement_ == kNoElement) return;
    const XmlPart& xml = *xml_;
    const auto& el = xml.elements();
    std::string font;
    appendXmlEscaped(font, unicodeFont);
    std::string fonts, formats;
    for (std::size_t k = 0; k < madeFor_.size(); ++k) {
        const std::uint32_t xf = madeFor_[k];
        const std::uint32_t fontId = formatFont_[xf];
        // The font as it was, but for its name; a charset, family or theme scheme would
        // make Excel pick another font for it.
        fonts += "<font>";
        if (fontId < fonts_.size())
            for (std::uint32_t c = fonts_[fontId] + 1; c < el.size() && el[c].depth > el[fonts_[fontId]].depth; ++c)
                if (el[c].parent == fonts_[fontId] && !isS(el[c], "name") && !isS(el[c], "charset") &&
                    !isS(el[c], "family") && !isS(el[c], "scheme"))
                    fonts.append(bytesOf(xml, el[c]));
        fonts += "<name val=\"" + font + "\"/></font>";
        // The format as it was, but for its font, which it now applies.
        const XmlElement& e = el[formats_[xf]];
        const std::string_view bytes = xml.bytes();
        const std::string name(bytes.substr(e.start + 1, bytes.find_first_of(" \t\r\n/>", e.start + 1) - e.start - 1));
        formats += "<" + name;
        for (const XmlPart::RawAttribute& a : xml.rawAttributes(e))
            if (a.name != "fontId" && a.name != "applyFont")
                formats.append(" ").append(a.name).append("=\"").append(bytes.substr(a.valueStart, a.valueEnd - a.valueStart)).append("\"");
        formats += " fontId=\"" + std::to_string(fonts_.size() + k) + "\" applyFont=\"1\"";
        formats += e.empty() ? std::string("/>") : ">" + std::string(bytes.substr(e.startEnd, e.end - e.startEnd));
    }
    const auto add = [&](std::uint32_t list, std::size_t count, const std::string& items) {
        const XmlElement& e = el[list];
        std::string start = withAttribute(xml, e, "count", std::to_string(count));
        if (e.empty()) {
            splice.replace(e.start, e.end, start + ">" + items + "</" + std::string(xml.prefix(e).empty() ? "" : std::string(xml.prefix(e)) + ":") +
                                               std::string(e.name.substr(e.name.rfind(' ') + 1)) + ">");
            return;
        }
        splice.replace(e.start, e.startEnd, start + ">");
        splice.insert(e.endStart, items);
    };
    add(fontsElement_, fonts_.size() + madeFor_.size(), fonts);
    add(formatsElement_, formats_.size() + madeFor_.size(), formats);
}

std::vector<HeaderPiece> splitHeaderFooter(std::string_view s, const std::string& defaultFont) {
    std::vector<HeaderPiece> out;
    std::string font = defaultFont;
    bool coded = false;  // whether a font code set `font`
    const auto text = [&](std::string_view t) {
        if (out.empty() || !out.back().text || out.back().font != font) out.push_back({true, {}, font, coded});
        out.back().bytes.append(t);
    };
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] != '&' || i + 1 == s.size()) {
            const std::size_t next = s.find('&', i + 1);
            text(s.substr(i, next == std::string_view::npos ? std::string_view::npos : next - i));
            i = next == std::string_view::npos ? s.size() : next;
            continue;
        }
        const char c = s[i + 1];
        std::size_t end = i + 2;
        HeaderPiece code{false, {}, {}};
        if (c == '&') {
            text("&");  // an ampersand itself, written doubled
            i = end;
            continue;
        }
        if (c == '"') {
            const std::size_t quote = s.find('"', i + 2);
            end = quote == std::string_view::npos ? s.size() : quote + 1;
            const std::string_view written = s.substr(i + 2, end - i - 3);  // "Font,Style"
            const std::string named(written.substr(0, written.find(',')));
            if (named != "-") {
                font = named;
                coded = true;
            }
            code.fontCode = true;
            code.font = named;
        } else if (c >= '0' && c <= '9') {
            while (end < s.size() && s[end] >= '0' && s[end] <= '9') ++end;
        } else if (c == 'K') {
            end = std::min(s.size(), i + 8);  // a colour: six digits, or a theme colour and its tint
        } else if (c == 'L' || c == 'C' || c == 'R') {
            font = defaultFont;  // each section begins in the default font
            coded = false;
        }
        code.bytes.assign(s.substr(i, end - i));
        out.push_back(std::move(code));
        i = end;
    }
    return out;
}

std::string renamedFontCode(const std::string& code, const std::string& font) {
    const std::size_t comma = code.find(',');
    return "&\"" + font + (comma == std::string::npos ? std::string("\"") : code.substr(comma));
}

}  // namespace tolvarin::xlsx
