#include <algorithm>

#include "fonts/glyph_map.h"
#include "office/docx_run_properties.h"
#include "office/docx_story.h"

namespace tolvarin::docx {
namespace {

// What a run's w:rPr becomes: for ML-TTRevathi, or for Unicode text (what every run's
// edit shares, set once), then for each run, what it repeats for the complex script.
RunPropertiesEdit editFor(const ConversionOptions& options) {
    RunPropertiesEdit edit;
    if (options.unicode) {
        edit.font = options.unicodeFont;
        edit.slots = {Ascii, HAnsi, EastAsia, Cs};
        edit.complexLanguage = "ml-IN";
    } else if (options.toLegacy()) {
        // Every slot: a run marked complex script takes its font from w:cs.
        edit.font = options.toFont;
        edit.slots = {Ascii, HAnsi, EastAsia, Cs};
    } else {
        edit.font = std::string(kTargetFontName);
        edit.slots = {Ascii, HAnsi};
    }
    return edit;
}

const RunPropertiesEdit& forRun(RunPropertiesEdit& edit, const RunAt& run, const ConversionOptions& options) {
    if (options.toLegacy()) {
        // Unicode text took its look from the complex script's properties; its codes take it
        // from the Western ones. Legacy text had it so already.
        const bool unicode = !run.legacyText;
        edit.bold = unicode ? run.bold : std::nullopt;
        edit.italic = unicode ? run.italic : std::nullopt;
        if (!unicode || run.size.empty()) edit.size.reset();
        else edit.size = run.size;
        return edit;
    }
    edit.boldCs = run.boldCs;
    edit.italicCs = run.italicCs;
    if (run.sizeCs.empty()) edit.sizeCs.reset();
    else edit.sizeCs = run.sizeCs;
    return edit;
}

// The qualified name a start tag is written with ("w:t" for <w:t xml:space=...>).
std::string_view writtenName(const XmlPart& xml, const XmlElement& e) {
    const std::string_view tag(xml.bytes().data() + e.start, e.startEnd - e.start);
    return tag.substr(1, tag.find_first_of(" \t\r\n/>", 1) - 1);
}

// What the splits of one part's runs repeat, held once in the splice: between the
// pieces of text, the text element and its run closed, a run opened with its properties
// (as they were, which stay where they are in the part; or as edited), and a text
// element opened.
struct Splits {
    std::uint32_t run = kNoElement;  // the run `resumed` is for
    std::string_view close, open, resumed;
};

// A text element whose converted text holds characters kept as typed: the run is split
// around them, each going in a run of its own with the run's properties as they were
// (so in the legacy font), the rest in the run as edited. The text is spliced in where
// it stands, not copied.
void splitAtKept(const Part& part, const PieceAt& at, const RunAt& run, const PackageText& text,
                 const ConversionOptions& options, RunPropertiesEditor& editor, Splits& splits, XmlSplice& splice) {
    const XmlPart& xml = part.xml;
    const auto& el = xml.elements();
    const XmlElement& e = el[at.element];
    const std::string_view bytes = xml.bytes();
    const std::string_view t = writtenName(xml, e), r = writtenName(xml, el[run.element]);
    std::string tags;
    if (splits.close.empty()) {
        tags.append("</").append(t).append("></").append(r).append("><").append(r).append(">");
        splits.close = splice.hold(tags);
        tags.assign("<").append(t).append(" xml:space=\"preserve\">");
        splits.open = splice.hold(tags);
    }
    if (splits.run != run.element) {
        thread_local XmlSplice own;
        own.clear();
        thread_local RunPropertiesEdit edit;
        edit = editFor(options);
        editor.edit(run.element, run.rPr, false, forRun(edit, run, options), own);
        const std::size_t from = run.rPr == kNoElement ? el[run.element].startEnd : el[run.rPr].start;
        const std::size_t to = run.rPr == kNoElement ? from : el[run.rPr].end;
        tags.assign(splits.close);
        const std::size_t at = tags.size();
        tags.resize(at + own.outputSize(from, to));
        own.applyInto(bytes, from, to, tags.data() + at);
        tags.append(splits.open);
        splits.resumed = splice.hold(tags);
        splits.run = run.element;
    }
    const std::string_view original =
        run.rPr == kNoElement ? std::string_view() : bytes.substr(el[run.rPr].start, el[run.rPr].end - el[run.rPr].start);
    if (!e.attribute("http://www.w3.org/XML/1998/namespace space")) splice.insert(e.startEnd - 1, " xml:space=\"preserve\"");
    const std::string_view converted = text.converted(at.piece);
    std::size_t done = 0;
    bool first = true;
    for (const auto& [begin, end] : *text.kept(at.piece)) {
        if (first) splice.replaceEscaped(e.startEnd, e.endStart, converted.substr(0, begin));
        else splice.replaceEscaped(e.endStart, e.endStart, converted.substr(done, begin - done));
        first = false;
        splice.replaceKept(e.endStart, e.endStart, splits.close);
        splice.replaceKept(e.endStart, e.endStart, original);
        splice.replaceKept(e.endStart, e.endStart, splits.open);
        splice.replaceEscaped(e.endStart, e.endStart, converted.substr(begin, end - begin));
        splice.replaceKept(e.endStart, e.endStart, splits.resumed);
        done = end;
    }
    splice.replaceEscaped(e.endStart, e.endStart, converted.substr(done));
}

}  // namespace

// The changes of a part's pieces and runs in the given ranges, and of the font
// declarations among elements [from, to).
void spliceRange(Part& part, const PackageText& text, const ConversionOptions& options, std::size_t firstPiece,
                 std::size_t endPiece, std::size_t firstRun, std::size_t endRun, std::uint32_t firstElement,
                 std::uint32_t endElement, std::vector<char>& fontsRewritten, XmlSplice& splice) {
    const auto& el = part.xml.elements();
    // A run changes where some of its text converted; characters kept as typed stay in the
    // legacy font, in a run of their own where the rest of the run's text converted.
    const auto whollyKept = [&](std::uint32_t piece) {
        const auto* kept = text.kept(piece);
        return kept && kept->size() == 1 && kept->front().first == 0 && kept->front().second == text.converted(piece).size();
    };
    std::size_t keptCount = 0;
    for (std::size_t p = firstPiece; p < endPiece; ++p) {
        const PieceAt& at = part.pieces[p];
        if (text.touched(at.piece) && !whollyKept(at.piece)) part.runs[at.run].touched = true;
        if (const auto* kept = text.kept(at.piece)) keptCount += kept->size();
    }
    // A run takes a few changes, a split a few more.
    splice.reserve(endPiece - firstPiece + 4 * (endRun - firstRun) + 6 * keptCount);
    Splits splits;
    RunPropertiesEditor editor(part.xml, fontsRewritten);
    for (std::size_t p = firstPiece; p < endPiece; ++p) {
        const PieceAt& at = part.pieces[p];
        if (!text.touched(at.piece)) continue;
        RunAt& run = part.runs[at.run];
        if (!run.touched || (at.kind != PieceKind::Text && whollyKept(at.piece))) continue;
        const XmlElement& e = el[at.element];
        const std::string_view converted = text.converted(at.piece);
        if (at.kind == PieceKind::Text && text.kept(at.piece)) {
            splitAtKept(part, at, run, text, options, editor, splits, splice);
            continue;
        }
        if (at.kind == PieceKind::LevelText) {
            const std::string_view prefix = part.xml.prefix(e);
            auto [from, to] = part.xml.attributeValueRange(e, prefix.empty() ? "val" : std::string(prefix) + ":val");
            if (from != std::string::npos && converted != text.original(at.piece))
                splice.replaceEscaped(from, to, converted);
        } else if (at.kind == PieceKind::Text) {
            if (converted == text.original(at.piece)) continue;
            const bool spaced = !converted.empty() && (converted.front() == ' ' || converted.back() == ' ');
            const bool preserved = e.attribute("http://www.w3.org/XML/1998/namespace space") != nullptr;
            const std::string_view tag(part.xml.bytes().data() + e.start, e.startEnd - e.start);
            if (e.empty()) {
                std::string start(tag.substr(0, tag.size() - 2));
                while (!start.empty() && (start.back() == ' ' || start.back() == '\t')) start.pop_back();
                if (spaced && !preserved) start += " xml:space=\"preserve\"";
                const std::string_view qname = tag.substr(1, tag.find_first_of(" \t\r\n/>", 1) - 1);
                start += ">";
                appendXmlEscaped(start, converted);
                splice.replace(e.start, e.end, start + "</" + std::string(qname) + ">");
            } else {
                if (spaced && !preserved) splice.insert(e.startEnd - 1, " xml:space=\"preserve\"");
                splice.replaceEscaped(e.startEnd, e.endStart, converted);
            }
        } else {
            const std::string_view prefix = part.xml.prefix(e);
            const std::string p = prefix.empty() ? std::string() : std::string(prefix) + ":";
            std::string escaped;
            appendXmlEscaped(escaped, converted);
            // A symbol or a soft hyphen becomes text: the converted characters are the font's codes.
            const bool deleted = el[run.element].parent != kNoElement && isW(el[el[run.element].parent], "del");
            const std::string name = p + (deleted ? "delText" : "t");
            splice.replace(e.start, e.end,
                           escaped.empty() ? std::string()
                                           : "<" + name + " xml:space=\"preserve\">" + escaped + "</" + name + ">");
        }
    }
    RunPropertiesEdit edit = editFor(options);
    for (std::size_t r = firstRun; r < endRun; ++r) {
        const RunAt& run = part.runs[r];
        if (!run.touched) continue;
        if (options.unicode || options.toLegacy()) {
            forRun(edit, run, options);
        } else if (!run.hasSymbol && !run.themed) {
            // Renaming the legacy font's declarations reaches text that names it; a symbol or a
            // theme font does not.
            continue;
        }
        const bool level = isW(el[run.element], "lvl");
        editor.edit(run.element, run.rPr, level, edit, splice);
    }
    if (!options.unicode && !options.toLegacy() && text.anyConverted()) renameLegacyFonts(part.xml, splice, fontsRewritten, firstElement, endElement);
}

}  // namespace tolvarin::docx
