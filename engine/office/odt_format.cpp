// ODT: the text of content.xml and of the headers and footers in styles.xml, read
// stretch by stretch of character data with the font LibreOffice finds for it (the
// spans' styles, the paragraph's style, their parents, the default style); converted
// text, styles and font declarations are spliced back into the parts' own bytes.
#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "fonts/glyph_map.h"
#include "office/odf_text.h"
#include "office/odt_styles.h"
#include "office/package_format.h"
#include "text/utf8.h"

namespace tolvarin {
namespace {

using namespace odt;

class OdtFormat final : public PackageFormat {
public:
    explicit OdtFormat(bool objectsStyleText) { styles_.setObjectsStyleText(objectsStyleText); }
    std::string read(const ZipPackage& zip, PackageText& text) override;
    std::string write(ZipPackage& zip, const PackageText& text, const ConversionOptions& options) override;

private:
    void readText(std::uint32_t part, PackageText& text);

    std::vector<Part> parts_;
    Styles styles_{parts_};
};

std::string OdtFormat::read(const ZipPackage& zip, PackageText& text) {
    for (const char* name : {"content.xml", "styles.xml"}) {
        if (!zip.has(name)) {
            if (std::string_view(name) == "content.xml") return "the document has no content.xml";
            continue;
        }
        Part part;
        part.name = name;
        std::string bytes;
        if (std::string error = zip.read(name, bytes); !error.empty()) return error;
        if (std::string error = part.xml.parse(std::move(bytes)); !error.empty()) return part.name + ": " + error;
        parts_.push_back(std::move(part));
    }
    for (std::uint32_t p = 0; p < parts_.size(); ++p) styles_.read(p);
    for (std::uint32_t p = 0; p < parts_.size(); ++p) readText(p, text);
    return {};
}

void OdtFormat::readText(std::uint32_t p, PackageText& text) {
    Part& part = parts_[p];
    const auto& el = part.xml.elements();
    const auto& texts = part.xml.texts();
    // By paragraph element: its slot in `text`, and whether literal white space collapses
    // where its text is read to (at its start it does).
    struct Open {
        std::size_t slot;
        bool collapsing = true;
        bool asTyped = false;  // a number's or a formula's cell: what it shows is no text to convert
    };
    std::unordered_map<std::uint32_t, Open> paragraphOf;
    std::vector<std::pair<std::uint32_t, std::size_t>> open;  // as for DOCX
    std::unordered_map<std::uint32_t, std::string> fontCache;
    auto paragraphFor = [&](std::uint32_t at) -> Open* {
        while (at != kNoElement && !is(el[at], kText, "p") && !is(el[at], kText, "h")) at = el[at].parent;
        if (at == kNoElement) return nullptr;
        const auto found = paragraphOf.find(at);
        return found == paragraphOf.end() ? nullptr : &found->second;
    };
    std::size_t t = 0;
    for (std::uint32_t i = 0; i <= el.size(); ++i) {
        // The character data that comes before element i, in order.
        for (; t < texts.size() && texts[t].order <= i; ++t) {
            const XmlText& chunk = texts[t];
            const XmlElement& container = el[chunk.element];
            if (!(is(container, kText, "p") || is(container, kText, "h") || is(container, kText, "span") ||
                  is(container, kText, "a")))
                continue;
            Open* paragraph = paragraphFor(chunk.element);
            if (!paragraph) continue;
            std::vector<OfficeChar>& chars = text.paragraphs[paragraph->slot];
            auto [cached, isNew] = fontCache.try_emplace(chunk.element);
            if (isNew) cached->second = styles_.fontOf(p, chunk.element);
            const std::string& font = cached->second;
            const LegacyFont* legacy = paragraph->asTyped ? nullptr : legacyFontNamed(font);
            const std::uint32_t piece = text.addPiece(chunk.text);
            const bool collapsingAt = paragraph->collapsing;
            std::size_t counted = 0;
            const std::uint32_t fontName = text.fontIndex(font);
            // The characters as they show: literal white space collapses.
            for (std::size_t k = 0; k < chunk.text.size();) {
                char32_t c = nextCodePoint(chunk.text, k);
                if (odf::isWhiteSpace(c)) {
                    if (paragraph->collapsing) continue;
                    c = ' ';
                }
                paragraph->collapsing = c == ' ';
                const int code = legacy ? legacyCode(c) : -1;
                chars.push_back({c, code, code >= 0 ? legacy : nullptr, piece, fontName});
                counted += c >= 0x20;
            }
            part.pieces.push_back({piece, std::uint32_t(t), chunk.element, collapsingAt, paragraph->collapsing});
            if (!paragraph->asTyped) text.noteFont(font, counted);
        }
        if (i == el.size()) break;
        const XmlElement& e = el[i];
        while (!open.empty() && e.depth <= el[open.back().first].depth) {
            text.endParagraph(open.back().second);
            paragraphOf.erase(open.back().first);
            open.pop_back();
        }
        if (is(e, kText, "p") || is(e, kText, "h")) {  // every paragraph, an empty one too, is a line
            // A master page's text is the document's only in its header and footer: a
            // presentation's placeholders there are prompts.
            bool shown = true;
            for (std::uint32_t a = e.parent; a != kNoElement && shown; a = el[a].parent) {
                if (is(el[a], kStyle, "header") || is(el[a], kStyle, "footer") || is(el[a], kStyle, "header-left") ||
                    is(el[a], kStyle, "footer-left") || is(el[a], kStyle, "header-first") || is(el[a], kStyle, "footer-first"))
                    break;
                if (is(el[a], kStyle, "master-page") || is(el[a], kStyle, "handout-master")) shown = false;
            }
            const std::size_t slot = text.addParagraph(shown);
            Open opened{slot};
            if (e.parent != kNoElement && (is(el[e.parent], kTable, "table-cell") || is(el[e.parent], kTable, "covered-table-cell"))) {
                const std::string* type = attr(el[e.parent], kOffice, "value-type");
                opened.asTyped = (type && *type != "string") || attr(el[e.parent], kTable, "formula");
            }
            paragraphOf.emplace(i, opened);
            open.emplace_back(i, slot);
            continue;
        }
        char32_t fixed;
        if (is(e, kText, "s")) fixed = ' ';
        else if (is(e, kText, "tab")) fixed = '\t';
        else if (is(e, kText, "line-break")) fixed = '\n';
        else if (is(e, kText, "note") || is(e, kDraw, "frame")) fixed = 0;
        else continue;
        if (Open* paragraph = paragraphFor(e.parent)) {
            const std::string* count = fixed == ' ' ? attr(e, kText, "c") : nullptr;
            const long n = count ? std::max(1L, std::min(std::strtol(count->c_str(), nullptr, 10), 1000L)) : 1;
            std::uint32_t fontName = 0;
            const LegacyFont* legacy = nullptr;
            if (fixed) {
                auto [cached, isNew] = fontCache.try_emplace(e.parent);
                if (isNew) cached->second = styles_.fontOf(p, e.parent);
                fontName = text.fontIndex(cached->second);
                legacy = text.legacyFont(fontName);
                if (legacy) part.blanks.push_back(i);
                // Spaces count as the characters they are, as in any other format's text.
                if (fixed == ' ') text.noteFont(cached->second, std::size_t(n));
            }
            // A space in a legacy font is its code, converted and counted with the text
            // around it (its element stays as it is).
            const bool code = fixed == ' ' && legacy && !paragraph->asTyped;
            for (long k = 0; k < n; ++k)
                text.paragraphs[paragraph->slot].push_back(
                    {fixed, code ? 0x20 : -1, code ? legacy : nullptr, text.fixedPiece(), fontName});
            paragraph->collapsing = false;  // white space after it shows
        }
    }
}

// A piece's converted text as it is written in Unicode mode: in a span restyled `name`
// (`span`: the span it stands in, which is; else a span of its own, for text straight in
// a paragraph or a link). Characters kept as typed are written outside it, in the style
// the text had.
std::string unicodeText(const XmlPart& xml, const XmlElement& container, bool span, const std::string& name,
                        const PackageText& text, const Part::PieceAt& at) {
    const std::uint32_t piece = at.piece;
    const std::string_view converted = text.converted(piece);
    bool collapsing = at.collapsingAt;
    const std::string open = "<text:span text:style-name=\"" + name + "\">", close = "</text:span>";
    std::string original;  // the span's start tag as it was
    if (span) {
        original = "<text:span";
        auto [from, to] = xml.attributeValueRange(container, "text:style-name");
        if (from != std::string::npos)
            original += " text:style-name=\"" + std::string(xml.bytes().substr(from, to - from)) + "\"";
        original += ">";
    }
    std::string out;
    const auto unicode = [&](std::string_view utf8, bool last) {
        if (utf8.empty()) return;
        if (!span) out += open;
        odf::appendText(out, utf8, collapsing, last, at.collapsingAfter);
        if (!span) out += close;
    };
    std::size_t done = 0;
    if (const auto* kept = text.kept(piece))
        for (const auto& [begin, end] : *kept) {
            unicode(converted.substr(done, begin - done), false);
            if (span) out += close + original;
            odf::appendText(out, converted.substr(begin, end - begin), collapsing, end == converted.size(),
                            at.collapsingAfter);
            if (span) out += close + open;
            done = end;
        }
    unicode(converted.substr(done), true);
    return out;
}

std::string OdtFormat::write(ZipPackage& zip, const PackageText& text, const ConversionOptions& options) {
    for (std::uint32_t p = 0; p < parts_.size(); ++p) {
        Part& part = parts_[p];
        const XmlPart& xml = part.xml;
        const auto& el = xml.elements();
        XmlSplice splice;
        std::string declarations;
        // A span is restyled where some of its text converted; characters kept as typed
        // stay in the legacy font, in a span of the style they had.
        std::vector<char> restyled(el.size());
        const auto whollyKept = [&](std::uint32_t piece) {
            const auto* kept = text.kept(piece);
            return kept && kept->size() == 1 && kept->front().first == 0 &&
                   kept->front().second == text.converted(piece).size();
        };
        std::vector<char> converts(el.size());
        for (const Part::PieceAt& at : part.pieces)
            if (text.touched(at.piece) && !whollyKept(at.piece)) converts[at.container] = 1;
        for (const Part::PieceAt& at : part.pieces) {
            if (!text.touched(at.piece)) continue;
            const XmlText& chunk = xml.texts()[at.text];
            const XmlElement& container = el[at.container];
            if (!options.unicode && !options.toLegacy()) {
                if (text.converted(at.piece) != text.original(at.piece)) {
                    std::string written;
                    bool collapsing = at.collapsingAt;
                    odf::appendText(written, text.converted(at.piece), collapsing, true, at.collapsingAfter);
                    splice.replace(chunk.begin, chunk.end, written);
                }
                continue;
            }
            if (!converts[at.container]) continue;  // nothing but characters kept as typed
            const bool fromUnicode = options.toLegacy() && !legacyFontNamed(styles_.fontOf(p, at.container));
            const std::string name = styles_.unicodeStyle(p, at.container, options, declarations, fromUnicode);
            const bool span = is(container, kText, "span");
            splice.replace(chunk.begin, chunk.end, unicodeText(xml, container, span, name, text, at));
            if (!span || restyled[at.container]) continue;
            restyled[at.container] = 1;
            auto [from, to] = xml.attributeValueRange(container, "text:style-name");
            if (from != std::string::npos) splice.replace(from, to, name);
            else splice.insert(container.startEnd - (container.empty() ? 2 : 1), " text:style-name=\"" + name + "\"");
        }
        // Spaces, tabs and line breaks in a legacy font go to the Unicode font too: their
        // span restyled, or where they stand in a paragraph or link, a span of their own.
        if ((options.unicode || options.toLegacy()) && text.anyConverted())
            for (const std::uint32_t b : part.blanks) {
                const XmlElement& blank = el[b];
                const std::uint32_t container = blank.parent;
                const std::string name = styles_.unicodeStyle(p, container, options, declarations);
                if (!is(el[container], kText, "span")) {
                    splice.insert(blank.start, "<text:span text:style-name=\"" + name + "\">");
                    splice.insert(blank.end, "</text:span>");
                    continue;
                }
                if (restyled[container]) continue;
                restyled[container] = 1;
                auto [from, to] = xml.attributeValueRange(el[container], "text:style-name");
                if (from != std::string::npos) splice.replace(from, to, name);
                else
                    splice.insert(el[container].startEnd - (el[container].empty() ? 2 : 1),
                                  " text:style-name=\"" + name + "\"");
            }
        if (!text.anyConverted()) continue;
        std::uint32_t faceDecls = kNoElement, automatic = kNoElement, before = kNoElement;
        bool unicodeFace = false;
        for (std::uint32_t i = 0; i < el.size(); ++i) {
            const XmlElement& e = el[i];
            if (e.depth == 1 && is(e, kOffice, "font-face-decls")) faceDecls = i;
            if (e.depth == 1 && is(e, kOffice, "automatic-styles")) automatic = i;
            if (e.depth == 1 && before == kNoElement &&
                (is(e, kOffice, "body") || is(e, kOffice, "master-styles") || is(e, kOffice, "styles")))
                before = i;
            if (is(e, kStyle, "font-face")) {
                const std::string* name = attr(e, kStyle, "name");
                unicodeFace = unicodeFace || (name && *name == (options.toLegacy() ? options.toFont : options.unicodeFont));
            }
            if (options.unicode || options.toLegacy()) continue;
            // ML-TTRevathi mode: the legacy font's declarations name the font its text is now in.
            const bool face = is(e, kStyle, "font-face");
            if (!face && !is(e, kStyle, "text-properties")) continue;
            for (const XmlPart::RawAttribute& a : xml.rawAttributes(e)) {
                if (a.name != (face ? "svg:font-family" : "fo:font-family")) continue;
                const std::string* value = attr(e, face ? kSvg : kFo, "font-family");
                const LegacyFont* font = value ? legacyFontNamed(unquoted(*value)) : nullptr;
                if (convertsFont(font, false)) splice.replace(a.valueStart, a.valueEnd, std::string(kTargetFontName));
            }
        }
        if ((options.unicode || options.toLegacy()) && !declarations.empty()) {
            if (automatic == kNoElement && before == kNoElement) return part.name + " has no place for styles";
            if (!unicodeFace) {
                std::string name;
                appendXmlEscaped(name, options.toLegacy() ? options.toFont : options.unicodeFont);
                const std::string face =
                    "<style:font-face style:name=\"" + name + "\" svg:font-family=\"&apos;" + name + "&apos;\"/>";
                if (faceDecls != kNoElement && !el[faceDecls].empty()) splice.insert(el[faceDecls].endStart, face);
                else if (faceDecls != kNoElement)
                    splice.replace(el[faceDecls].start, el[faceDecls].end,
                                   "<office:font-face-decls>" + face + "</office:font-face-decls>");
                else
                    splice.insert(el[automatic != kNoElement ? automatic : before].start,
                                  "<office:font-face-decls>" + face + "</office:font-face-decls>");
            }
            if (automatic != kNoElement && !el[automatic].empty()) splice.insert(el[automatic].endStart, declarations);
            else if (automatic != kNoElement)
                splice.replace(el[automatic].start, el[automatic].end,
                               "<office:automatic-styles>" + declarations + "</office:automatic-styles>");
            else
                splice.insert(el[before].start, "<office:automatic-styles>" + declarations + "</office:automatic-styles>");
        }
        if (!splice.empty()) zip.replace(part.name, splice.apply(xml.bytes()));
    }
    return {};
}

}  // namespace

std::unique_ptr<PackageFormat> makeOdtFormat(bool objectsStyleText) {
    return std::make_unique<OdtFormat>(objectsStyleText);
}

}  // namespace tolvarin
