#include "office/docx_story.h"

#include <cstdlib>

#include "text/utf8.h"

namespace tolvarin::docx {
namespace {

bool endsWith(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

}  // namespace

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
                lastFontIndex_ = text.fontIndex(name);
                lastLegacy_ = text.legacyFont(lastFontIndex_);
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
            const std::size_t before = chars.size();
            addCharacters(chars, e.text, props, piece, false);
            for (std::size_t k = before; k < chars.size() && !at.legacyText; ++k) at.legacyText = chars[k].font != nullptr;
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

// What a run's w:rPr becomes for Unicode text.
}  // namespace tolvarin::docx
