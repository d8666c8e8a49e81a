#include "office/odt_styles.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace tolvarin::odt {

bool is(const XmlElement& e, std::string_view ns, std::string_view local) {
    return e.name.size() == ns.size() + local.size() && e.name.compare(0, ns.size(), ns) == 0 &&
           e.name.compare(ns.size(), local.size(), local) == 0;
}

const std::string* attr(const XmlElement& e, std::string_view ns, std::string_view local) {
    for (const XmlAttribute& a : e.attributes)
        if (a.name.size() == ns.size() + local.size() && a.name.compare(0, ns.size(), ns) == 0 &&
            a.name.compare(ns.size(), local.size(), local) == 0)
            return &a.value;
    return nullptr;
}

std::string unquoted(std::string family) {
    if (family.size() >= 2 && (family.front() == '\'' || family.front() == '"') && family.back() == family.front())
        family = family.substr(1, family.size() - 2);
    return family;
}

// The style of each cell that has none, from its row's or column's default cell style;
// the columns are counted with their repeats, as the cells are.
namespace {
void readCellStyles(const XmlElements& el, std::map<std::uint32_t, std::string>& cellStyle) {
    static constexpr long kMaxColumns = 1 << 14;  // as many as Calc has
    std::map<std::uint32_t, std::vector<std::pair<long, const std::string*>>> columns;  // by table: first column, style
    std::map<std::uint32_t, long> next;  // by table, its next column; by row, its next cell
    const auto tableOf = [&](std::uint32_t at) {
        while (at != kNoElement && !is(el[at], kTable, "table")) at = el[at].parent;
        return at;
    };
    const auto repeats = [](const XmlElement& e, std::string_view local) {
        const std::string* n = attr(e, kTable, local);
        return n ? std::max(1L, std::min(std::strtol(n->c_str(), nullptr, 10), kMaxColumns)) : 1L;
    };
    for (std::uint32_t i = 0; i < el.size(); ++i) {
        const XmlElement& e = el[i];
        if (is(e, kTable, "table-column")) {
            const std::uint32_t table = tableOf(e.parent);
            if (table == kNoElement) continue;
            long& at = next[table];
            columns[table].emplace_back(at, attr(e, kTable, "default-cell-style-name"));
            at = std::min(at + repeats(e, "number-columns-repeated"), kMaxColumns);
        } else if ((is(e, kTable, "table-cell") || is(e, kTable, "covered-table-cell")) && e.parent != kNoElement) {
            long& at = next[e.parent];
            const long column = at;
            at = std::min(at + repeats(e, "number-columns-repeated"), kMaxColumns);
            if (attr(e, kTable, "style-name")) continue;
            const std::string* style = attr(el[e.parent], kTable, "default-cell-style-name");
            if (!style) {
                const auto found = columns.find(tableOf(e.parent));
                if (found == columns.end()) continue;
                const auto& list = found->second;
                auto c = std::upper_bound(list.begin(), list.end(), column,
                                          [](long n, const auto& entry) { return n < entry.first; });
                if (c == list.begin()) continue;
                style = std::prev(c)->second;
            }
            if (style) cellStyle[i] = *style;
        }
    }
}
}  // namespace

void Styles::read(std::uint32_t p) {
    const auto& el = parts_[p].xml.elements();
    if (objectsStyleText_) readCellStyles(el, cellStyle_[p == 0 ? 0 : 1]);
    for (std::uint32_t i = 0; i < el.size(); ++i) {
        const XmlElement& e = el[i];
        if (is(e, kStyle, "font-face")) {
            const std::string* name = attr(e, kStyle, "name");
            const std::string* family = attr(e, kSvg, "font-family");
            if (name) faces_[*name] = family ? unquoted(*family) : *name;
        } else if (is(e, kStyle, "style") || is(e, kStyle, "default-style")) {
            // Every style, with text properties of its own or none: what it leaves unset
            // comes from its parent.
            const XmlElement& owner = e;
            const bool isDefault = is(owner, kStyle, "default-style");
            const std::string* family = attr(owner, kStyle, "family");
            const std::string* name = attr(owner, kStyle, "name");
            if (name) names_.insert(*name);
            if (!family || (!name && !isDefault)) continue;
            Style s;
            if (const std::string* parent = attr(owner, kStyle, "parent-style-name")) s.parent = *parent;
            s.part = p;
            s.element = i;
            for (std::uint32_t j = i + 1; j < el.size() && el[j].depth > e.depth; ++j)
                if (el[j].parent == i && is(el[j], kStyle, "text-properties")) s.properties = j;
            s.automatic = owner.parent != kNoElement && is(el[owner.parent], kOffice, "automatic-styles");
            // Automatic styles serve their own part; the common ones, in styles.xml, serve both.
            const int table = s.automatic && parts_[p].name == "content.xml" ? 0 : 1;
            styles_[table][*family + "/" + (isDefault ? std::string() : *name)] = s;
        }
    }
}

const Styles::Style* Styles::style(std::uint32_t part, std::string_view family, const std::string& name) const {
    const std::string key = std::string(family) + "/" + name;
    if (parts_[part].name == "content.xml")
        if (auto found = styles_[0].find(key); found != styles_[0].end()) return &found->second;
    auto found = styles_[1].find(key);
    return found == styles_[1].end() ? nullptr : &found->second;
}

const std::string* Styles::property(std::uint32_t part, std::string_view family, const std::string& name,
                                       std::string_view ns, std::string_view local) const {
    std::string at = name;
    for (int depth = 0; depth < 32; ++depth) {
        const Style* s = style(part, family, at);
        if (!s) break;
        if (s->properties != kNoElement)
            if (const std::string* v = attr(parts_[s->part].xml.elements()[s->properties], ns, local)) return v;
        if (s->parent.empty()) break;
        at = s->parent;
    }
    return nullptr;
}

std::vector<Styles::StyleRef> Styles::chain(std::uint32_t part, std::uint32_t element) const {
    const auto& el = parts_[part].xml.elements();
    std::vector<StyleRef> out;
    std::uint32_t at = element;
    for (; at != kNoElement; at = el[at].parent) {
        const XmlElement& e = el[at];
        const bool paragraph = is(e, kText, "p") || is(e, kText, "h");
        if (const std::string* name = attr(e, kText, "style-name")) out.push_back({paragraph ? "paragraph" : "text", *name});
        if (paragraph) break;
    }
    std::string_view object;  // the family of the shape's or cell's style
    if (objectsStyleText_ && at != kNoElement)
        for (at = el[at].parent; at != kNoElement && object.empty(); at = el[at].parent) {
            const XmlElement& e = el[at];
            if (is(e, kTable, "table-cell") || is(e, kTable, "covered-table-cell")) {
                object = "table-cell";
                if (const std::string* name = attr(e, kTable, "style-name")) out.push_back({object, *name});
                else if (const auto found = cellStyle_[part == 0 ? 0 : 1].find(at);
                         found != cellStyle_[part == 0 ? 0 : 1].end())
                    out.push_back({object, found->second});
                else
                    out.push_back({object, "Default"});  // Calc's style of a cell that names none
                continue;
            }
            const std::string* textStyle = attr(e, kDraw, "text-style-name");
            const std::string* presentation = attr(e, kPresentation, "style-name");
            const std::string* graphic = attr(e, kDraw, "style-name");
            if (is(e, kDraw, "page") || is(e, kPresentation, "notes")) break;  // a page's style is no text's
            if (textStyle) out.push_back({"paragraph", *textStyle});
            if (presentation) out.push_back({"presentation", *presentation});
            if (graphic) out.push_back({"graphic", *graphic});
            if (presentation || graphic) object = "graphic";
        }
    if (!object.empty()) out.push_back({object, std::string()});
    out.push_back({"paragraph", std::string()});
    return out;
}

std::string Styles::fontOf(std::uint32_t part, std::uint32_t element) {
    for (const StyleRef& ref : chain(part, element)) {
        if (const std::string* face = property(part, ref.family, ref.name, kStyle, "font-name")) {
            auto found = faces_.find(*face);
            return found == faces_.end() ? *face : found->second;
        }
        if (const std::string* f = property(part, ref.family, ref.name, kFo, "font-family")) return unquoted(*f);
    }
    return {};
}

const std::string* Styles::effective(std::uint32_t part, std::uint32_t element, std::string_view ns,
                                        std::string_view local) const {
    for (const StyleRef& ref : chain(part, element))
        if (const std::string* v = property(part, ref.family, ref.name, ns, local)) return v;
    return nullptr;
}

std::string Styles::unicodeStyle(std::uint32_t p, std::uint32_t container, const ConversionOptions& options,
                                    std::string& declarations, bool fromUnicode) {
    const XmlPart& xml = parts_[p].xml;
    const auto& el = xml.elements();
    // The properties of the spans around the text, the innermost first: a span LibreOffice
    // finds nested in another takes its own style's properties only.
    std::vector<std::pair<std::string, std::string>> properties;  // as written
    std::string parent;
    for (std::uint32_t at = container; at != kNoElement; at = el[at].parent) {
        const XmlElement& e = el[at];
        if (is(e, kText, "p") || is(e, kText, "h")) break;
        if (!is(e, kText, "span")) continue;
        const std::string* name = attr(e, kText, "style-name");
        const Style* s = name ? style(p, "text", *name) : nullptr;
        if (!s) continue;
        if (!s->automatic) {
            if (parent.empty()) parent = *name;
            continue;
        }
        if (parent.empty()) parent = s->parent;
        const XmlPart& owner = parts_[s->part].xml;
        if (s->properties == kNoElement) continue;
        for (const XmlPart::RawAttribute& a : owner.rawAttributes(owner.elements()[s->properties])) {
            const std::string written(a.name);
            bool known = false;
            for (const auto& [n, v] : properties) known = known || n == written;
            if (!known) properties.emplace_back(written, std::string(owner.bytes().substr(a.valueStart, a.valueEnd - a.valueStart)));
        }
    }
    auto set = [&](const std::string& name, const std::string& value) {
        for (auto& [n, v] : properties)
            if (n == name) {
                v = value;
                return;
            }
        properties.emplace_back(name, value);
    };
    std::string font;
    appendXmlEscaped(font, options.toLegacy() ? options.toFont : options.unicodeFont);
    // Every script of the converted text in the one font: its spaces, digits and
    // punctuation too, which the legacy font may draw as anything.
    set("style:font-name", font);
    set("style:font-name-complex", font);
    const std::pair<std::string_view, const char*> complex[] = {{"font-weight", "style:font-weight-complex"},
                                                                {"font-style", "style:font-style-complex"},
                                                                {"font-size", "style:font-size-complex"}};
    if (options.toLegacy()) {
        // A legacy font's codes are Western text to the word processor.
        for (const auto& [local, name] : complex)
            if (const std::string* v = fromUnicode ? effective(p, container, kStyle, std::string(local) + "-complex") : nullptr) {
                std::string escaped;
                appendXmlEscaped(escaped, *v);
                set("fo:" + std::string(local), escaped);
            }
    } else {
        set("style:language-complex", "ml");
        set("style:country-complex", "IN");
        for (const auto& [local, name] : complex)
            if (const std::string* v = effective(p, container, kFo, local)) {
                std::string escaped;
                appendXmlEscaped(escaped, *v);
                set(name, escaped);
            }
    }
    std::string body = "style:family=\"text\"";
    if (!parent.empty()) {
        std::string escaped;
        appendXmlEscaped(escaped, parent);
        body += " style:parent-style-name=\"" + escaped + "\"";
    }
    body += "><style:text-properties";
    for (const auto& [n, v] : properties) body += " " + n + "=\"" + v + "\"";
    body += "/></style:style>";
    const int table = parts_[p].name == "content.xml" ? 0 : 1;
    auto [found, isNew] = derived_[table].try_emplace(body);
    if (isNew) {
        // A name no style of the document has.
        do found->second = "TolvarinMl" + std::to_string(++derivedCount_);
        while (names_.count(found->second));
        declarations += "<style:style style:name=\"" + found->second + "\" " + body;
    }
    return found->second;
}

}  // namespace tolvarin::odt
