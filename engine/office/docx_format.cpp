// DOCX: the parts a document's text stands in, found through its relationships, read
// with Word's styles and theme; converted text and fonts are spliced back into the
// parts' own bytes, a long part read and spliced in two halves on two threads.
#include <algorithm>

#include "io/at_once.h"
#include "office/docx_story.h"
#include "office/package_relationships.h"
#include "office/package_format.h"

namespace tolvarin {
namespace {

using namespace docx;

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
    std::string main;
    if (std::string error = officeDocument(zip, main); !error.empty()) return error;
    if (main.empty() && zip.has("word/document.xml")) main = "word/document.xml";
    if (main.empty() || !zip.has(main))
        return "an Office package whose main document, presentation or workbook cannot be found: it may be damaged";
    std::vector<Relationship> rels;
    if (std::string error = readRelationships(zip, main, rels); !error.empty()) return error;

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
