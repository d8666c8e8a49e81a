#include "fonts/legacy_font.h"

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace tolvarin {
namespace {

constexpr char16_t kVirama = 0x0D4D;
constexpr char16_t kRa = 0x0D30;
constexpr char16_t kSignE = 0x0D46, kSignEE = 0x0D47, kSignAI = 0x0D48, kAuLength = 0x0D57;

bool isConsonant(char16_t c) { return c >= 0x0D15 && c <= 0x0D39; }

// A code's kind follows from its value.
GlyphKind kindOf(const UnicodeValue& v) {
    if (v.length == kGeminate) return GlyphKind::Geminate;
    if (v.length == kNoValue) return GlyphKind::Unknown;
    const char16_t first = v.points[0];
    if (v.length == 1 && (first == kSignE || first == kSignEE || first == kSignAI)) return GlyphKind::PreVowel;
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

// clang-format off
const UnicodeValue kPanchariValues[256] = {
#include "panchari_unicode_table.inc"
};
// clang-format on

// Typed ൻ with the RRA glyph after it is NTA.
constexpr LegacyEncoding::Role kPanchariRoles[] = {{0x58, GlyphRole::NtaChillu}, {0xF9, GlyphRole::NtaRra}};

// clang-format off
const UnicodeValue kMlttValues[256] = {
#include "mltt_unicode_table.inc"
};
// clang-format on

constexpr LegacyEncoding::Role kMlttRoles[] = {{0xB3, GlyphRole::NtaChillu}, {0x64, GlyphRole::NtaRra}};

// The family's names, one font.
constexpr std::string_view kMlttNames[] = {
#include "mltt_font_names.inc"
};
// PANCHARI's encoding goes by other names too, each a font of its own.
constexpr std::string_view kPanchariNames[] = {
#include "panchari_font_names.inc"
};
static_assert(kPanchariNames[0] == "PANCHARI");

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
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

LegacyEncoding::LegacyEncoding(const Data& data) : data_(data) {
    if (data.pairSecondCount > kMaxPairSeconds) throw std::logic_error("an encoding with too many pair seconds");
    columns_.fill(std::uint8_t(data.pairSecondCount));
    for (std::size_t k = 0; k < data.pairSecondCount; ++k) columns_[data.pairSeconds[k]] = std::uint8_t(k);
    roles_.fill(GlyphRole::None);
    for (std::size_t r = 0; r < data.roleCount; ++r) roles_[data.roles[r].code] = data.roles[r].role;
    for (int c = 0; c < 256; ++c) {
        const GlyphKind k = kinds_[std::size_t(c)] = kindOf(data.values[c]);
        const bool alone = (k == GlyphKind::Base && roles_[std::size_t(c)] != GlyphRole::NtaChillu) ||
                           k == GlyphKind::Other || k == GlyphKind::PostSign || k == GlyphKind::Virama ||
                           k == GlyphKind::Medial;
        const bool joins = k == GlyphKind::Geminate || k == GlyphKind::Virama || k == GlyphKind::Medial ||
                           k == GlyphKind::PostSign;
        flags_[std::size_t(c)] = std::uint8_t((alone ? kStandsAlone : 0) | (k == GlyphKind::Base ? kIsBase : 0) |
                                              (joins ? kJoinsBase : 0));
        keptAsTyped_[std::size_t(c)] = data.values[c].length <= 0;
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
// sign or a doubling mark that completes no pair after a consonant or conjunct, which the
// rules would pass through to draw another glyph in ML-TTRevathi, is drawn as what it
// means there: the virama and la, or the virama and the last consonant of the glyph
// before, drawn alone.
GlyphCodes panchariToRevathi(int previous, std::uint8_t code, int following) {
    const GlyphCodes g = MapGlyphCode(code, following);
    if (g.length != 0) return g;
    constexpr std::uint8_t kRevathiRi = 0x45, kRevathiVirama = 0x76, kRevathiLa = 0x65;
    if (code == 0x60) return GlyphCodes{{kRevathiRi}, 1, false};
    if (previous < 0) return g;
    const UnicodeValue& before = panchariEncoding().value(std::uint8_t(previous));
    char16_t consonant = 0;  // the last consonant of the glyph before
    for (int k = 0; k < before.length; ++k)
        if (isConsonantPoint(before.points[k])) consonant = before.points[k];
    if (!consonant || !isConsonantPoint(before.points[0])) return g;
    const UnicodeValue& value = panchariEncoding().value(code);
    if (value.length == 2 && value.points[0] == 0x0D4D && value.points[1] == 0x0D32)
        return GlyphCodes{{kRevathiVirama, kRevathiLa}, 2, false};
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

}  // namespace

const LegacyEncoding& panchariEncoding() {
    static const LegacyEncoding encoding({"PANCHARI", kPanchariValues, kPanchariRoles, std::size(kPanchariRoles),
                                          &panchariToRevathi, kPairSecondCodes.data(), kPairSecondCodes.size()});
    return encoding;
}

const LegacyEncoding& mlttEncoding() {
    static const LegacyEncoding encoding({"ML-TT", kMlttValues, kMlttRoles, std::size(kMlttRoles), nullptr, nullptr, 0});
    return encoding;
}

namespace {

// The fonts Tolvarin knows, in the order they are counted: PANCHARI (any name that
// begins so, as the glyph rules were made for), the ML-TT family, then PANCHARI's
// encoding under its other names.
struct Fonts {
    std::vector<LegacyFont> fonts;
    std::vector<const LegacyFont*> list;
    Fonts() {
        fonts.reserve(1 + std::size(kPanchariNames));
        fonts.emplace_back(LegacyFont::Data{"PANCHARI", kPanchariNames[0], nullptr, 0, &panchariEncoding()}, 0);
        fonts.emplace_back(LegacyFont::Data{"ML-TT", {}, kMlttNames, std::size(kMlttNames), &mlttEncoding()}, 1);
        for (std::size_t i = 1; i < std::size(kPanchariNames); ++i)
            fonts.emplace_back(LegacyFont::Data{kPanchariNames[i], {}, &kPanchariNames[i], 1, &panchariEncoding()},
                               fonts.size());
        for (const LegacyFont& f : fonts) list.push_back(&f);
    }
};

const Fonts& knownFonts() {
    static const Fonts fonts;
    return fonts;
}

}  // namespace

const LegacyFont& panchariFont() { return knownFonts().fonts[0]; }
const LegacyFont& mlttFont() { return knownFonts().fonts[1]; }

std::span<const LegacyFont* const> legacyFonts() { return knownFonts().list; }

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
    return nullptr;
}

void addLegacyFontName(std::string_view fontName, const LegacyFont& font) {
    extraNames().push_back({std::string(fontName), &font});
}

void forgetLegacyFontNames() { extraNames().clear(); }

}  // namespace tolvarin
