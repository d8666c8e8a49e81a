#include "fonts/legacy_font.h"

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
constexpr LegacyFont::Role kPanchariRoles[] = {{0x58, GlyphRole::NtaChillu}, {0xF9, GlyphRole::NtaRra}};

// clang-format off
const UnicodeValue kMlttValues[256] = {
#include "mltt_unicode_table.inc"
};
// clang-format on

constexpr LegacyFont::Role kMlttRoles[] = {{0xB3, GlyphRole::NtaChillu}, {0x64, GlyphRole::NtaRra}};

// The family's names, one encoding.
constexpr std::string_view kMlttNames[] = {
    "ML-Aathira", "ML-Ambili", "ML-Anakha", "ML-Anjali", "ML-Aparna", "ML-Ashtamudi", "ML-Atchu", "ML-Ayilyam",
    "ML-Beckal", "ML-Bhavana", "ML-Chandrika", "ML-Chithira", "ML-Devika", "ML-Gauri", "ML-Gauri-Heavy",
    "ML-Geethika", "ML-Gopika", "ML-Guruvayur", "ML-Indulekha", "ML-Jyothy", "ML-Jyotsna", "ML-Kala", "ML-Kamini",
    "ML-Kanika", "ML-Karthika", "ML-Kaumudi", "ML-Keerthi", "ML-Leela", "ML-Leela-Heavy", "ML-Madhavi",
    "ML-Malavika", "ML-Mangala", "ML-Nalini", "ML-Nandini", "ML-Nanditha", "ML-Narmada", "ML-Nila", "ML-Onam",
    "ML-Periyar", "ML-Pooram", "ML-Poornima", "ML-Ravivarma-Bold", "ML-Ravivarma-BoldItalic",
    "ML-Ravivarma-Italic", "ML-Revathi", "ML-Rohini", "ML-Sabari", "ML-Sankara", "ML-Sarada", "ML-Sruthy",
    "ML-Sugatha", "ML-Suparna", "ML-Surya-Bold", "ML-Swathy", "ML-TTAathira", "ML-TTAmbili", "ML-TTAnakha",
    "ML-TTAnjali", "ML-TTAparna", "ML-TTAshtamudi", "ML-TTAtchu", "ML-TTAyilyam", "ML-TTBeckal", "ML-TTBhavana",
    "ML-TTChandrika", "ML-TTChithira", "ML-TTDevika", "ML-TTGauri", "ML-TTGauri-Heavy", "ML-TTGeethika",
    "ML-TTGopika", "ML-TTGuruvayur", "ML-TTIndulekha", "ML-TTJyothy", "ML-TTJyotsna-Bold", "ML-TTKala",
    "ML-TTKamini", "ML-TTKanika", "ML-TTKarthika", "ML-TTKaumudi", "ML-TTKeerthi", "ML-TTLeela",
    "ML-TTLeela-Heavy", "ML-TTMadhavi", "ML-TTMalavika", "ML-TTMangala", "ML-TTNalini", "ML-TTNandini",
    "ML-TTNanditha", "ML-TTNarmada", "ML-TTNila", "ML-TTOnam", "ML-TTPeriyar", "ML-TTPooram", "ML-TTPoornima",
    "ML-TTRavivarma-Bold", "ML-TTRavivarma-BoldItalic", "ML-TTRevathi", "ML-TTRohini", "ML-TTSabari",
    "ML-TTSankara", "ML-TTSarada-Bold", "ML-TTSruthy", "ML-TTSugatha", "ML-TTSuparna", "ML-TTSurya-Bold",
    "ML-TTSwathy", "ML-TTThakazhi", "ML-TTTheyyam", "ML-TTThiruvathira", "ML-TTThunchan", "ML-TTVaisali",
    "ML-TTVarsha", "ML-TTVeena", "ML-TTVeena-Heavy", "ML-TTVinay", "ML-TTVisakham", "ML-TTVishu",
    "ML-TTYashasri", "ML-Thakazhi", "ML-Theyyam", "ML-Thiruvathira", "ML-Thunchan", "ML-Vaisali", "ML-Varsha",
    "ML-Veena", "ML-Veena-Heavy", "ML-Vinay", "ML-Visakham", "ML-Vishu", "ML-Yashasri",
};
static_assert(std::size(kMlttNames) == 131);

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

const LegacyFont& panchariFont() {
    static const LegacyFont font({"PANCHARI", kSourceFontPrefix, nullptr, 0, kPanchariValues, kPanchariRoles,
                                  std::size(kPanchariRoles), &MapGlyphCode});
    return font;
}

const LegacyFont& mlttFont() {
    static const LegacyFont font({"ML-TT", {}, kMlttNames, std::size(kMlttNames), kMlttValues, kMlttRoles,
                                  std::size(kMlttRoles), nullptr});
    return font;
}

const std::array<const LegacyFont*, 2>& legacyFonts() {
    // The fonts Tolvarin knows, one line each.
    static const std::array<const LegacyFont*, 2> fonts = {&panchariFont(), &mlttFont()};
    return fonts;
}

std::size_t legacyFontIndex(const LegacyFont& font) {
    const auto& fonts = legacyFonts();
    for (std::size_t i = 0; i < fonts.size(); ++i)
        if (fonts[i] == &font) return i;
    return 0;
}

const LegacyFont* legacyFontNamed(std::string_view fontName) {
    for (const ExtraName& extra : extraNames())
        if (sameName(withoutStyle(fontName), withoutStyle(extra.name))) return extra.font;
    for (const LegacyFont* font : legacyFonts())
        if (font->answersTo(fontName)) return font;
    return nullptr;
}

const LegacyFont* legacyFontOfEncoding(std::string_view encoding) {
    for (const LegacyFont* font : legacyFonts())
        if (sameName(font->name(), encoding)) return font;
    return nullptr;
}

void addLegacyFontName(std::string_view fontName, const LegacyFont& font) {
    extraNames().push_back({std::string(fontName), &font});
}

}  // namespace tolvarin
