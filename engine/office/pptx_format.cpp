// PPTX: the text of slides, notes, layouts, masters, SmartArt and charts, found through
// the package's relationships, each run in the font PowerPoint finds for it; converted
// text and fonts are spliced back into the parts' own bytes.
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <map>

#include "fonts/glyph_map.h"
#include "office/package_format.h"
#include "office/package_relationships.h"
#include "office/pptx_styles.h"
#include "text/utf8.h"

namespace tolvarin {
namespace {

using namespace pptx;

struct PieceAt {
    std::uint32_t piece, element, run;  // the text element, and its run in Part::runs
};
struct RunAt {
    std::uint32_t element, rPr;  // rPr: kNoElement when the run has none
    bool touched = false;
};

struct Part {
    enum Kind { Presentation, Slide, Layout, Master, Notes, NotesMaster, Handout, Chart, DiagramData, DiagramDrawing, Theme };
    Kind kind;
    std::string name;
    XmlPart xml;
    int above = -1;  // a slide's layout, a layout's master, notes' master; the part a chart or diagram is in
    int theme = -1;
    int notes = -1;  // a slide's notes
    ShapeTree tree;
    std::vector<PieceAt> pieces;
    std::vector<RunAt> runs;

    bool holdsShapes() const { return kind >= Slide && kind <= Handout; }
    bool holdsText() const { return kind >= Slide && kind <= DiagramDrawing; }
};

constexpr struct {
    std::string_view type;  // how the relationship's type ends
    Part::Kind kind;
} kKinds[] = {
    {"/slide", Part::Slide},           {"/slideLayout", Part::Layout},       {"/slideMaster", Part::Master},
    {"/notesSlide", Part::Notes},      {"/notesMaster", Part::NotesMaster},  {"/handoutMaster", Part::Handout},
    {"/chart", Part::Chart},           {"/diagramData", Part::DiagramData},  {"/diagramDrawing", Part::DiagramDrawing},
    {"/theme", Part::Theme},
};

class PptxFormat final : public PackageFormat {
public:
    std::string read(const ZipPackage& zip, PackageText& text) override;
    std::string write(ZipPackage& zip, const PackageText& text, const ConversionOptions& options) override;

private:
    // The part's index, loaded once; -1 when the package lacks it.
    int load(const ZipPackage& zip, const std::string& name, Part::Kind kind, std::string& error);
    void readText(Part& part, PackageText& text);
    // The font a paragraph's runs take where their own properties name none.
    std::string inherited(const Part& part, std::uint32_t paragraph) const;
    const ThemeFonts& themeOf(const Part& part) const;

    std::deque<Part> parts_;
    std::map<std::string, int> byName_;
    std::map<int, ThemeFonts> themes_;
    LevelFonts presentationDefault_;
};

int PptxFormat::load(const ZipPackage& zip, const std::string& name, Part::Kind kind, std::string& error) {
    if (const auto found = byName_.find(name); found != byName_.end()) return found->second;
    if (!zip.has(name)) return -1;
    std::string bytes;
    if (error = zip.read(name, bytes); !error.empty()) return -1;
    Part part{kind, name, XmlPart(false), -1, -1, -1, {}, {}, {}};
    if (error = part.xml.parse(std::move(bytes)); !error.empty()) {
        error = name + ": " + error;
        return -1;
    }
    parts_.push_back(std::move(part));
    return byName_[name] = int(parts_.size() - 1);
}

std::string PptxFormat::read(const ZipPackage& zip, PackageText& text) {
    std::vector<Relationship> top;
    if (std::string error = readRelationships(zip, "", top); !error.empty()) return error;
    std::string main;
    for (const Relationship& r : top)
        if (endsWith(r.type, "/officeDocument")) main = r.target;
    if (main.empty() || !zip.has(main)) main = "ppt/presentation.xml";
    std::string error;
    if (load(zip, main, Part::Presentation, error) < 0)
        return error.empty() ? "not a PowerPoint presentation: the package has no " + main : error;
    // Every part the presentation leads to, each once, with what it takes its styles from.
    std::map<std::string, std::string> slideById;  // the presentation's relationships to its slides
    for (std::size_t at = 0; at < parts_.size(); ++at) {
        std::vector<Relationship> rels;
        if (error = readRelationships(zip, parts_[at].name, rels); !error.empty()) return error;
        if (at == 0)
            for (const Relationship& r : rels) slideById[r.id] = r.target;
        for (const Relationship& r : rels)
            for (const auto& [type, kind] : kKinds) {
                if (!endsWith(r.type, type)) continue;
                const int found = load(zip, r.target, kind, error);
                if (!error.empty()) return error;
                if (found < 0) break;
                Part& from = parts_[at];
                Part& to = parts_[std::size_t(found)];
                if (kind == Part::Theme) from.theme = from.theme < 0 ? found : from.theme;
                else if (from.kind == Part::Slide && kind == Part::Notes) from.notes = found;
                else if ((from.kind == Part::Slide && kind == Part::Layout) || (from.kind == Part::Layout && kind == Part::Master) ||
                         (from.kind == Part::Notes && kind == Part::NotesMaster))
                    from.above = found;
                else if ((kind == Part::Chart || kind == Part::DiagramData || kind == Part::DiagramDrawing) && to.above < 0)
                    to.above = int(at);
                break;
            }
    }
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        Part& part = parts_[i];
        if (part.kind == Part::Theme) themes_[int(i)].read(part.xml);
        if (part.holdsShapes()) part.tree.read(part.xml.elements());
        if (part.kind != Part::Presentation) continue;
        const auto& el = part.xml.elements();
        for (std::uint32_t e = 0; e < el.size(); ++e)
            if (isP(el[e], "defaultTextStyle")) presentationDefault_.read(el, e);
    }
    // The text in the order a reader meets it: each slide, in the presentation's order, with
    // its charts, diagrams and notes; then the layouts, the masters and anything else.
    std::vector<char> placed(parts_.size());
    const auto readPart = [&](int i) {
        if (i < 0 || placed[std::size_t(i)]) return;
        placed[std::size_t(i)] = 1;
        if (parts_[std::size_t(i)].holdsText()) readText(parts_[std::size_t(i)], text);
    };
    const auto readWithItsOwn = [&](int i) {
        readPart(i);
        for (std::size_t j = 0; j < parts_.size(); ++j)
            if (i >= 0 && parts_[j].above == i && parts_[j].kind >= Part::Chart) readPart(int(j));
    };
    const auto& el = parts_[0].xml.elements();
    for (std::uint32_t e = 0; e < el.size(); ++e) {
        if (!isP(el[e], "sldId")) continue;
        const std::string* id = el[e].attribute("http://schemas.openxmlformats.org/officeDocument/2006/relationships id");
        if (!id) id = el[e].attribute("http://purl.oclc.org/ooxml/officeDocument/relationships id");
        const auto target = id ? slideById.find(*id) : slideById.end();
        const auto slide = target == slideById.end() ? byName_.end() : byName_.find(target->second);
        if (slide == byName_.end()) continue;
        readWithItsOwn(slide->second);
        readWithItsOwn(parts_[std::size_t(slide->second)].notes);
    }
    for (std::size_t i = 0; i < parts_.size(); ++i) readPart(int(i));
    return {};
}

const ThemeFonts& PptxFormat::themeOf(const Part& part) const {
    static const ThemeFonts none;
    for (const Part* p = &part; p; p = p->above >= 0 ? &parts_[std::size_t(p->above)] : nullptr)
        if (p->theme >= 0) return themes_.at(p->theme);
    return themes_.empty() ? none : themes_.begin()->second;
}

std::string PptxFormat::inherited(const Part& part, std::uint32_t paragraph) const {
    const auto& el = part.xml.elements();
    const std::uint32_t pPr = childOf(el, paragraph, [](const XmlElement& e) { return isA(e, "pPr"); });
    int level = 0;
    if (const std::string* lvl = pPr == kNoElement ? nullptr : el[pPr].attribute("lvl"))
        level = std::max(0, std::min(8, std::atoi(lvl->c_str())));
    // A chart's paragraph carries its runs' defaults itself.
    if (part.kind == Part::Chart && pPr != kNoElement)
        if (std::string f = latinOf(el, childOf(el, pPr, [](const XmlElement& e) { return isA(e, "defRPr"); })); !f.empty())
            return f;
    const std::uint32_t body = el[paragraph].parent;
    if (body == kNoElement) return "+mn-lt";
    LevelFonts own;
    own.read(el, childOf(el, body, [](const XmlElement& e) { return isA(e, "lstStyle"); }));
    if (!own.at(level).empty()) return own.at(level);
    const std::uint32_t shape = el[body].parent;
    std::string type, idx;
    if (part.holdsShapes() && shape != kNoElement && isP(el[shape], "sp") && placeholderOf(el, shape, type, idx)) {
        // Up through the layout and the master, each placeholder's list style, then the
        // master's text style.
        for (const Part* p = &part; p; p = p->above >= 0 ? &parts_[std::size_t(p->above)] : nullptr) {
            if (p != &part)
                if (const Placeholder* match = p->tree.match(type, idx, p->kind == Part::Layout))
                    if (!match->fonts.at(level).empty()) return match->fonts.at(level);
            if (p->kind == Part::Master || p->kind == Part::NotesMaster) {
                if (const std::string& f = p->tree.textStyle(type).at(level); !f.empty()) return f;
                break;
            }
        }
    } else if (part.holdsShapes()) {
        for (const Part* p = &part; p; p = p->above >= 0 ? &parts_[std::size_t(p->above)] : nullptr)
            if (p->kind == Part::Master) {
                if (const std::string& f = p->tree.other.at(level); !f.empty()) return f;
                break;
            }
    }
    if (!presentationDefault_.at(level).empty()) return presentationDefault_.at(level);
    return "+mn-lt";
}

void PptxFormat::readText(Part& part, PackageText& text) {
    const auto& el = part.xml.elements();
    const ThemeFonts& theme = themeOf(part);
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
            open.push_back({i, text.addParagraph(true), {}});
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
                if (!paragraph.looked) paragraph.inherited = inherited(part, paragraph.element);
                paragraph.looked = true;
                font = paragraph.inherited;
            }
            font = theme.resolve(font);
            const LegacyFont* legacy = legacyFontNamed(font);
            const std::uint32_t piece = text.addPiece(e.text);
            const std::uint32_t fontName = text.fontIndex(font);
            std::size_t counted = 0;
            for (std::size_t k = 0; k < e.text.size();) {
                const char32_t c = nextCodePoint(e.text, k);
                const int code = legacy ? legacyCode(c) : -1;
                chars.push_back({c, code, code >= 0 ? legacy : nullptr, piece, fontName});
                counted += c >= 0x20;
            }
            text.noteFont(font, counted);
            if (part.runs.empty() || part.runs.back().element != owner) part.runs.push_back({owner, rPr});
            part.pieces.push_back({piece, i, std::uint32_t(part.runs.size() - 1)});
        }
    }
    while (!open.empty()) {
        text.endParagraph(open.back().slot);
        open.pop_back();
    }
}

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
    std::string font;
    appendXmlEscaped(font, options.unicodeFont);
    const XmlElement& r = el[run.element];
    std::string fonts;
    for (const char* slot : {"latin", "ea", "cs"})
        fonts += "<" + writtenName(xml, r, slot) + " typeface=\"" + font + "\"/>";
    const std::string name = writtenName(xml, r, "rPr");
    if (run.rPr == kNoElement) return "<" + name + " lang=\"ml-IN\">" + fonts + "</" + name + ">";
    const XmlElement& p = el[run.rPr];
    std::string out;
    auto [from, to] = xml.attributeValueRange(p, "lang");
    std::size_t tagEnd = p.startEnd - (p.empty() ? 2 : 1);
    while (tagEnd > p.start && (bytes[tagEnd - 1] == ' ' || bytes[tagEnd - 1] == '\t' || bytes[tagEnd - 1] == '\n' || bytes[tagEnd - 1] == '\r'))
        --tagEnd;
    if (from != std::string::npos)
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

std::string PptxFormat::write(ZipPackage& zip, const PackageText& text, const ConversionOptions& options) {
    for (Part& part : parts_) {
        const XmlPart& xml = part.xml;
        const auto& el = xml.elements();
        XmlSplice splice;
        const auto whollyKept = [&](std::uint32_t piece) {
            const auto* kept = text.kept(piece);
            return kept && kept->size() == 1 && kept->front().first == 0 &&
                   kept->front().second == text.converted(piece).size();
        };
        for (const PieceAt& at : part.pieces)
            if (text.touched(at.piece) && !whollyKept(at.piece)) part.runs[at.run].touched = true;
        std::map<std::uint32_t, std::string> edited;  // by run, its properties for Unicode text
        const auto propertiesOf = [&](const RunAt& run) -> const std::string& {
            auto [found, isNew] = edited.try_emplace(run.element);
            if (isNew) found->second = unicodeProperties(xml, run, options);
            return found->second;
        };
        for (const PieceAt& at : part.pieces) {
            const RunAt& run = part.runs[at.run];
            if (!text.touched(at.piece) || !run.touched) continue;
            const XmlElement& e = el[at.element];
            const std::string_view converted = text.converted(at.piece);
            const auto* kept = options.unicode ? text.kept(at.piece) : nullptr;
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
        if (options.unicode) {
            for (const RunAt& run : part.runs) {
                if (!run.touched) continue;
                if (run.rPr != kNoElement) splice.replace(el[run.rPr].start, el[run.rPr].end, propertiesOf(run));
                else splice.insert(el[run.element].startEnd, propertiesOf(run));
            }
        } else if (text.anyConverted()) {
            // The legacy font's name, wherever the text takes it from, names the font its text is now in.
            for (std::uint32_t i = 0; i < el.size(); ++i) {
                const std::string_view local = localName(el[i]);
                if (!(local == "latin" || local == "ea" || local == "cs" || local == "sym") || !isA(el[i], local)) continue;
                if (!renamesFont(el[i].attribute("typeface"))) continue;
                auto [from, to] = xml.attributeValueRange(el[i], "typeface");
                if (from != std::string::npos) splice.replace(from, to, kTargetFontName);
            }
        }
        if (!splice.empty()) zip.replace(part.name, splice.apply(xml.bytes()));
    }
    return {};
}

}  // namespace

std::unique_ptr<PackageFormat> makePptxFormat() { return std::make_unique<PptxFormat>(); }

}  // namespace tolvarin
