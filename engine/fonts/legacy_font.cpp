#include "fonts/legacy_font.h"

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
constexpr LegacyFont::Role kPanchariRoles[] = {{0x58, GlyphRole::NtaChillu}, {0xF9, GlyphRole::NtaRra}};

}  // namespace

LegacyFont::LegacyFont(const Data& data) : data_(data) {
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
    }
}

bool LegacyFont::answersTo(std::string_view fontName) const {
    const std::string_view prefix = data_.namePrefix;
    if (fontName.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = fontName[i];
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        if (c != prefix[i]) return false;
    }
    return true;
}

const LegacyFont& panchariFont() {
    static const LegacyFont font({"PANCHARI", kSourceFontPrefix, kPanchariValues, kPanchariRoles,
                                  std::size(kPanchariRoles), &MapGlyphCode});
    return font;
}

const LegacyFont* legacyFontNamed(std::string_view fontName) {
    // The fonts Tolvarin knows, one line each.
    for (const LegacyFont* font : {&panchariFont()})
        if (font->answersTo(fontName)) return font;
    return nullptr;
}

}  // namespace tolvarin
