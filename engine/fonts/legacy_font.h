// The legacy 8-bit Malayalam fonts as data: each encoding (what each code stands for
// in Unicode Malayalam and how it is drawn, and for PANCHARI's its glyph rules into
// ML-TTRevathi), and the fonts typed in each, by the names they answer to. Both come
// from the tables in encodings/, one file an encoding: adding a font or an encoding is
// an edit there.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "fonts/encoding_table.h"
#include "fonts/glyph_map.h"

namespace tolvarin {

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
    Reph,      // the dot reph ൎ, typed before its consonant and written before it
};

// A part some glyphs have in a syllable beyond their kind.
enum class GlyphRole : std::uint8_t {
    None,
    NtaChillu,  // the chillu N that, with the RRA glyph of NtaRra after it, is NTA (ന്റ)
    NtaRra,
    PostBase,  // a consonant sign drawn after the base (്ത): a ra sign typed before the base follows it
};

// What the common case of the ordering asks of a code: whether it is written where it
// stands when no sign waits for a base (a base only when what follows does not join
// it), whether it is a base, and whether it joins a base before it.
inline constexpr std::uint8_t kStandsAlone = 1, kIsBase = 2, kJoinsBase = 4;

// What the codes of a legacy encoding mean: shared by every font typed in it.
class LegacyEncoding {
public:
    // Glyph rules into ML-TTRevathi: the codes of `code` typed after `previous` (the
    // code before, in the same encoding and not taken into a pair, or -1) and before
    // `following`, and the codes that complete a pair with the code before them.
    struct RevathiRules {
        GlyphCodes (*codes)(int previous, std::uint8_t code, int following);
        const std::uint8_t* pairSeconds;
        std::size_t pairSecondCount;
    };
    // Tables of the rules have a column for each second half of a pair, and one more.
    static constexpr std::size_t kMaxPairSeconds = 3;

    LegacyEncoding(const EncodingTable& table, RevathiRules rules, std::size_t index);

    std::string_view name() const { return table_.name; }
    const EncodingTable& table() const { return table_; }
    // Where it stands in legacyEncodings().
    std::size_t index() const { return index_; }
    const UnicodeValue& value(std::uint8_t code) const { return table_.values[code]; }
    GlyphKind kind(std::uint8_t code) const { return kinds_[code]; }
    GlyphRole role(std::uint8_t code) const { return roles_[code]; }
    std::uint8_t flags(std::uint8_t code) const { return flags_[code]; }
    // Whether the code is kept as typed wherever it stands: it has no value of its own.
    bool keptAsTyped(std::uint8_t code) const { return keptAsTyped_[code]; }
    // Whether the code ends every syllable (a space, punctuation): text split right
    // after one converts as it would whole.
    bool endsSyllables(std::uint8_t code) const { return kinds_[code] == GlyphKind::Other; }
    // A bilingual font's Latin code: kept exactly as typed, in its font, and not
    // counted, being no Malayalam.
    bool isLatin(std::uint8_t code) const { return latin_[code]; }
    bool bilingual() const { return table_.latinFirst >= 0; }
    bool hasRevathiRules() const { return rules_.codes != nullptr; }
    // The rules' result for `code` between `previous` and `following` (codes of this
    // encoding, or -1); no codes where no rule applies.
    GlyphCodes toRevathi(int previous, std::uint8_t code, int following) const {
        return rules_.codes(previous, code, following);
    }
    // Whether what `code` becomes depends on the code before it too: a table of what each
    // code becomes before each following code then does not say.
    bool followsPrevious(std::uint8_t code) const { return pairColumn(code) < rules_.pairSecondCount; }
    // Which second half of a pair `following` (a code, or -1 at the end of the text) is,
    // 0 to pairSecondCount - 1, or pairSecondCount for anything else.
    unsigned pairColumn(int following) const {
        return unsigned(following) < 256 ? columns_[std::size_t(following)] : unsigned(rules_.pairSecondCount);
    }
    std::size_t pairSecondCount() const { return rules_.pairSecondCount; }
    // The code that column `column` stands for, or -1 for the last.
    int pairSecond(unsigned column) const { return column < rules_.pairSecondCount ? rules_.pairSeconds[column] : -1; }

private:
    const EncodingTable& table_;
    RevathiRules rules_;
    std::size_t index_;
    std::array<bool, 256> latin_;
    std::array<GlyphKind, 256> kinds_;
    std::array<GlyphRole, 256> roles_;
    std::array<std::uint8_t, 256> flags_;
    std::array<bool, 256> keptAsTyped_;
    std::array<std::uint8_t, 256> columns_;
};

// A legacy font as documents name it: the names it answers to, and its encoding. Text
// is counted under the font's name.
class LegacyFont {
public:
    struct Data {
        std::string_view name;  // as counted and reported
        // It answers to the names that begin with `namePrefix`, in any case, and to
        // `names`, in any case and with or without a style word after them.
        std::string_view namePrefix;
        const std::string_view* names;
        std::size_t nameCount;
        const LegacyEncoding* encoding;
    };

    LegacyFont(const Data& data, std::size_t index, bool found = false) : data_(data), index_(index), found_(found) {}

    std::string_view name() const { return data_.name; }
    bool answersTo(std::string_view fontName) const;
    const LegacyEncoding& encoding() const { return *data_.encoding; }
    // Where it stands in legacyFonts().
    std::size_t index() const { return index_; }
    // An ordinary font found to hold this encoding's text beside Latin text: only its
    // words that read as the encoding convert (foundFontOf()).
    bool found() const { return found_; }

private:
    Data data_;
    std::size_t index_;
    bool found_;
};

// Whether two names of fonts or encodings are one, in any case.
bool sameName(std::string_view a, std::string_view b);

// The encodings, in the order their tables rank them: PANCHARI first, then ML-TT.
std::span<const LegacyEncoding* const> legacyEncodings();
// The encoding called `name` (PANCHARI, ML-TT, Matweb ...), in any case, or null.
const LegacyEncoding* legacyEncodingCalled(std::string_view name);
// "PANCHARI, ML-TT, Matweb, ... and Chowara": for messages and help.
std::string legacyEncodingList(std::string_view lastJoin = " and ");

const LegacyEncoding& panchariEncoding();
const LegacyEncoding& mlttEncoding();
const LegacyFont& panchariFont();
const LegacyFont& mlttFont();
// The font an encoding's text is counted under when no font of it is named: its first.
const LegacyFont& firstFontOf(const LegacyEncoding& encoding);

// The legacy fonts, in the order they are listed (and counted in).
std::span<const LegacyFont* const> legacyFonts();

// The legacy font that a font of this name is, or null.
const LegacyFont* legacyFontNamed(std::string_view fontName);
// The legacy font called `name` (PANCHARI, ML-TT, Manorama ...), in any case, or else
// the first font of the encoding so called (Matweb, MLB ...), or null.
const LegacyFont* legacyFontCalled(std::string_view name);
// Text in a font called `fontName` is in `font`'s encoding too, counted as `font`'s, for
// documents whose legacy font has an unusual name. For the whole run; set before
// converting.
void addLegacyFontName(std::string_view fontName, const LegacyFont& font);
// Forgets every name given so.
void forgetLegacyFontNames();
// What an ordinary font found to hold `encoding`'s text is taken for: counted as the
// encoding's first font, its Latin words kept as they are.
const LegacyFont& foundFontOf(const LegacyEncoding& encoding);
// Forgets the names given to found fonts only.
void forgetFoundFonts();

}  // namespace tolvarin
