// PPTX: the text of slides, notes, layouts, masters, SmartArt and charts, found through
// the package's relationships, each run in the font PowerPoint finds for it; converted
// text and fonts are spliced back into the parts' own bytes.
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <map>

#include "fonts/glyph_map.h"
#include "office/drawing_text.h"
#include "office/package_format.h"
#include "office/package_relationships.h"
#include "office/pptx_styles.h"
#include "text/utf8.h"

namespace tolvarin {
namespace {

using namespace pptx;

struct Part {
    enum Kind { Presentation, Slide, Layout, Master, Notes, NotesMaster, Handout, Chart, DiagramData, DiagramDrawing, Theme };
    Kind kind;
    std::string name;
    XmlPart xml;
    int above = -1;  // a slide's layout, a layout's master, notes' master; the part a chart or diagram is in
    int theme = -1;
    int notes = -1;  // a slide's notes
    ShapeTree tree;
    drawing::Runs runs;

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
    Part part{kind, name, XmlPart(false), -1, -1, -1, {}, {}};
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
        Part& part = parts_[std::size_t(i)];
        if (part.holdsText())
            drawing::read(part.xml, themeOf(part), [&](std::uint32_t p) { return inherited(part, p); }, text, part.runs,
                          !(part.kind == Part::Layout || part.kind == Part::Master || part.kind == Part::NotesMaster ||
                            part.kind == Part::Handout));
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
    int level = 0;
    if (std::string own = drawing::ownFont(part.xml, paragraph, part.kind == Part::Chart, level); !own.empty()) return own;
    const std::uint32_t body = el[paragraph].parent;
    if (body == kNoElement) return "+mn-lt";
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

std::string PptxFormat::write(ZipPackage& zip, const PackageText& text, const ConversionOptions& options) {
    for (Part& part : parts_) {
        XmlSplice splice;
        drawing::write(part.xml, part.runs, text, options, splice);
        if (!options.unicode && text.anyConverted()) drawing::renameTypefaces(part.xml, splice);
        if (!splice.empty()) zip.replace(part.name, splice.apply(part.xml.bytes()));
    }
    return {};
}

}  // namespace

std::unique_ptr<PackageFormat> makePptxFormat() { return std::make_unique<PptxFormat>(); }

}  // namespace tolvarin
