#include "office/drawing_text.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <unordered_map>

#include "fonts/glyph_map.h"
#include "text/utf8.h"

namespace tolvarin::drawing {

using pptx::childOf;
using pptx::isA;
using pptx::latinOf;
using pptx::localName;

void read(const XmlPart& xml, const pptx::ThemeFonts& theme, const Inherited& inherited, PackageText& text, Runs& runs,
          bool shown) {
    const auto& el = xml.elements();
    struct Open {
        std::uint32_t element;
        std::size_t slot;
        std::string inherited;
        bool looked = false;
    };
    std::vector<Open> open;
    std::string font;
    for (std::uint32_t i = 0; i < el.size(); ++i) {
        const XmlElement& e = el[i];
        while (!open.empty() && e.depth <= el[open.back().element].depth) {
            text.endParagraph(open.back().slot);
            open.pop_back();
        }
        if (isA(e, "p")) {
            open.push_back({i, text.addParagraph(shown), {}});
            continue;
        }
        if (open.empty() || e.parent == kNoElement) continue;
        Open& paragraph = open.back();
        const std::uint32_t owner = e.parent;
        const bool inParagraph = owner == paragraph.element || el[owner].parent == paragraph.element;
        if (!inParagraph) continue;
        std::vector<OfficeChar>& chars = text.paragraphs[paragraph.slot];
        const bool run = isA(el[owner], "r");
        if (isA(e, "br") && owner == paragraph.element) {
            chars.push_back({'\n', -1, nullptr, text.fixedPiece(), 0});
        } else if (isA(e, "t") && isA(el[owner], "fld")) {
            chars.push_back({0, -1, nullptr, text.fixedPiece(), 0});  // a field's text: PowerPoint writes it anew
        } else if (isA(e, "t") && run) {
            const std::uint32_t rPr = childOf(el, owner, [](const XmlElement& c) { return isA(c, "rPr"); });
            font = latinOf(el, rPr);
            if (font.empty()) {
                if (!paragraph.looked) paragraph.inherited = inherited(paragraph.element);
                paragraph.looked = true;
                font = paragraph.inherited;
            }
            font = theme.resolve(font);
            const std::uint32_t piece = text.addText(chars, e.text, font);
            if (runs.runs.empty() || runs.runs.back().element != owner) runs.runs.push_back({owner, rPr});
            runs.pieces.push_back({piece, i, std::uint32_t(runs.runs.size() - 1)});
        }
    }
    while (!open.empty()) {
        text.endParagraph(open.back().slot);
        open.pop_back();
    }
}

std::string ownFont(const XmlPart& xml, std::uint32_t paragraph, bool chart, int& level) {
    const auto& el = xml.elements();
    const std::uint32_t pPr = childOf(el, paragraph, [](const XmlElement& e) { return isA(e, "pPr"); });
    level = 0;
    if (const std::string* lvl = pPr == kNoElement ? nullptr : el[pPr].attribute("lvl"))
        level = std::max(0, std::min(8, std::atoi(lvl->c_str())));
    // A chart's paragraph carries its runs' defaults itself.
    if (chart && pPr != kNoElement)
        if (std::string f = latinOf(el, childOf(el, pPr, [](const XmlElement& e) { return isA(e, "defRPr"); })); !f.empty())
            return f;
    const std::uint32_t body = el[paragraph].parent;
    if (body == kNoElement) return {};
    pptx::LevelFonts own;
    own.read(el, childOf(el, body, [](const XmlElement& e) { return isA(e, "lstStyle"); }));
    return own.at(level);
}

namespace {

// The name an element is written with ("a:t"), and the same prefix for another name.
std::string writtenName(const XmlPart& xml, const XmlElement& e, std::string_view local) {
    const std::string_view prefix = xml.prefix(e);
    return prefix.empty() ? std::string(local) : std::string(prefix) + ":" + std::string(local);
}

// A converted run's properties for Unicode text: its own, with the Unicode font for every
// script and Malayalam for its language; its size, bold, italic and the rest as they were.
std::string unicodeProperties(const XmlPart& xml, const RunAt& run, const ConversionOptions& options) {
    const auto& el = xml.elements();
    const std::string_view bytes = xml.bytes();
    // A legacy font's codes are written in it for every script, their language as it was.
    const bool legacy = options.toLegacy();
    std::string font;
    appendXmlEscaped(font, legacy ? options.toFont : options.unicodeFont);
    // Named with the prefix the properties are written with (the run's where it has none).
    const XmlElement& r = el[run.rPr == kNoElement ? run.element : run.rPr];
    std::string fonts;
    for (const char* slot : {"latin", "ea", "cs"})
        fonts += "<" + writtenName(xml, r, slot) + " typeface=\"" + font + "\"/>";
    const std::string name = writtenName(xml, r, "rPr");
    if (run.rPr == kNoElement) return "<" + name + (legacy ? ">" : " lang=\"ml-IN\">") + fonts + "</" + name + ">";
    const XmlElement& p = el[run.rPr];
    std::string out;
    auto [from, to] = xml.attributeValueRange(p, "lang");
    std::size_t tagEnd = p.startEnd - (p.empty() ? 2 : 1);
    while (tagEnd > p.start && (bytes[tagEnd - 1] == ' ' || bytes[tagEnd - 1] == '\t' || bytes[tagEnd - 1] == '\n' || bytes[tagEnd - 1] == '\r'))
        --tagEnd;
    if (legacy)
        out.append(bytes.substr(p.start, tagEnd - p.start));
    else if (from != std::string::npos)
        out.append(bytes.substr(p.start, from - p.start)).append("ml-IN").append(bytes.substr(to, tagEnd - to));
    else
        out.append(bytes.substr(p.start, tagEnd - p.start)).append(" lang=\"ml-IN\"");
    out += ">";
    bool placed = false;
    for (std::uint32_t c = run.rPr + 1; c < el.size() && el[c].depth > p.depth; ++c) {
        if (el[c].parent != run.rPr) continue;
        const std::string_view local = localName(el[c]);
        if (local == "latin" || local == "ea" || local == "cs") continue;
        if (!placed && (local == "sym" || local == "hlinkClick" || local == "hlinkMouseOver" || local == "rtl" ||
                        local == "extLst")) {
            out += fonts;
            placed = true;
        }
        out.append(bytes.substr(el[c].start, el[c].end - el[c].start));
    }
    if (!placed) out += fonts;
    return out + "</" + name + ">";
}

bool renamesFont(const std::string* typeface) {
    return typeface && convertsFont(legacyFontNamed(*typeface), false);
}

}  // namespace

void write(const XmlPart& xml, Runs& runs, const PackageText& text, const ConversionOptions& options, XmlSplice& splice) {
    const auto& el = xml.elements();
    const auto whollyKept = [&](std::uint32_t piece) {
        const auto* kept = text.kept(piece);
        return kept && kept->size() == 1 && kept->front().first == 0 &&
               kept->front().second == text.converted(piece).size();
    };
    for (const PieceAt& at : runs.pieces)
        if (text.touched(at.piece) && !whollyKept(at.piece)) runs.runs[at.run].touched = true;
    // Runs' properties for Unicode text, by the properties as written: most runs repeat a few.
    std::unordered_map<std::string_view, std::string> edited;
    std::string none;
    const auto propertiesOf = [&](const RunAt& run) -> const std::string& {
        if (run.rPr == kNoElement) {
            if (none.empty()) none = unicodeProperties(xml, run, options);
            return none;
        }
        const std::string_view written = std::string_view(xml.bytes()).substr(el[run.rPr].start, el[run.rPr].end - el[run.rPr].start);
        auto [found, isNew] = edited.try_emplace(written);
        if (isNew) found->second = unicodeProperties(xml, run, options);
        return found->second;
    };
    for (const PieceAt& at : runs.pieces) {
        const RunAt& run = runs.runs[at.run];
        if (!text.touched(at.piece) || !run.touched) continue;
        const XmlElement& e = el[at.element];
        const std::string_view converted = text.converted(at.piece);
        const auto* kept = options.unicode || options.toLegacy() ? text.kept(at.piece) : nullptr;
        if (!kept) {
            if (converted != text.original(at.piece)) splice.replaceEscaped(e.startEnd, e.endStart, converted);
            continue;
        }
        // Characters kept as typed go in runs of their own, in the run's properties as they were.
        const std::string t = writtenName(xml, e, "t"), r = writtenName(xml, el[run.element], "r");
        const std::string close = "</" + t + "></" + r + "><" + r + ">";
        const std::string original = run.rPr == kNoElement ? std::string()
                                                            : std::string(xml.bytes().substr(el[run.rPr].start, el[run.rPr].end - el[run.rPr].start));
        std::string written;
        std::size_t done = 0;
        for (const auto& [begin, end] : *kept) {
            appendXmlEscaped(written, converted.substr(done, begin - done));
            written += close + original + "<" + t + ">";
            appendXmlEscaped(written, converted.substr(begin, end - begin));
            written += close + propertiesOf(run) + "<" + t + ">";
            done = end;
        }
        appendXmlEscaped(written, converted.substr(done));
        splice.replace(e.startEnd, e.endStart, written);
    }
    if (options.unicode || options.toLegacy()) {
        for (const RunAt& run : runs.runs) {
            if (!run.touched) continue;
            if (run.rPr != kNoElement) splice.replace(el[run.rPr].start, el[run.rPr].end, propertiesOf(run));
            else splice.insert(el[run.element].startEnd, propertiesOf(run));
        }
    }
}

void renameTypefaces(const XmlPart& xml, XmlSplice& splice) {
    const auto& el = xml.elements();
    for (std::uint32_t i = 0; i < el.size(); ++i) {
        const std::string_view local = localName(el[i]);
        if (!(local == "latin" || local == "ea" || local == "cs" || local == "sym") || !isA(el[i], local)) continue;
        if (!renamesFont(el[i].attribute("typeface"))) continue;
        auto [from, to] = xml.attributeValueRange(el[i], "typeface");
        if (from != std::string::npos) splice.replace(from, to, kTargetFontName);
    }
}

}  // namespace tolvarin::drawing
