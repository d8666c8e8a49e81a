// PPTX: the text of slides, notes, layouts, masters, SmartArt and charts, found through
// the package's relationships, each run in the font PowerPoint finds for it; converted
// text and fonts are spliced back into the parts' own bytes.
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <map>
#include <optional>

#include "fonts/glyph_map.h"
#include "io/at_once.h"
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
    // The part's index, taken once; -1 when the package lacks it.
    int add(const ZipPackage& zip, const std::string& name, Part::Kind kind);
    std::string parseAll(const ZipPackage& zip);
    // The font a paragraph's runs take where their own properties name none.
    std::string inherited(const Part& part, std::uint32_t paragraph) const;
    const ThemeFonts& themeOf(const Part& part) const;

    std::deque<Part> parts_;
    std::map<std::string, int> byName_;
    std::map<int, ThemeFonts> themes_;
    LevelFonts presentationDefault_;
};

int PptxFormat::add(const ZipPackage& zip, const std::string& name, Part::Kind kind) {
    if (const auto found = byName_.find(name); found != byName_.end()) return found->second;
    if (!zip.has(name)) return -1;
    parts_.push_back({kind, name, XmlPart(false), -1, -1, -1, {}, {}});
    return byName_[name] = int(parts_.size() - 1);
}

// Every part unpacked (one after another: the archive is read by one thread at a time),
// then parsed, half of them on another thread.
std::string PptxFormat::parseAll(const ZipPackage& zip) {
    std::vector<std::string> bytes(parts_.size()), errors(parts_.size());
    for (std::size_t i = 0; i < parts_.size(); ++i)
        if (std::string error = zip.read(parts_[i].name, bytes[i]); !error.empty()) return error;
    const auto parse = [&](std::size_t from) {
        for (std::size_t i = from; i < parts_.size(); i += 2)
            if (std::string error = parts_[i].xml.parse(std::move(bytes[i])); !error.empty())
                errors[i] = parts_[i].name + ": " + error;
    };
    atOnce([&] { parse(0); }, [&] { parse(1); });
    for (const std::string& error : errors)
        if (!error.empty()) return error;
    return {};
}

std::string PptxFormat::read(const ZipPackage& zip, PackageText& text) {
    std::string main;
    if (std::string error = officeDocument(zip, main); !error.empty()) return error;
    if (main.empty() || !zip.has(main)) main = "ppt/presentation.xml";
    if (add(zip, main, Part::Presentation) < 0) return "not a PowerPoint presentation: the package has no " + main;
    // Every part the presentation leads to, each once, with what it takes its styles from.
    std::map<std::string, std::string> slideById;  // the presentation's relationships to its slides
    for (std::size_t at = 0; at < parts_.size(); ++at) {
        std::vector<Relationship> rels;
        if (std::string error = readRelationships(zip, parts_[at].name, rels); !error.empty()) return error;
        if (at == 0)
            for (const Relationship& r : rels) slideById[r.id] = r.target;
        for (const Relationship& r : rels)
            for (const auto& [type, kind] : kKinds) {
                if (!endsWith(r.type, type)) continue;
                const int found = add(zip, r.target, kind);
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
    if (std::string error = parseAll(zip); !error.empty()) return error;
    std::vector<std::vector<int>> own(parts_.size());  // by part, the charts and diagrams in it
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        Part& part = parts_[i];
        if (part.above >= 0 && part.kind >= Part::Chart && part.kind <= Part::DiagramDrawing)
            own[std::size_t(part.above)].push_back(int(i));
        if (part.kind == Part::Theme) themes_[int(i)].read(part.xml);
        if (part.holdsShapes()) part.tree.read(part.xml.elements());
        if (part.kind != Part::Presentation) continue;
        const auto& el = part.xml.elements();
        for (std::uint32_t e = 0; e < el.size(); ++e)
            if (isP(el[e], "defaultTextStyle")) presentationDefault_.read(el, e);
    }
    // The text in the order a reader meets it: each slide, in the presentation's order, with
    // its charts, diagrams and notes; then the layouts, the masters and anything else.
    std::vector<int> order;
    std::vector<char> placed(parts_.size());
    const auto place = [&](int i) {
        if (i < 0 || placed[std::size_t(i)]) return;
        placed[std::size_t(i)] = 1;
        if (parts_[std::size_t(i)].holdsText()) order.push_back(i);
        for (int j : own[std::size_t(i)])
            if (!placed[std::size_t(j)]) {
                placed[std::size_t(j)] = 1;
                order.push_back(j);
            }
    };
    const auto& el = parts_[0].xml.elements();
    for (std::uint32_t e = 0; e < el.size(); ++e) {
        if (!isP(el[e], "sldId")) continue;
        const std::string* id = relationshipId(el[e]);
        const auto target = id ? slideById.find(*id) : slideById.end();
        const auto slide = target == slideById.end() ? byName_.end() : byName_.find(target->second);
        if (slide == byName_.end()) continue;
        place(slide->second);
        place(parts_[std::size_t(slide->second)].notes);
    }
    for (std::size_t i = 0; i < parts_.size(); ++i) place(int(i));
    const auto readParts = [&](std::size_t from, std::size_t to, PackageText& into) {
        for (std::size_t k = from; k < to; ++k) {
            Part& part = parts_[std::size_t(order[k])];
            drawing::read(part.xml, themeOf(part), [&](std::uint32_t p) { return inherited(part, p); }, into, part.runs,
                          !(part.kind == Part::Layout || part.kind == Part::Master || part.kind == Part::NotesMaster ||
                            part.kind == Part::Handout));
        }
    };
    // A long deck is read in two halves at once, each into a text of its own, the second
    // then taken into the first.
    std::size_t total = 0, half = 0;
    for (int i : order) total += parts_[std::size_t(i)].xml.bytes().size();
    std::size_t meet = order.size();
    if (total >= text.reading().halvesFrom && !text.reading().keepParagraphs)
        for (std::size_t k = 0; k < order.size() && meet == order.size(); ++k)
            if ((half += parts_[std::size_t(order[k])].xml.bytes().size()) >= total / 2) meet = k + 1;
    if (meet == order.size()) {
        readParts(0, order.size(), text);
        return {};
    }
    PackageText second(text.reading());
    atOnce([&] { readParts(0, meet, text); }, [&] { readParts(meet, order.size(), second); });
    const std::uint32_t offset = text.append(std::move(second));
    for (std::size_t k = meet; k < order.size(); ++k)
        for (drawing::PieceAt& at : parts_[std::size_t(order[k])].runs.pieces) at.piece += offset;
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

// Each part's changes made, and deflated, half of them on another thread.
std::string PptxFormat::write(ZipPackage& zip, const PackageText& text, const ConversionOptions& options) {
    std::vector<std::optional<ZipPackage::Replacement>> made(parts_.size());
    const auto change = [&](std::size_t from) {
        for (std::size_t i = from; i < parts_.size(); i += 2) {
            Part& part = parts_[i];
            XmlSplice splice;
            drawing::write(part.xml, part.runs, text, options, splice);
            if (!options.unicode && !options.toLegacy() && text.anyConverted()) drawing::renameTypefaces(part.xml, splice);
            if (!splice.empty()) made[i] = ZipPackage::prepare(splice.apply(part.xml.bytes()));
        }
    };
    atOnce([&] { change(0); }, [&] { change(1); });
    for (std::size_t i = 0; i < parts_.size(); ++i)
        if (made[i]) zip.replace(parts_[i].name, std::move(*made[i]));
    return {};
}

}  // namespace

std::unique_ptr<PackageFormat> makePptxFormat() { return std::make_unique<PptxFormat>(); }

}  // namespace tolvarin
