// A legacy 8-bit Malayalam font as data: the names it answers to, what each of its
// codes stands for in Unicode Malayalam and how it is drawn, and (PANCHARI) its glyph
// rules into ML-TTRevathi. Adding a font is adding its table and one line where the
// fonts are listed (legacy_font.cpp).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fonts/glyph_map.h"

namespace tolvarin {

// A code's Unicode value: one to five code points, or none (the code is kept as
// typed), or the doubling mark, which repeats the consonant before it.
inline constexpr std::size_t kMaxValueLength = 5;
struct UnicodeValue {
    std::int8_t length;  // 1-5, or kNoValue, or kGeminate
    char16_t points[kMaxValueLength];
};
inline constexpr std::int8_t kNoValue = 0;
inline constexpr std::int8_t kGeminate = -1;

// How a code is drawn: what putting typed glyphs in Unicode's order works on.
enum class GlyphKind : std::uint8_t {
    Other,     // punctuation, digits, spaces: a syllable ends here
    Unknown,   // no Unicode value: kept as typed; nothing moves across it
    PreVowel,  // െ േ ൈ, typed before their consonant
    PreRa,     // ്ര, typed before its consonant
    Base,      // a consonant or conjunct, an independent vowel, a chillu
    Virama,    // ്: joins a following consonant, else the syllable's last sign
    Medial,    // the ya, va and la signs
    Geminate,  // doubles the consonant before it
    PostSign,  // vowel signs typed after the consonant, ം ഃ
};

// A part some glyphs have in a syllable beyond their kind.
enum class GlyphRole : std::uint8_t {
    None,
    NtaChillu,  // the chillu N that, with the RRA glyph of NtaRra after it, is NTA (ന്റ)
    NtaRra,
};

// What the common case of the ordering asks of a code: whether it is written where it
// stands when no sign waits for a base (a base only when what follows does not join
// it), whether it is a base, and whether it joins a base before it.
inline constexpr std::uint8_t kStandsAlone = 1, kIsBase = 2, kJoinsBase = 4;

class LegacyFont {
public:
    struct Role {
        std::uint8_t code;
        GlyphRole role;
    };
    struct Data {
        std::string_view name;  // of the encoding, as people know it, for messages
        // It answers to the names that begin with `namePrefix`, in any case, and to
        // `names`, in any case and with or without a style word after them.
        std::string_view namePrefix;
        const std::string_view* names;
        std::size_t nameCount;
        const UnicodeValue* values;  // 256, by code
        const Role* roles;
        std::size_t roleCount;
        // Its glyph rules into ML-TTRevathi, or null.
        GlyphCodes (*toRevathi)(std::uint8_t code, int following);
    };

    explicit LegacyFont(const Data& data);

    std::string_view name() const { return data_.name; }
    bool answersTo(std::string_view fontName) const;
    const UnicodeValue& value(std::uint8_t code) const { return data_.values[code]; }
    GlyphKind kind(std::uint8_t code) const { return kinds_[code]; }
    GlyphRole role(std::uint8_t code) const { return roles_[code]; }
    std::uint8_t flags(std::uint8_t code) const { return flags_[code]; }
    // Whether the code is kept as typed wherever it stands: it has no value of its own.
    bool keptAsTyped(std::uint8_t code) const { return keptAsTyped_[code]; }
    // Whether the code ends every syllable (a space, punctuation): text split right
    // after one converts as it would whole.
    bool endsSyllables(std::uint8_t code) const { return kinds_[code] == GlyphKind::Other; }
    bool hasRevathiRules() const { return data_.toRevathi != nullptr; }
    GlyphCodes toRevathi(std::uint8_t code, int following) const { return data_.toRevathi(code, following); }

private:
    Data data_;
    std::array<GlyphKind, 256> kinds_;
    std::array<GlyphRole, 256> roles_;
    std::array<std::uint8_t, 256> flags_;
    std::array<bool, 256> keptAsTyped_;
};

const LegacyFont& panchariFont();
const LegacyFont& mlttFont();

// The legacy fonts, in the order they are listed (and counted in).
const std::array<const LegacyFont*, 2>& legacyFonts();
// Where a font stands in that list.
std::size_t legacyFontIndex(const LegacyFont& font);

// The legacy font that a font of this name is, or null.
const LegacyFont* legacyFontNamed(std::string_view fontName);
// The legacy font whose encoding is called `encoding` (PANCHARI, ML-TT), or null.
const LegacyFont* legacyFontOfEncoding(std::string_view encoding);
// Text in a font called `fontName` is in `font`'s encoding too, for documents whose
// legacy font has an unusual name. For the whole run; set before converting.
void addLegacyFontName(std::string_view fontName, const LegacyFont& font);

}  // namespace tolvarin
