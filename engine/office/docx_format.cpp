// DOCX: the text of the main document, its headers, footers, notes and comments, and
// the list labels of numbering.xml, read run by run with each character's font as
// Word finds it; converted text and fonts are spliced back into the parts' own bytes.
#include <algorithm>
#include <cstdlib>

#include "fonts/glyph_map.h"
#include "io/at_once.h"
#include "io/memory_hint.h"
#include "office/docx_run_properties.h"
#include "office/docx_styles.h"
#include "office/package_format.h"
#include "text/utf8.h"

namespace tolvarin {
namespace {

using namespace docx;

enum class PieceKind : std::uint8_t { Text, Symbol, SoftHyphen, LevelText, Fixed };

struct PieceAt {
    std::uint32_t piece;
    std::uint32_t element;
    std::uint32_t run;  // into Part::runs
    PieceKind kind;
};

// A run (or a numbering level) and what its converted text needs of it.
struct RunAt {
    std::uint32_t element;
    std::uint32_t rPr;  // kNoElement when the run has none
    bool touched = false, hasSymbol = false;
    bool themed = false;  // its font comes from the theme
    bool boldCs = false, italicCs = false;  // bold, italic to repeat for the complex script
    std::string sizeCs;  // the size to repeat for it, or empty

    RunAt(std::uint32_t owner, std::uint32_t properties, const RunProperties& direct, const RunProperties& effective)
        : element(owner), rPr(properties) {
        themed = effective.fontFromTheme[Ascii] || effective.fontFromTheme[HAnsi];
        boldCs = effective.bold.value_or(false) && !direct.boldCs;
        italicCs = effective.italic.value_or(false) && !direct.italicCs;
        if (effective.size && direct.sizeCs != effective.size) sizeCs = *effective.size;
    }
};

struct Part {
    enum Kind { Story, StylesPart, Numbering, FontTable, ThemePart } kind;
    std::string name;
    XmlPart xml;
    std::vector<PieceAt> pieces;
    std::vector<RunAt> runs;  // a numbering level stands for its run
    // Read in two halves: the element the second begins at, and where its runs and pieces
    // begin.
    std::uint32_t meet = kNoElement;
    std::size_t runsMeet = 0, piecesMeet = 0;
};

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A relationship's target as a member name: relative to the source's folder, or from
// the root when it begins with a slash.
std::string resolveTarget(const std::string& folder, const std::string& target) {
    std::string path = !target.empty() && target[0] == '/' ? target.substr(1) : folder + target;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string piece = path.substr(start, end - start);
        if (piece == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
}

bool endsWith(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

struct Relationship {
    std::string type, target;
};

std::string readRelationships(const ZipPackage& zip, const std::string& relsName, const std::string& folder,
                              std::vector<Relationship>& out) {
    if (!zip.has(relsName)) return {};
    std::string bytes;
    if (std::string error = zip.read(relsName, bytes); !error.empty()) return error;
    XmlPart rels;
    if (std::string error = rels.parse(std::move(bytes)); !error.empty()) return relsName + ": " + error;
    for (const XmlElement& e : rels.elements()) {
        if (!endsWith(e.name, " Relationship")) continue;
        const std::string* type = e.attribute("Type");
        const std::string* target = e.attribute("Target");
        const std::string* mode = e.attribute("TargetMode");
        if (!type || !target || (mode && *mode == "External")) continue;
        out.push_back({*type, resolveTarget(folder, *target)});
    }
    return {};
}

// Reads the runs of a story part, or of a stretch of its elements that begins outside
// any paragraph, into a PackageText.
class StoryReader {
public:
    StoryReader(const Theme& theme, Styles& styles, PackageText& text, std::vector<RunAt>& runs,
                std::vector<PieceAt>& pieces)
        : theme_(theme), styles_(styles), text_(text), runs_(runs), pieces_(pieces) {}
    // Elements [from, to) of the part; the paragraphs still open at `to` end there.
    void read(const XmlPart& xml, std::uint32_t from, std::uint32_t to);
    void readNumbering(const XmlPart& xml);

private:
    void addCharacters(std::vector<OfficeChar>& chars, std::string_view utf8, const RunProperties& props,
                       std::uint32_t piece, bool levelText);

    const Theme& theme_;
    Styles& styles_;
    PackageText& text_;
    std::vector<RunAt>& runs_;
    std::vector<PieceAt>& pieces_;
    // The last font name a run's characters took, and what it is: runs mostly repeat it.
    std::string lastFont_;
    const LegacyFont* lastLegacy_ = nullptr;
    std::uint32_t lastFontIndex_ = 0;
    bool fontLooked_ = false;
};

class DocxFormat final : public PackageFormat {
public:
    std::string read(const ZipPackage& zip, PackageText& text) override;
    std::string write(ZipPackage& zip, const PackageText& text, const ConversionOptions& options) override;

private:
    std::string load(const ZipPackage& zip, const std::string& name, Part::Kind kind, std::size_t halvesFrom);
    void readStory(Part& part, PackageText& text);

    std::vector<Part> parts_;
    Theme theme_;
    Styles styles_;
};

std::string DocxFormat::load(const ZipPackage& zip, const std::string& name, Part::Kind kind,
                             std::size_t halvesFrom) {
    for (const Part& p : parts_)
        if (p.name == name) return {};
    if (!zip.has(name)) return kind == Part::Story && parts_.empty() ? "the document has no " + name : std::string();
    std::string bytes;
    if (std::string error = zip.read(name, bytes); !error.empty()) return error;
    Part part{kind, name, XmlPart(false, halvesFrom), {}, {}};
    if (std::string error = part.xml.parse(std::move(bytes)); !error.empty()) return name + ": " + error;
    parts_.push_back(std::move(part));
    return {};
}

std::string DocxFormat::read(const ZipPackage& zip, PackageText& text) {
    std::vector<Relationship> top;
    if (std::string error = readRelationships(zip, "_rels/.rels", "", top); !error.empty()) return error;
    std::string main;
    for (const Relationship& r : top)
        if (endsWith(r.type, "/officeDocument")) main = r.target;
    if (main.empty() && zip.has("word/document.xml")) main = "word/document.xml";
    if (main.empty() || !zip.has(main)) return "not a Word document: the package names no main document";
    const std::string folder = folderOf(main);
    const std::string relsName = folder + "_rels/" + main.substr(folder.size()) + ".rels";
    std::vector<Relationship> rels;
    if (std::string error = readRelationships(zip, relsName, folder, rels); !error.empty()) return error;

    const std::size_t halvesFrom = text.reading().halvesFrom;
    if (std::string error = load(zip, main, Part::Story, halvesFrom); !error.empty()) return error;
    for (const Relationship& r : rels) {
        std::string error;
        if (endsWith(r.type, "/theme")) error = load(zip, r.target, Part::ThemePart, halvesFrom);
        else if (endsWith(r.type, "/styles")) error = load(zip, r.target, Part::StylesPart, halvesFrom);
        else if (endsWith(r.type, "/numbering")) error = load(zip, r.target, Part::Numbering, halvesFrom);
        else if (endsWith(r.type, "/fontTable")) error = load(zip, r.target, Part::FontTable, halvesFrom);
        else if (endsWith(r.type, "/header") || endsWith(r.type, "/footer") || endsWith(r.type, "/footnotes") ||
                 endsWith(r.type, "/endnotes") || endsWith(r.type, "/comments"))
            error = load(zip, r.target, Part::Story, halvesFrom);
        if (!error.empty()) return error;
    }
    for (const Part& p : parts_)
        if (p.kind == Part::ThemePart) theme_.read(p.xml);
    for (const Part& p : parts_)
        if (p.kind == Part::StylesPart) styles_.read(p.xml, theme_);
    for (Part& p : parts_) {
        if (p.kind == Part::Story) readStory(p, text);
        else if (p.kind == Part::Numbering) StoryReader(theme_, styles_, text, p.runs, p.pieces).readNumbering(p.xml);
    }
    return {};
}

void StoryReader::addCharacters(std::vector<OfficeChar>& chars, std::string_view utf8, const RunProperties& props,
                                std::uint32_t piece, bool levelText) {
    PackageText& text = text_;
    // A run's characters take one or two of its slots: each slot met is looked up once, and
    // two slots naming one font count as one (`same`, the first of them).
    struct SlotFont {
        const std::string* name;
        const std::string* same;
        const LegacyFont* legacy;
        std::uint32_t index;
    };
    SlotFont met[kSlotCount];
    std::size_t slots = 0;
    const std::string* counted = nullptr;
    std::size_t count = 0;
    // Written in place: no more characters than bytes.
    const std::size_t before = chars.size();
    chars.resize(before + utf8.size());
    OfficeChar* out = chars.data() + before;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = nextCodePoint(utf8, i);
        // A list label's %1, %2 ... are the numbers, not text.
        if (levelText && c == '%' && i < utf8.size() && utf8[i] >= '1' && utf8[i] <= '9') {
            *out++ = {c, -1, nullptr, piece};
            *out++ = {char32_t(utf8[i++]), -1, nullptr, piece};
            continue;
        }
        const std::optional<std::string>& font = props.font[props.slotFor(c)];
        static const std::string kNoFont;
        const std::string& name = font ? *font : kNoFont;
        std::size_t k = 0;
        while (k < slots && met[k].name != &name) ++k;
        if (k == slots) {
            if (!fontLooked_ || name != lastFont_) {
                fontLooked_ = true;
                lastFont_ = name;
                lastLegacy_ = legacyFontNamed(name);
                lastFontIndex_ = text.fontIndex(name);
            }
            const std::string* same = &name;
            for (std::size_t j = 0; j < slots; ++j)
                if (*met[j].name == name) same = met[j].same;
            met[slots++] = {&name, same, lastLegacy_, lastFontIndex_};
        }
        const SlotFont& f = met[k];
        const int code = f.legacy ? legacyCode(c) : -1;
        *out++ = {c, code, code >= 0 ? f.legacy : nullptr, piece, f.index};
        if (levelText) continue;
        if (counted && counted != f.same) {
            text.noteFont(*counted, count);
            count = 0;
        }
        counted = f.same;
        count += c >= 0x20;
    }
    chars.resize(std::size_t(out - chars.data()));
    if (counted && count) text.noteFont(*counted, count);
}

void DocxFormat::readStory(Part& part, PackageText& text) {
    const auto& el = part.xml.elements();
    const auto n = std::uint32_t(el.size());
    // A long part is read in two halves on two threads, met at an element near its middle
    // outside any paragraph (one of the body's): the halves' paragraphs are apart.
    std::uint32_t meet = kNoElement;
    const auto outsideParagraphs = [&](std::uint32_t i) {
        for (std::uint32_t a = el[i].parent; a != kNoElement; a = el[a].parent)
            if (isW(el[a], "p")) return false;
        return true;
    };
    if (part.xml.bytes().size() >= text.reading().halvesFrom && !text.reading().keepParagraphs)
        for (std::uint32_t i = n / 2; i < n && meet == kNoElement; ++i)
            if (el[i].depth <= 2 && outsideParagraphs(i)) meet = i;
    if (meet == kNoElement) {
        StoryReader(theme_, styles_, text, part.runs, part.pieces).read(part.xml, 0, n);
        return;
    }
    PackageText second(text.reading());
    std::vector<RunAt> runs;
    std::vector<PieceAt> pieces;
    Styles styles = styles_;  // its own: styles are resolved as they are first asked for
    atOnce([&] { StoryReader(theme_, styles_, text, part.runs, part.pieces).read(part.xml, 0, meet); },
           [&] { StoryReader(theme_, styles, second, runs, pieces).read(part.xml, meet, n); });
    const std::uint32_t pieceOffset = text.append(std::move(second));
    const auto runOffset = std::uint32_t(part.runs.size());
    part.meet = meet;
    part.runsMeet = runOffset;
    part.piecesMeet = part.pieces.size();
    for (PieceAt& p : pieces) {
        p.piece += pieceOffset;
        p.run += runOffset;
    }
    part.pieces.insert(part.pieces.end(), pieces.begin(), pieces.end());
    part.runs.insert(part.runs.end(), std::make_move_iterator(runs.begin()), std::make_move_iterator(runs.end()));
}

void StoryReader::read(const XmlPart& xml, std::uint32_t from, std::uint32_t to) {
    PackageText& text = text_;
    const auto& el = xml.elements();
    // The paragraphs begun and not yet ended, the innermost last: one ends where an
    // element no deeper than it begins. Only a text box's paragraphs nest.
    std::vector<std::pair<std::uint32_t, std::size_t>> open;
    std::uint32_t lastRun = kNoElement, styledParagraph = kNoElement;
    RunProperties props;  // the last run's, as Word finds them
    std::string paragraphStyle;
    for (std::uint32_t i = from; i < to; ++i) {
        const XmlElement& e = el[i];
        while (!open.empty() && e.depth <= el[open.back().first].depth) {
            text.endParagraph(open.back().second);
            open.pop_back();
        }
        const std::string_view local = wLocalName(e);  // empty outside WordprocessingML
        if (local == "p") {  // every paragraph, an empty one too, is a line of the text
            open.emplace_back(i, text.addParagraph(true));
            continue;
        }
        if (e.parent == kNoElement || wLocalName(el[e.parent]) != "r") continue;
        PieceKind kind;
        char32_t fixed = 0;
        if (local == "t" || local == "delText") kind = PieceKind::Text;
        else if (local == "sym") kind = PieceKind::Symbol;
        else if (local == "softHyphen") kind = PieceKind::SoftHyphen;
        else if (local == "tab" || local == "ptab") kind = PieceKind::Fixed, fixed = '\t';
        else if (local == "br" || local == "cr") kind = PieceKind::Fixed, fixed = '\n';
        else if (local == "noBreakHyphen") kind = PieceKind::Fixed, fixed = 0x2011;
        else if (local == "drawing" || local == "pict" || local == "object" || local == "footnoteReference" ||
                 local == "endnoteReference" || endsWith(e.name, " AlternateContent"))
            kind = PieceKind::Fixed;  // ends a stretch, prints nothing
        else continue;
        const std::uint32_t run = e.parent;
        std::uint32_t paragraph = el[run].parent;
        while (paragraph != kNoElement && !isW(el[paragraph], "p")) paragraph = el[paragraph].parent;
        if (paragraph == kNoElement) continue;
        auto slot = open.rbegin();
        while (slot != open.rend() && slot->first != paragraph) ++slot;
        if (slot == open.rend()) continue;
        std::vector<OfficeChar>& chars = text.paragraphs[slot->second];
        if (kind == PieceKind::Fixed) {  // a tab, a break, an object: not legacy text
            chars.push_back({fixed, -1, nullptr, text.fixedPiece()});
            continue;
        }
        if (run != lastRun) {
            lastRun = run;
            std::uint32_t rPr = kNoElement;
            RunProperties direct;
            std::string characterStyle;
            forChildren(xml, run, [&](std::uint32_t j) {
                if (!isW(el[j], "rPr") || rPr != kNoElement) return;
                rPr = j;
                direct = readRunProperties(xml, j, theme_);
                forChildren(xml, j, [&](std::uint32_t k) {
                    if (isW(el[k], "rStyle"))
                        if (const std::string* v = wAttribute(el[k], "val")) characterStyle = *v;
                });
            });
            if (paragraph != styledParagraph) {
                styledParagraph = paragraph;
                paragraphStyle.clear();
                forChildren(xml, paragraph, [&](std::uint32_t j) {
                    if (isW(el[j], "pPr"))
                        forChildren(xml, j, [&](std::uint32_t k) {
                            if (isW(el[k], "pStyle"))
                                if (const std::string* v = wAttribute(el[k], "val")) paragraphStyle = *v;
                        });
                });
            }
            props = direct;
            props.inherit(styles_.resolved(characterStyle, false));
            props.inherit(styles_.resolved(paragraphStyle, true));
            props.inherit(styles_.defaults());
            runs_.emplace_back(run, rPr, direct, props);
        }
        const auto runIndex = std::uint32_t(runs_.size() - 1);
        RunAt& at = runs_.back();
        if (kind == PieceKind::Text) {
            const std::uint32_t piece = text.addPiece(e.text);
            pieces_.push_back({piece, i, runIndex, kind});
            addCharacters(chars, e.text, props, piece, false);
        } else if (kind == PieceKind::SoftHyphen) {
            const std::uint32_t piece = text.addPiece("\xC2\xAD");
            pieces_.push_back({piece, i, runIndex, kind});
            addCharacters(chars, "\xC2\xAD", props, piece, false);
        } else {
            // w:sym: a character of the font it names, U+F0xx for a symbol font.
            const std::string* font = wAttribute(e, "font");
            const std::string* hex = wAttribute(e, "char");
            const LegacyFont* legacy = font ? legacyFontNamed(*font) : nullptr;
            char32_t value = 0;
            if (hex) value = char32_t(std::strtoul(hex->c_str(), nullptr, 16));
            const int code = value <= 0xFF ? int(value) : legacyCode(value);
            if (!legacy || code < 0) {
                chars.push_back({value, -1, nullptr, text.fixedPiece()});
                continue;
            }
            std::string original;
            appendUtf8(original, value);
            const std::uint32_t piece = text.addOwnedPiece(original);
            pieces_.push_back({piece, i, runIndex, kind});
            chars.push_back({value, code, legacy, piece, text.fontIndex(*font)});
            text.noteFont(*font, 1);
            at.hasSymbol = true;
        }
    }
    for (; !open.empty(); open.pop_back()) text.endParagraph(open.back().second);
}

void StoryReader::readNumbering(const XmlPart& xml) {
    PackageText& text = text_;
    const auto& el = xml.elements();
    for (std::uint32_t i = 0; i < el.size(); ++i) {
        if (!isW(el[i], "lvl")) continue;
        std::uint32_t levelText = kNoElement;
        std::uint32_t rPr = kNoElement;
        RunProperties direct;
        forChildren(xml, i, [&](std::uint32_t j) {
            if (isW(el[j], "lvlText")) levelText = j;
            else if (isW(el[j], "rPr")) {
                rPr = j;
                direct = readRunProperties(xml, j, theme_);
            }
        });
        const std::string* value = levelText == kNoElement ? nullptr : wAttribute(el[levelText], "val");
        if (!value || value->empty()) continue;
        RunProperties effective = direct;
        effective.inherit(styles_.defaults());
        const std::uint32_t piece = text.addPiece(*value);
        pieces_.push_back({piece, levelText, std::uint32_t(runs_.size()), PieceKind::LevelText});
        runs_.emplace_back(i, rPr, direct, effective);
        const std::size_t paragraph = text.addParagraph(false);
        addCharacters(text.paragraphs[paragraph], *value, effective, piece, true);
        text.endParagraph(paragraph);
    }
}

// The changes of a part's pieces and runs in the given ranges, and of the font
// declarations among elements [from, to).
void spliceRange(Part& part, const PackageText& text, const ConversionOptions& options, std::size_t firstPiece,
                 std::size_t endPiece, std::size_t firstRun, std::size_t endRun, std::uint32_t firstElement,
                 std::uint32_t endElement, std::vector<char>& fontsRewritten, XmlSplice& splice) {
    const auto& el = part.xml.elements();
    splice.reserve(endPiece - firstPiece + 4 * (endRun - firstRun));  // a run takes a few changes
    for (std::size_t p = firstPiece; p < endPiece; ++p) {
        const PieceAt& at = part.pieces[p];
        if (!text.touched(at.piece)) continue;
        RunAt& run = part.runs[at.run];
        run.touched = true;
        const XmlElement& e = el[at.element];
        const std::string_view converted = text.converted(at.piece);
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
    RunPropertiesEditor editor(part.xml, fontsRewritten);
    RunPropertiesEdit edit;  // what every run's edit shares, set once
    if (options.unicode) {
        edit.font = options.unicodeFont;
        edit.slots = {Ascii, HAnsi, EastAsia, Cs};
        edit.complexLanguage = "ml-IN";
    } else {
        edit.font = std::string(kTargetFontName);
        edit.slots = {Ascii, HAnsi};
    }
    for (std::size_t r = firstRun; r < endRun; ++r) {
        const RunAt& run = part.runs[r];
        if (!run.touched) continue;
        if (options.unicode) {
            edit.boldCs = run.boldCs;
            edit.italicCs = run.italicCs;
            if (run.sizeCs.empty()) edit.sizeCs.reset();
            else edit.sizeCs = run.sizeCs;
        } else if (!run.hasSymbol && !run.themed) {
            // Renaming the legacy font's declarations reaches text that names it; a symbol or a
            // theme font does not.
            continue;
        }
        const bool level = isW(el[run.element], "lvl");
        editor.edit(run.element, run.rPr, level, edit, splice);
    }
    if (!options.unicode && text.anyConverted()) renameLegacyFonts(part.xml, splice, fontsRewritten, firstElement, endElement);
}

std::string DocxFormat::write(ZipPackage& zip, const PackageText& text, const ConversionOptions& options) {
    for (Part& part : parts_) {
        if (part.kind == Part::ThemePart) continue;
        const auto& el = part.xml.elements();
        const auto n = std::uint32_t(el.size());
        std::vector<char> fontsRewritten(el.size());
        if (part.meet == kNoElement) {
            XmlSplice splice;
            spliceRange(part, text, options, 0, part.pieces.size(), 0, part.runs.size(), 0, n, fontsRewritten, splice);
            if (!splice.empty()) {
                const std::string_view bytes = part.xml.bytes();
                zip.replace(part.name, {{splice.outputSize(0, bytes.size()),
                                         [&](ByteSink& sink) { splice.applyTo(bytes, 0, bytes.size(), sink); }}});
            }
            continue;
        }
        // Read in halves: spliced in halves too, on two threads, each half's changes
        // within its own bytes, made and deflated side by side.
        XmlSplice first, second;
        atOnce(
            [&] {
                spliceRange(part, text, options, 0, part.piecesMeet, 0, part.runsMeet, 0, part.meet, fontsRewritten,
                            first);
            },
            [&] {
                spliceRange(part, text, options, part.piecesMeet, part.pieces.size(), part.runsMeet, part.runs.size(),
                            part.meet, n, fontsRewritten, second);
            });
        if (first.empty() && second.empty()) continue;
        const std::string_view bytes = part.xml.bytes();
        const std::size_t mid = el[part.meet].start;
        if (!first.within(0, mid) || !second.within(mid, bytes.size())) {
            // Not apart after all: one splice of both, in the order they were made.
            XmlSplice whole;
            spliceRange(part, text, options, 0, part.pieces.size(), 0, part.runs.size(), 0, n, fontsRewritten, whole);
            zip.replace(part.name, whole.apply(bytes));
            continue;
        }
        zip.replace(part.name,
                    {{first.outputSize(0, mid), [&](ByteSink& sink) { first.applyTo(bytes, 0, mid, sink); }},
                     {second.outputSize(mid, bytes.size()),
                      [&](ByteSink& sink) { second.applyTo(bytes, mid, bytes.size(), sink); }}});
    }
    return {};
}

}  // namespace

std::unique_ptr<PackageFormat> makeDocxFormat() { return std::make_unique<DocxFormat>(); }

}  // namespace tolvarin
