// XLSX: the text of shared strings, inline strings, comments, and headers and footers,
// each run in the font Excel shows it in (its own rFont, else its cell's format's font);
// a shared string that cells of different fonts show is split, so that each cell shows
// what it showed. Numbers, formulas, defined names and sheet names are not text here.
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <map>

#include "fonts/glyph_map.h"
#include "office/drawing_text.h"
#include "office/package_format.h"
#include "office/package_relationships.h"
#include "office/pptx_styles.h"
#include "office/xlsx_styles.h"
#include "text/utf8.h"

namespace tolvarin {
namespace {

using namespace xlsx;

struct PieceAt {
    std::uint32_t piece, element;  // the t element (or the header's element)
    std::uint32_t run;             // its r element, or kNoElement
};

struct Part {
    enum Kind { Workbook, Sheet, SharedStrings, StylesPart, Comments, Theme, Drawing, Chart } kind;
    std::string name;
    XmlPart xml;
    drawing::Runs runs;  // a drawing's or a chart's text
};

// A cell whose text is a shared string (`item`, and the copy it is shown by) or its own.
struct Cell {
    std::uint32_t part, element, value;  // value: its v (shared) or is (inline) element
    std::uint32_t format;
    bool shared;
    std::uint32_t item = 0, variant = 0;
    std::uint32_t paragraph = 0;  // an inline string's, in `inline_`
    bool asTyped = false;  // a value's cell: its text as it stands
};

// A shared string as it shows in one font: the string itself, or a copy added for cells
// that show it in another.
struct Variant {
    std::uint32_t item;
    std::string font;
    std::uint32_t index;  // the number cells name it by
    std::vector<PieceAt> pieces;
    std::uint32_t format = 0;  // a format of the cells that show it
};

// A header or footer: its element, its pieces (codes kept as written), and the text's.
struct HeaderAt {
    std::uint32_t part, element;
    std::vector<HeaderPiece> pieces;
    std::vector<std::uint32_t> textPieces;  // by piece of `pieces`, its PackageText piece (text only)
};

class XlsxFormat final : public PackageFormat {
public:
    std::string read(const ZipPackage& zip, PackageText& text) override;
    std::string write(ZipPackage& zip, const PackageText& text, const ConversionOptions& options) override;

private:
    int load(const ZipPackage& zip, const std::string& name, Part::Kind kind, std::string& error);
    // Reads string item `item` (si, is, or a comment's text) as one paragraph, its runs
    // without a font of their own in `font`.
    void readItem(std::uint32_t part, std::uint32_t item, const std::string& font, std::vector<PieceAt>& pieces,
                  PackageText& text);
    void readCells(std::uint32_t part);
    void readHeaders(std::uint32_t part, PackageText& text);
    bool touched(const std::vector<PieceAt>& pieces, const PackageText& text) const;
    void writeRuns(const Part& part, const std::vector<PieceAt>& pieces, const PackageText& text,
                   const ConversionOptions& options, std::size_t base, XmlSplice& splice,
                   std::uint32_t format = 0) const;

    std::deque<Part> parts_;
    std::map<std::string, int> byName_;
    int strings_ = -1, styles_ = -1;
    Styles formats_;
    std::vector<std::uint32_t> items_;  // the shared strings' si elements, by number
    std::vector<Cell> cells_;
    std::vector<Variant> variants_;
    std::vector<std::vector<std::uint32_t>> variantsOf_;  // by item
    struct Inline {
        std::uint32_t part;
        std::vector<PieceAt> pieces;
        std::uint32_t format = 0;  // its cell's (a comment's: 0)
    };
    std::vector<Inline> inline_;  // inline strings' and comments' pieces
    std::vector<HeaderAt> headers_;
    bool byCell_ = false;
    pptx::ThemeFonts theme_;
};

int XlsxFormat::load(const ZipPackage& zip, const std::string& name, Part::Kind kind, std::string& error) {
    if (const auto found = byName_.find(name); found != byName_.end()) return found->second;
    if (!zip.has(name)) return -1;
    std::string bytes;
    if (error = zip.read(name, bytes); !error.empty()) return -1;
    Part part{kind, name, XmlPart(false), {}};
    if (error = part.xml.parse(std::move(bytes)); !error.empty()) {
        error = name + ": " + error;
        return -1;
    }
    parts_.push_back(std::move(part));
    return byName_[name] = int(parts_.size() - 1);
}

void XlsxFormat::readItem(std::uint32_t p, std::uint32_t item, const std::string& font, std::vector<PieceAt>& pieces,
                          PackageText& text) {
    const auto& el = parts_[p].xml.elements();
    std::vector<OfficeChar>& chars = text.paragraphs[text.addParagraph(true)];
    const std::size_t slot = text.paragraphs.size() - 1;
    for (std::uint32_t i = item + 1; i < el.size() && el[i].depth > el[item].depth; ++i) {
        const XmlElement& e = el[i];
        if (!isS(e, "t")) continue;
        std::uint32_t run = kNoElement;
        std::string runFont = font;
        if (e.parent != item) {
            if (!isS(el[e.parent], "r") || el[e.parent].parent != item) continue;  // a phonetic guide's text
            run = e.parent;
            for (std::uint32_t c = run + 1; c < i; ++c)
                if (el[c].parent == run && isS(el[c], "rPr"))
                    if (const std::string* named = childValue(el, c, "rFont")) runFont = *named;
        }
        pieces.push_back({text.addText(chars, e.text, runFont), i, run});
    }
    text.endParagraph(slot);
}

// Which cells show text: shared strings by number, inline strings as they stand.
void XlsxFormat::readCells(std::uint32_t p) {
    const auto& el = parts_[p].xml.elements();
    for (std::uint32_t i = 0; i < el.size(); ++i) {
        const XmlElement& e = el[i];
        if (!isS(e, "c")) continue;
        const std::string* type = e.attribute("t");
        const bool text = type && (*type == "s" || *type == "inlineStr");
        // A number's, a formula's or a truth value's cell is read for the text only, as it stands.
        if (!text && !byCell_) continue;
        const std::string* s = e.attribute("s");
        Cell cell{p, i, kNoElement, s ? std::uint32_t(std::strtoul(s->c_str(), nullptr, 10)) : 0, text && *type == "s"};
        cell.asTyped = !text;
        for (std::uint32_t c = i + 1; c < el.size() && el[c].depth > e.depth; ++c)
            if (el[c].parent == i && isS(el[c], text && *type == "inlineStr" ? "is" : "v")) cell.value = c;
        if (cell.value == kNoElement) continue;
        if (cell.shared) {
            const std::string v(el[cell.value].text);
            char* end = nullptr;
            const unsigned long n = std::strtoul(v.c_str(), &end, 10);
            if (end == v.c_str() || n >= items_.size()) continue;  // Excel would refuse it; left as it is
            cell.item = std::uint32_t(n);
        }
        cells_.push_back(cell);
    }
}

void XlsxFormat::readHeaders(std::uint32_t p, PackageText& text) {
    const auto& el = parts_[p].xml.elements();
    for (std::uint32_t i = 0; i < el.size(); ++i) {
        const XmlElement& e = el[i];
        if (e.parent == kNoElement || !isS(el[e.parent], "headerFooter") || e.text.empty()) continue;
        HeaderAt header{p, i, splitHeaderFooter(e.text, formats_.fontOf(0)), {}};
        std::vector<OfficeChar>& chars = text.paragraphs[text.addParagraph(true)];
        const std::size_t slot = text.paragraphs.size() - 1;
        for (const HeaderPiece& h : header.pieces) {
            if (!h.text) {
                header.textPieces.push_back(0);
                continue;
            }
            header.textPieces.push_back(text.addText(chars, h.bytes, h.font, true));
        }
        text.endParagraph(slot);
        headers_.push_back(std::move(header));
    }
}

std::string XlsxFormat::read(const ZipPackage& zip, PackageText& text) {
    byCell_ = text.reading().plainText || text.reading().keepParagraphs;
    std::string main;
    if (std::string error = officeDocument(zip, main); !error.empty()) return error;
    if (main.empty() || !zip.has(main)) main = "xl/workbook.xml";
    std::string error;
    if (load(zip, main, Part::Workbook, error) < 0)
        return error.empty() ? "not an Excel workbook: the package has no " + main : error;
    std::vector<Relationship> rels;
    if (error = readRelationships(zip, main, rels); !error.empty()) return error;
    std::map<std::string, std::string> sheetById;
    for (const Relationship& r : rels) {
        if (endsWith(r.type, "/worksheet")) sheetById[r.id] = r.target;
        else if (endsWith(r.type, "/sharedStrings")) strings_ = load(zip, r.target, Part::SharedStrings, error);
        else if (endsWith(r.type, "/styles")) styles_ = load(zip, r.target, Part::StylesPart, error);
        else if (endsWith(r.type, "/theme")) load(zip, r.target, Part::Theme, error);
        if (!error.empty()) return error;
    }
    // The sheets in the workbook's order, each with its comments.
    const auto& wb = parts_[0].xml.elements();
    std::vector<int> sheets;
    for (std::uint32_t e = 0; e < wb.size(); ++e) {
        if (!isS(wb[e], "sheet")) continue;
        const std::string* id = relationshipId(wb[e]);
        const auto target = id ? sheetById.find(*id) : sheetById.end();
        if (target == sheetById.end()) continue;
        const int sheet = load(zip, target->second, Part::Sheet, error);
        if (!error.empty()) return error;
        if (sheet < 0) continue;
        sheets.push_back(sheet);
        std::vector<Relationship> own;
        if (error = readRelationships(zip, target->second, own); !error.empty()) return error;
        for (const Relationship& r : own) {
            int drawn = -1;
            if (endsWith(r.type, "/comments")) load(zip, r.target, Part::Comments, error);
            else if (endsWith(r.type, "/drawing")) drawn = load(zip, r.target, Part::Drawing, error);
            if (!error.empty()) return error;
            if (drawn < 0) continue;
            // A drawing's charts.
            std::vector<Relationship> charts;
            if (error = readRelationships(zip, r.target, charts); !error.empty()) return error;
            for (const Relationship& c : charts)
                if (endsWith(c.type, "/chart") && load(zip, c.target, Part::Chart, error) < 0 && !error.empty()) return error;
        }
    }
    formats_.read(styles_ >= 0 ? &parts_[std::size_t(styles_)].xml : nullptr);
    for (const Part& part : parts_)
        if (part.kind == Part::Theme) theme_.read(part.xml);
    if (strings_ >= 0) {
        const auto& el = parts_[std::size_t(strings_)].xml.elements();
        for (std::uint32_t i = 0; i < el.size(); ++i)
            if (el[i].parent == 0 && isS(el[i], "si")) items_.push_back(i);
    }
    for (int sheet : sheets) readCells(std::uint32_t(sheet));

    const auto readInline = [&](const Cell& cell, const std::string& font) {
        inline_.push_back({cell.part, {}, cell.format});
        readItem(cell.part, cell.value, font, inline_.back().pieces, text);
        return std::uint32_t(inline_.size() - 1);
    };
    if (byCell_) {
        // As a reader meets the text: cell by cell, sheet by sheet.
        std::vector<PieceAt> unused;
        for (Cell& cell : cells_) {
            const std::string& font = formats_.fontOf(cell.format);
            if (cell.asTyped) {
                const std::string_view value = parts_[cell.part].xml.elements()[cell.value].text;
                const std::uint32_t piece = text.addPiece(value);
                std::vector<OfficeChar>& chars = text.paragraphs[text.addParagraph(true)];
                for (std::size_t k = 0; k < value.size();) chars.push_back({nextCodePoint(value, k), -1, nullptr, piece, 0});
                text.endParagraph(text.paragraphs.size() - 1);
            } else if (cell.shared) readItem(std::uint32_t(strings_), items_[cell.item], font, unused, text);
            else cell.paragraph = readInline(cell, font);
        }
    } else {
        // Each shared string once for each font its cells show it in, where its text takes
        // the cell's font (a font of no legacy encoding stands for all such); a string whose
        // every run names its font shows alike in every cell, and is read once.
        variantsOf_.resize(items_.size());
        std::vector<char> cellFont(items_.size());
        const auto& el = parts_[std::size_t(strings_ < 0 ? 0 : strings_)].xml.elements();
        for (std::uint32_t item = 0; item < items_.size(); ++item) {
            const std::uint32_t si = items_[item];
            for (std::uint32_t i = si + 1; i < el.size() && el[i].depth > el[si].depth && !cellFont[item]; ++i) {
                if (el[i].parent != si) continue;
                if (isS(el[i], "t")) cellFont[item] = 1;
                if (!isS(el[i], "r")) continue;
                const std::uint32_t rPr = pptx::childOf(el, i, [](const XmlElement& c) { return isS(c, "rPr"); });
                cellFont[item] = rPr == kNoElement || !childValue(el, rPr, "rFont");
            }
        }
        // Into a legacy font, text kept beside the converted stays in its cell's font: each
        // font its own.
        const bool everyFont = text.reading().legacy.to != nullptr;
        const auto key = [&](std::uint32_t item, std::size_t format) {
            if (!cellFont[item]) return std::string("*");
            return everyFont || formats_.legacyFontOf(format) ? formats_.fontOf(format) : std::string();
        };
        for (Cell& cell : cells_) {
            if (!cell.shared) {
                cell.paragraph = readInline(cell, formats_.fontOf(cell.format));
                continue;
            }
            auto& list = variantsOf_[cell.item];
            const std::string font = key(cell.item, cell.format);
            std::size_t v = 0;
            while (v < list.size() && variants_[list[v]].font != font) ++v;
            if (v == list.size()) {
                list.push_back(std::uint32_t(variants_.size()));
                variants_.push_back({cell.item, font, 0, {}, cell.format});
            }
            cell.variant = list[v];
        }
        std::uint32_t next = std::uint32_t(items_.size());
        for (std::uint32_t item = 0; item < items_.size(); ++item) {
            auto& list = variantsOf_[item];
            if (list.empty()) {  // a string no cell shows
                list.push_back(std::uint32_t(variants_.size()));
                variants_.push_back({item, key(item, 0), 0, {}, 0});
            }
            for (std::size_t v = 0; v < list.size(); ++v) {
                Variant& variant = variants_[list[v]];
                variant.index = v == 0 ? item : next++;
                readItem(std::uint32_t(strings_), items_[item],
                         variant.font == "*" || (everyFont && !legacyFontNamed(variant.font)) ? std::string() : variant.font,
                         variant.pieces, text);
            }
        }
    }
    for (std::uint32_t p = 0; p < parts_.size(); ++p) {
        if (parts_[p].kind == Part::Comments) {
            const auto& el = parts_[p].xml.elements();
            for (std::uint32_t i = 0; i < el.size(); ++i)
                if (isS(el[i], "text") && el[i].parent != kNoElement && isS(el[el[i].parent], "comment")) {
                    inline_.push_back({p, {}});
                    readItem(p, i, std::string(), inline_.back().pieces, text);
                }
        } else if (parts_[p].kind == Part::Sheet) {
            readHeaders(p, text);
        } else if (parts_[p].kind == Part::Drawing || parts_[p].kind == Part::Chart) {
            const bool chart = parts_[p].kind == Part::Chart;
            const XmlPart& xml = parts_[p].xml;
            drawing::read(xml, theme_, [&](std::uint32_t paragraph) {
                int level;
                std::string own = drawing::ownFont(xml, paragraph, chart, level);
                return own.empty() ? std::string("+mn-lt") : own;
            }, text, parts_[p].runs);
        }
    }
    return {};
}

// The rPr of run `run` (whose text element is `text`) as written, or empty.
std::uint32_t runProperties(const XmlPart& xml, std::uint32_t run, std::uint32_t text) {
    const auto& el = xml.elements();
    for (std::uint32_t c = run + 1; c < text; ++c)
        if (el[c].parent == run && isS(el[c], "rPr")) return c;
    return kNoElement;
}

std::string_view runPropertiesBytes(const XmlPart& xml, std::uint32_t run, std::uint32_t text) {
    const std::uint32_t rPr = runProperties(xml, run, text);
    if (rPr == kNoElement) return {};
    const XmlElement& e = xml.elements()[rPr];
    return std::string_view(xml.bytes()).substr(e.start, e.end - e.start);
}

// The run's properties with `font` (escaped) for its font: rFont set, the charset and
// theme scheme that would choose another dropped.
std::string fontInRunProperties(const XmlPart& xml, std::uint32_t run, std::uint32_t text, const std::string& font,
                                const std::string& prefix) {
    const std::string rFont = "<" + prefix + "rFont val=\"" + font + "\"/>";
    const std::uint32_t rPr = runProperties(xml, run, text);
    if (rPr == kNoElement) return "<" + prefix + "rPr>" + rFont + "</" + prefix + "rPr>";
    const auto& el = xml.elements();
    const std::string_view bytes = xml.bytes();
    const XmlElement& p = el[rPr];
    const std::string name(bytes.substr(p.start + 1, bytes.find_first_of(" \t\r\n/>", p.start + 1) - p.start - 1));
    std::string out(bytes.substr(p.start, p.startEnd - p.start));
    if (p.empty()) {
        out.resize(out.size() - 2);  // "/>"
        while (!out.empty() && (out.back() == ' ' || out.back() == '/')) out.pop_back();
        out += ">";
    }
    out += rFont;
    for (std::uint32_t c = rPr + 1; c < el.size() && el[c].depth > p.depth; ++c)
        if (el[c].parent == rPr && !isS(el[c], "rFont") && !isS(el[c], "charset") && !isS(el[c], "scheme"))
            out.append(bytes.substr(el[c].start, el[c].end - el[c].start));
    return out + "</" + name + ">";
}

bool XlsxFormat::touched(const std::vector<PieceAt>& pieces, const PackageText& text) const {
    for (const PieceAt& at : pieces)
        if (text.touched(at.piece) && text.converted(at.piece) != text.original(at.piece)) return true;
    return false;
}

// The converted text of `pieces`, and in Unicode the Unicode font for each converted run
// that names its own font; `base`: where the bytes the splice works on begin in the part.
void XlsxFormat::writeRuns(const Part& part, const std::vector<PieceAt>& pieces, const PackageText& text,
                           const ConversionOptions& options, std::size_t base, XmlSplice& splice,
                           std::uint32_t format) const {
    const XmlPart& xml = part.xml;
    const auto& el = xml.elements();
    std::string font;
    appendXmlEscaped(font, options.toLegacy() ? options.toFont : options.unicodeFont);
    std::uint32_t lastRun = kNoElement;
    for (const PieceAt& at : pieces) {
        if (!text.touched(at.piece)) continue;
        const XmlElement& e = el[at.element];
        const std::string_view converted = text.converted(at.piece);
        if (const auto* kept = options.toLegacy() ? text.kept(at.piece) : nullptr) {
            // Into a legacy font: what is kept stays in a run of its own in the font it showed
            // in, the run's own properties or its cell's; the rest takes the font.
            const std::string prefix = xml.prefix(e).empty() ? "" : std::string(xml.prefix(e)) + ":";
            const std::string t = prefix + "t", r = prefix + "r";
            std::string keptProperties, convertedProperties;
            if (at.run == kNoElement) {
                keptProperties = formats_.runPropertiesOf(format);
            } else {
                keptProperties = std::string(runPropertiesBytes(xml, at.run, at.element));
                convertedProperties = fontInRunProperties(xml, at.run, at.element, font, prefix);
            }
            const auto segment = [&](std::string_view bytes, const std::string& properties) {
                if (bytes.empty()) return std::string();
                std::string out = "<" + r + ">" + properties + "<" + t + " xml:space=\"preserve\">";
                appendXmlEscaped(out, bytes);
                return out + "</" + t + "></" + r + ">";
            };
            std::string written;
            std::size_t done = 0;
            for (const auto& [begin, end] : *kept) {
                written += segment(converted.substr(done, begin - done), convertedProperties);
                written += segment(converted.substr(begin, end - begin), keptProperties);
                done = end;
            }
            written += segment(converted.substr(done), convertedProperties);
            // The text element (a run's: the run) gives way to the runs.
            const XmlElement& whole = at.run == kNoElement ? e : el[at.run];
            splice.replace(whole.start - base, whole.end - base, written);
            lastRun = at.run;
            continue;
        }
        if (converted != text.original(at.piece)) {
            if (e.empty()) {
                const std::string name = xml.prefix(e).empty() ? "t" : std::string(xml.prefix(e)) + ":t";
                std::string written = "<" + name + " xml:space=\"preserve\">";
                appendXmlEscaped(written, converted);
                splice.replace(e.start - base, e.end - base, written + "</" + name + ">");
            } else {
                splice.replaceEscaped(e.startEnd - base, e.endStart - base, converted);
            }
        }
        if ((!options.unicode && !options.toLegacy()) || at.run == kNoElement || at.run == lastRun) continue;
        lastRun = at.run;
        const std::string prefix = xml.prefix(el[at.run]).empty() ? "" : std::string(xml.prefix(el[at.run])) + ":";
        std::uint32_t rPr = kNoElement;
        for (std::uint32_t c = at.run + 1; c < at.element; ++c)
            if (el[c].parent == at.run && isS(el[c], "rPr")) rPr = c;
        if (rPr == kNoElement) {
            if (converted.empty()) continue;
            splice.insert(el[at.run].startEnd - base, "<" + prefix + "rPr><" + prefix + "rFont val=\"" + font + "\"/></" + prefix + "rPr>");
            continue;
        }
        // The run's font, its charset and theme scheme, which would choose another font, go.
        bool named = false;
        for (std::uint32_t c = rPr + 1; c < el.size() && el[c].depth > el[rPr].depth; ++c) {
            if (el[c].parent != rPr) continue;
            if (isS(el[c], "rFont")) {
                auto [from, to] = xml.attributeValueRange(el[c], "val");
                if (from != std::string::npos) splice.replace(from - base, to - base, font);
                named = true;
            } else if (isS(el[c], "charset") || isS(el[c], "scheme")) {
                splice.replace(el[c].start - base, el[c].end - base, "");
            }
        }
        if (!named) splice.insert(el[rPr].startEnd - base, "<" + prefix + "rFont val=\"" + font + "\"/>");
    }
}

// To ML-TTRevathi: a PANCHARI font's name, wherever a run or format names it.
void renameFonts(const XmlPart& xml, XmlSplice& splice) {
    const auto& el = xml.elements();
    for (std::uint32_t i = 0; i < el.size(); ++i) {
        const XmlElement& e = el[i];
        const bool named = isS(e, "name") || isS(e, "rFont");
        const bool typeface = pptx::isA(e, "latin") || pptx::isA(e, "ea") || pptx::isA(e, "cs");
        if (!named && !typeface) continue;
        const std::string* value = e.attribute(named ? "val" : "typeface");
        if (!value || !convertsFont(legacyFontNamed(*value), false)) continue;
        auto [from, to] = xml.attributeValueRange(e, named ? "val" : "typeface");
        if (from != std::string::npos) splice.replace(from, to, kTargetFontName);
    }
}

std::string XlsxFormat::write(ZipPackage& zip, const PackageText& text, const ConversionOptions& options) {
    std::vector<XmlSplice> splices(parts_.size());
    // Shared strings: each in place, its copies added at the end for the cells that show them.
    if (strings_ >= 0) {
        const Part& part = parts_[std::size_t(strings_)];
        const auto& el = part.xml.elements();
        XmlSplice& splice = splices[std::size_t(strings_)];
        std::string added;
        std::size_t copies = 0;
        for (const Variant& v : variants_) {
            if (v.index == v.item) {
                writeRuns(part, v.pieces, text, options, 0, splice, v.format);
                continue;
            }
            const XmlElement& si = el[items_[v.item]];
            XmlSplice own;
            writeRuns(part, v.pieces, text, options, si.start, own, v.format);
            added += own.apply(part.xml.bytes().substr(si.start, si.end - si.start));
            ++copies;
        }
        if (copies) {
            const XmlElement& sst = el[0];
            if (const std::string* unique = sst.attribute("uniqueCount")) {
                auto [from, to] = part.xml.attributeValueRange(sst, "uniqueCount");
                if (from != std::string::npos)
                    splice.replace(from, to, std::to_string(std::strtoul(unique->c_str(), nullptr, 10) + copies));
            }
            splice.insert(sst.endStart, added);
        }
    }
    for (const Inline& own : inline_)
        writeRuns(parts_[own.part], own.pieces, text, options, 0, splices[own.part], own.format);
    // Cells: a copy's number, and in Unicode a format whose font is the Unicode font for a
    // cell whose legacy text converted.
    for (const Cell& cell : cells_) {
        const Part& part = parts_[cell.part];
        const auto& el = part.xml.elements();
        XmlSplice& splice = splices[cell.part];
        bool converted;
        if (cell.shared) {
            const Variant& v = variants_[cell.variant];
            if (v.index != v.item) splice.replace(el[cell.value].startEnd, el[cell.value].endStart, std::to_string(v.index));
            converted = touched(v.pieces, text);
        } else {
            converted = touched(inline_[cell.paragraph].pieces, text);
        }
        if ((!options.unicode && !options.toLegacy()) || !converted) continue;
        // A cell's format changes where the text in its own font converted.
        if (options.unicode ? !formats_.legacyFontOf(cell.format)
                            : cell.shared && variants_[cell.variant].font == "*")
            continue;
        const std::string format = std::to_string(formats_.unicodeFormat(cell.format));
        auto [from, to] = part.xml.attributeValueRange(el[cell.element], "s");
        if (from != std::string::npos) splice.replace(from, to, format);
        else splice.insert(el[cell.element].startEnd - (el[cell.element].empty() ? 2 : 1), " s=\"" + format + "\"");
    }
    for (const HeaderAt& header : headers_) {
        bool changed = false;
        std::string written;
        for (std::size_t k = 0; k < header.pieces.size(); ++k) {
            const HeaderPiece& h = header.pieces[k];
            if (!h.text) {
                const LegacyFont* legacy = h.fontCode ? legacyFontNamed(h.font) : nullptr;
                const bool renamed = options.toLegacy() ? legacy != nullptr : convertsFont(legacy, options.unicode);
                if (legacy && renamed && text.anyConverted()) {
                    written += renamedFontCode(h.bytes, options.toLegacy() ? options.toFont
                                                        : options.unicode  ? options.unicodeFont
                                                                           : std::string(kTargetFontName));
                    changed = true;
                } else {
                    written += h.bytes;
                }
                continue;
            }
            const std::uint32_t piece = header.textPieces[k];
            const bool converted = text.touched(piece) && text.converted(piece) != text.original(piece);
            // Text in the default font: a font code of its own puts it in the Unicode font.
            if (converted && options.unicode && !h.fontCode) written += "&\"" + options.unicodeFont + ",Regular\"";
            if (converted && options.toLegacy() && !legacyFontNamed(h.font)) written += "&\"" + options.toFont + ",Regular\"";
            changed = changed || converted;
            for (char c : text.converted(piece)) written += c == '&' ? std::string("&&") : std::string(1, c);
        }
        if (!changed) continue;
        const XmlElement& e = parts_[header.part].xml.elements()[header.element];
        splices[header.part].replaceEscaped(e.startEnd, e.endStart, written);
    }
    if ((options.unicode || options.toLegacy()) && styles_ >= 0)
        formats_.write(splices[std::size_t(styles_)], options.toLegacy() ? options.toFont : options.unicodeFont);
    for (std::size_t p = 0; p < parts_.size(); ++p) {
        drawing::write(parts_[p].xml, parts_[p].runs, text, options, splices[p]);
        if (!options.unicode && !options.toLegacy() && text.anyConverted()) renameFonts(parts_[p].xml, splices[p]);
        if (!splices[p].empty()) zip.replace(parts_[p].name, splices[p].apply(parts_[p].xml.bytes()));
    }
    return {};
}

}  // namespace

std::unique_ptr<PackageFormat> makeXlsxFormat() { return std::make_unique<XlsxFormat>(); }

}  // namespace tolvarin
