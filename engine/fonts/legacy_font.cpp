#include "fonts/legacy_font.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace tolvarin {

bool sameName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

namespace {

constexpr char16_t kVirama = 0x0D4D;
constexpr char16_t kRa = 0x0D30;
constexpr char16_t kSignE = 0x0D46, kSignEE = 0x0D47, kSignAI = 0x0D48, kAuLength = 0x0D57, kDotReph = 0x0D4E;

bool isConsonant(char16_t c) { return c >= 0x0D15 && c <= 0x0D39; }

// A code's kind follows from its value.
GlyphKind kindOf(const UnicodeValue& v) {
    if (v.length == kGeminate) return GlyphKind::Geminate;
    if (v.length == kNoValue) return GlyphKind::Unknown;
    const char16_t first = v.points[0];
    if (v.length == 1 && (first == kSignE || first == kSignEE || first == kSignAI)) return GlyphKind::PreVowel;
    if (v.length == 1 && first == kDotReph) return GlyphKind::Reph;
    if (first == kVirama) {
        if (v.length == 1) return GlyphKind::Virama;
        return v.points[1] == kRa && v.length == 2 ? GlyphKind::PreRa : GlyphKind::Medial;
    }
    if (isConsonant(first) || (first >= 0x0D05 && first <= 0x0D14) || first == 0x0D60 || first == 0x0D61 ||
        (first >= 0x0D7A && first <= 0x0D7F))
        return GlyphKind::Base;
    if ((first >= 0x0D3E && first <= 0x0D44) || first == kAuLength || first == 0x0D62 || first == 0x0D63 ||
        first == 0x0D02 || first == 0x0D03)
        return GlyphKind::PostSign;
    return GlyphKind::Other;
}


// A font name without a trailing style word (Normal, Bold, Italic, BoldItalic), with
// or without a hyphen or space before it, and without spaces around it.
std::string_view withoutStyle(std::string_view name) {
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    for (std::string_view style : {"BoldItalic", "Normal", "Bold", "Italic"}) {
        if (name.size() <= style.size() || !sameName(name.substr(name.size() - style.size()), style)) continue;
        std::string_view rest = name.substr(0, name.size() - style.size());
        if (rest.back() == '-' || rest.back() == ' ') rest.remove_suffix(1);
        while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
        if (!rest.empty()) return rest;
    }
    return name;
}

struct ExtraName {
    std::string name;
    const LegacyFont* font;
};
std::vector<ExtraName>& extraNames() {
    static std::vector<ExtraName> names;
    return names;
}

}  // namespace

LegacyEncoding::LegacyEncoding(const EncodingTable& table, RevathiRules rules, std::size_t index)
    : table_(table), rules_(rules), index_(index) {
    if (rules.pairSecondCount > kMaxPairSeconds) throw std::logic_error("an encoding with too many pair seconds");
    columns_.fill(std::uint8_t(rules.pairSecondCount));
    for (std::size_t k = 0; k < rules.pairSecondCount; ++k) columns_[rules.pairSeconds[k]] = std::uint8_t(k);
    roles_.fill(GlyphRole::None);
    if (table.ntaChillu >= 0) {
        roles_[std::size_t(table.ntaChillu)] = GlyphRole::NtaChillu;
        roles_[std::size_t(table.ntaRra)] = GlyphRole::NtaRra;
    }
    for (std::uint8_t code : table.postBase) roles_[code] = GlyphRole::PostBase;
    for (int c = 0; c < 256; ++c)
        latin_[std::size_t(c)] = table.latinFirst >= 0 && c >= table.latinFirst && c <= table.latinLast;
    for (int c = 0; c < 256; ++c) {
        // A bilingual font's Latin codes stay as typed, like codes without a value.
        const GlyphKind k = kinds_[std::size_t(c)] = latin_[std::size_t(c)] ? GlyphKind::Unknown : kindOf(table.values[c]);
        const bool alone = (k == GlyphKind::Base && roles_[std::size_t(c)] != GlyphRole::NtaChillu) ||
                           k == GlyphKind::Other || k == GlyphKind::PostSign || k == GlyphKind::Virama ||
                           k == GlyphKind::Medial;
        // (A reph waits for its base, as the signs typed before a base do.)
        const bool joins = k == GlyphKind::Geminate || k == GlyphKind::Virama || k == GlyphKind::Medial ||
                           k == GlyphKind::PostSign;
        flags_[std::size_t(c)] = std::uint8_t((alone ? kStandsAlone : 0) | (k == GlyphKind::Base ? kIsBase : 0) |
                                              (joins ? kJoinsBase : 0));
        // A bilingual font's spaces may stay with its Latin text too.
        keptAsTyped_[std::size_t(c)] =
            table.values[c].length <= 0 || latin_[std::size_t(c)] || (table.latinFirst >= 0 && c == 0x20);
    }
}

bool LegacyFont::answersTo(std::string_view fontName) const {
    const std::string_view prefix = data_.namePrefix;
    if (!prefix.empty() && fontName.size() >= prefix.size() && sameName(fontName.substr(0, prefix.size()), prefix))
        return true;
    if (data_.nameCount == 0) return false;
    const std::string_view bare = withoutStyle(fontName);
    for (std::size_t i = 0; i < data_.nameCount; ++i)
        if (sameName(bare, withoutStyle(data_.names[i]))) return true;
    return false;
}

namespace {

bool isConsonantPoint(char16_t c) { return c >= 0x0D15 && c <= 0x0D39; }

// PANCHARI into ML-TTRevathi: the glyph rules, and what they leave to us. 0x60 is ഋ (the
// rules hold ML-TTRevathi's ഋ at its place in their list, under a mistyped key). A la
// sign that completes no pair, or a doubling mark that completes none after a consonant
// or conjunct, which the rules would pass through to draw another glyph in ML-TTRevathi,
// is drawn as what it means there: the virama and la, or the virama and the last
// consonant of the glyph before, drawn alone.
GlyphCodes panchariToRevathi(int previous, std::uint8_t code, int following) {
    const GlyphCodes g = MapGlyphCode(code, following);
    if (g.length != 0) return g;
    constexpr std::uint8_t kRevathiRi = 0x45, kRevathiVirama = 0x76, kRevathiLa = 0x65;
    if (code == 0x60) return GlyphCodes{{kRevathiRi}, 1, false};
    // A la sign is the virama and la wherever no pair takes it in: after a consonant, and
    // after a space or a sign too, where its own code would draw ണ്ട or ൽ.
    const UnicodeValue& value = panchariEncoding().value(code);
    if (value.length == 2 && value.points[0] == 0x0D4D && value.points[1] == 0x0D32)
        return GlyphCodes{{kRevathiVirama, kRevathiLa}, 2, false};
    if (previous < 0) return g;
    const UnicodeValue& before = panchariEncoding().value(std::uint8_t(previous));
    char16_t consonant = 0;  // the last consonant of the glyph before
    for (int k = 0; k < before.length; ++k)
        if (isConsonantPoint(before.points[k])) consonant = before.points[k];
    if (!consonant || !isConsonantPoint(before.points[0])) return g;
    if (value.length == kGeminate) {
        // The family's code that draws the consonant alone.
        static const auto alone = [] {
            std::array<std::uint8_t, 0x40> codes{};
            for (int c = 255; c >= 0; --c) {
                const UnicodeValue& v = mlttEncoding().value(std::uint8_t(c));
                if (v.length == 1 && isConsonantPoint(v.points[0])) codes[v.points[0] - 0x0D00] = std::uint8_t(c);
            }
            return codes;
        }();
        if (const std::uint8_t c = alone[consonant - 0x0D00]) return GlyphCodes{{kRevathiVirama, c}, 2, false};
    }
    return g;
}


// The encodings and their fonts, from the tables. The fonts are listed (and counted)
// in the order: each encoding's first, then the others of each, so that PANCHARI and
// ML-TT stand first. An encoding counted under its name is one font answering to all
// its names; one counted by font has a font for each name, the first also answering to
// its prefix.
struct Known {
    std::vector<LegacyEncoding> encodings;
    std::vector<const LegacyEncoding*> encodingList;
    std::vector<LegacyFont> fonts;
    std::vector<const LegacyFont*> list;
    std::vector<const LegacyFont*> firsts;
    std::vector<LegacyFont> found;
    Known() {
        const auto tables = encodingTables();
        encodings.reserve(tables.size());
        for (const EncodingTable& t : tables) {
            LegacyEncoding::RevathiRules rules{};
            if (t.revathiRules == "panchari") rules = {&panchariToRevathi, kPairSecondCodes.data(), kPairSecondCodes.size()};
            encodings.emplace_back(t, rules, encodings.size());
        }
        std::size_t total = 0;
        for (const EncodingTable& t : tables) total += t.countedAsEncoding ? 1 : std::max<std::size_t>(1, t.fonts.size());
        fonts.reserve(total);
        for (const LegacyEncoding& e : encodings) {
            const EncodingTable& t = e.table();
            if (t.countedAsEncoding || t.fonts.empty())
                fonts.emplace_back(LegacyFont::Data{t.name, t.fontPrefix, t.fonts.data(), t.fonts.size(), &e}, fonts.size());
            else if (!t.fontPrefix.empty() && sameName(t.fonts[0].substr(0, t.fontPrefix.size()), t.fontPrefix))
                // The prefix claims the name, as it stands at the name's beginning only.
                fonts.emplace_back(LegacyFont::Data{t.fonts[0], t.fontPrefix, nullptr, 0, &e}, fonts.size());
            else
                fonts.emplace_back(LegacyFont::Data{t.fonts[0], t.fontPrefix, &t.fonts[0], 1, &e}, fonts.size());
            firsts.push_back(&fonts.back());
        }
        for (const LegacyEncoding& e : encodings) {
            const EncodingTable& t = e.table();
            if (t.countedAsEncoding) continue;
            for (std::size_t i = 1; i < t.fonts.size(); ++i)
                fonts.emplace_back(LegacyFont::Data{t.fonts[i], {}, &t.fonts[i], 1, &e}, fonts.size());
        }
        found.reserve(encodings.size());
        for (const LegacyEncoding& e : encodings) {
            const LegacyFont& first = *firsts[e.index()];
            found.emplace_back(LegacyFont::Data{first.name(), {}, nullptr, 0, &e}, first.index(), true);
        }
        for (const LegacyEncoding& e : encodings) encodingList.push_back(&e);
        for (const LegacyFont& f : fonts) list.push_back(&f);
    }
};

const Known& known() {
    static const Known k;
    return k;
}

}  // namespace

std::span<const LegacyEncoding* const> legacyEncodings() { return known().encodingList; }

const LegacyEncoding* legacyEncodingCalled(std::string_view name) {
    for (const LegacyEncoding* e : legacyEncodings())
        if (sameName(e->name(), name)) return e;
    return nullptr;
}

std::string legacyEncodingList(std::string_view lastJoin) {
    std::string list;
    const auto all = legacyEncodings();
    for (std::size_t i = 0; i < all.size(); ++i)
        list += std::string(i == 0 ? "" : i + 1 == all.size() ? lastJoin : ", ") + std::string(all[i]->name());
    return list;
}

const LegacyFont& firstFontOf(const LegacyEncoding& encoding) { return *known().firsts[encoding.index()]; }
const LegacyFont& foundFontOf(const LegacyEncoding& encoding) { return known().found[encoding.index()]; }

const LegacyEncoding& panchariEncoding() {
    static const LegacyEncoding& e = *legacyEncodingCalled("PANCHARI");
    return e;
}

const LegacyEncoding& mlttEncoding() {
    static const LegacyEncoding& e = *legacyEncodingCalled("ML-TT");
    return e;
}

const LegacyFont& panchariFont() { return firstFontOf(panchariEncoding()); }
const LegacyFont& mlttFont() { return firstFontOf(mlttEncoding()); }

std::span<const LegacyFont* const> legacyFonts() { return known().list; }

const LegacyFont* legacyFontNamed(std::string_view fontName) {
    for (const ExtraName& extra : extraNames())
        if (sameName(withoutStyle(fontName), withoutStyle(extra.name))) return extra.font;
    for (const LegacyFont* font : legacyFonts())
        if (font->answersTo(fontName)) return font;
    return nullptr;
}

const LegacyFont* legacyFontCalled(std::string_view name) {
    for (const LegacyFont* font : legacyFonts())
        if (sameName(font->name(), name)) return font;
    if (const LegacyEncoding* e = legacyEncodingCalled(name)) return &firstFontOf(*e);
    return nullptr;
}

void addLegacyFontName(std::string_view fontName, const LegacyFont& font) {
    extraNames().push_back({std::string(fontName), &font});
}

void forgetLegacyFontNames() { extraNames().clear(); }

void forgetFoundFonts() {
    auto& names = extraNames();
    names.erase(std::remove_if(names.begin(), names.end(), [](const ExtraName& n) { return n.font->found(); }),
                names.end());
}

}  // namespace tolvarin
