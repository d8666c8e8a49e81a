// What legacy text becomes: the one place that decides, for every format, which fonts'
// text converts, which characters pair, where each syllable goes, which codes stay as
// typed and what is counted. A format finds the stretches of legacy text in its own
// syntax, hands them here, and writes back what was decided.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "fonts/legacy_font.h"
#include "fonts/unicode_malayalam.h"

namespace tolvarin {

// Whether text in `font` (null: not a legacy font) is converted: to ML-TTRevathi the
// text of the fonts whose encoding has glyph rules into it, to Unicode every legacy
// font's.
// A font found to hold legacy text beside Latin text converts to Unicode only.
inline bool convertsFont(const LegacyFont* font, bool unicode) {
    return font && (unicode || (font->encoding().hasRevathiRules() && !font->found()));
}

// Whether a legacy character counts as one converted: a paragraph mark, a line break
// or a tab set in the font (a code below 0x20) is no character a user would count.
inline bool countsAsCharacter(int code) { return code >= 0x20; }

// How many of `n` codes count so; sixteen at a time, which compilers do at once.
inline std::size_t countCharacters(const std::uint8_t* codes, std::size_t n) {
    std::size_t counted = 0, k = 0;
    for (; k + 16 <= n; k += 16) {
        unsigned block = 0;
        for (std::size_t j = 0; j < 16; ++j) block += codes[k + j] >= 0x20;
        counted += block;
    }
    for (; k < n; ++k) counted += countsAsCharacter(codes[k]);
    return counted;
}

// Whether a code set in `second` (null: not legacy text) may complete a pair with one set
// in `first`: both halves must be typed in fonts of one encoding. Two of PANCHARI's names
// may pair; another font's character is the user's text and is never taken in.
inline bool mayPair(const LegacyFont& first, const LegacyFont* second) {
    return second && &second->encoding() == &first.encoding();
}

// The ML-TTRevathi codes of `code`, typed in `encoding` after `previous` and before
// `following` (the codes next to it in fonts of the same encoding, the one before not
// taken into a pair; or -1): the glyph rules' result, or the code itself where no rule
// applies.
inline GlyphCodes revathiCodes(const LegacyEncoding& encoding, int previous, std::uint8_t code, int following) {
    GlyphCodes g = encoding.toRevathi(previous, code, following);
    if (g.length == 0) g = GlyphCodes{{code}, 1, false};
    return g;
}

// One T made of `encoding` the first time it is asked for, then shared by every thread:
// the lookup tables built from an encoding's rules.
template <class T>
const T& madeForEncoding(const LegacyEncoding& encoding) {
    static std::mutex mutex;
    static std::vector<std::pair<const LegacyEncoding*, std::unique_ptr<const T>>> made;
    std::lock_guard lock(mutex);
    for (const auto& [e, t] : made)
        if (e == &encoding) return *t;
    made.emplace_back(&encoding, std::make_unique<const T>(encoding));
    return *made.back().second;
}

// revathiCodes() for every code of an encoding with glyph rules, looked up rather than
// worked out for each character: by the column of the code after (LegacyEncoding::
// pairColumn()), and for the codes the one before may change, by that code too.
class RevathiTable {
public:
    explicit RevathiTable(const LegacyEncoding& encoding);
    static const RevathiTable& of(const LegacyEncoding& encoding);  // made once for each

    unsigned column(int following) const {
        return unsigned(following) < 256 ? columns_[std::size_t(following)] : end_;
    }
    // What `code` becomes before the code of `column`.
    const GlyphCodes& alone(std::uint8_t code, unsigned column) const { return alone_[code][column]; }
    // What it becomes after `previous` (-1: none) where that changes it, or null.
    const GlyphCodes* afterPrevious(int previous, std::uint8_t code, unsigned column) const {
        if (previous < 0) return nullptr;
        const After& a = after_[columns_[code]][std::size_t(previous)][column];
        return a.decides ? &a.codes : nullptr;
    }
    const GlyphCodes& codes(int previous, std::uint8_t code, int following) const {
        const unsigned c = column(following);
        const GlyphCodes* after = afterPrevious(previous, code, c);
        return after ? *after : alone_[code][c];
    }

private:
    static constexpr std::size_t kColumns = LegacyEncoding::kMaxPairSeconds + 1;
    struct After {
        GlyphCodes codes;
        bool decides;
    };
    std::array<std::uint8_t, 256> columns_;
    std::uint8_t end_;
    GlyphCodes alone_[256][kColumns];
    // The codes that depend on the one before are the pair seconds: by their column.
    After after_[kColumns][256][kColumns] = {};
};

// What a conversion converted and kept as typed, by legacy font in the order of
// legacyFonts().
struct LegacyCounts {
    std::vector<std::size_t> converted = std::vector<std::size_t>(legacyFonts().size());
    std::vector<std::size_t> kept = std::vector<std::size_t>(legacyFonts().size());
    // Written in a legacy font: the Unicode Malayalam characters written in it (counted
    // as converted), those it cannot draw (each named once), and those drawn as the
    // nearest glyph it has.
    std::size_t unicode = 0, notDrawn = 0, approximated = 0;
    std::u32string notDrawnCharacters;

    void add(const LegacyCounts& other);
    std::size_t totalConverted() const;
    std::size_t totalKept() const;
};

// Where the characters of one font begin in a stretch, in order; the first at 0.
struct FontRun {
    std::size_t first;
    const LegacyFont* font;
};

// A stretch of legacy text as a format finds it: codes typed in fonts of one encoding,
// in one paragraph of one text stream, with nothing else between them.
class LegacyStretch {
public:
    bool empty() const { return codes_.empty(); }
    std::size_t size() const { return codes_.size(); }
    const LegacyEncoding* encoding() const { return fonts_.empty() ? nullptr : &fonts_.front().font->encoding(); }
    const std::vector<std::uint8_t>& codes() const { return codes_; }
    const std::vector<FontRun>& fonts() const { return fonts_; }
    // Whether text in `font` goes on this stretch rather than beginning another.
    bool takes(const LegacyFont& font) const { return fonts_.empty() || &font.encoding() == encoding(); }
    void clear() {
        codes_.clear();
        fonts_.clear();
    }
    // Adds `n` codes set in `font`, which takes() them.
    void add(const std::uint8_t* codes, std::size_t n, const LegacyFont& font) {
        if (fonts_.empty() || fonts_.back().font != &font) fonts_.push_back({codes_.size(), &font});
        codes_.insert(codes_.end(), codes, codes + n);
    }
    // Adds one code set in the font of the last ones added.
    void addCode(std::uint8_t code) { codes_.push_back(code); }

private:
    std::vector<std::uint8_t> codes_;
    std::vector<FontRun> fonts_;
};

// Converts a stretch. What stands at each character's place goes to `out`: in Unicode
// Malayalam, a syllable at its base glyph (its formatting and place are that glyph's),
// a sign that stays where it was, or nothing; the codes listed in `out.kept` have no
// Unicode value and stay as typed, in their font. To ML-TTRevathi, each character's
// codes (as 8-bit values), nothing for the second half of a pair, and nothing kept.
// Each character that counts is counted under its font.
// A bilingual font's Latin text is kept as typed and not counted; so are the characters
// `asTyped` marks (if given), text that only looks like a legacy font's.
void convertLegacyStretch(const LegacyEncoding& encoding, const std::uint8_t* codes, std::size_t n,
                          std::span<const FontRun> fonts, bool unicode, ConvertedStretch& out, LegacyCounts& counts,
                          const std::uint8_t* asTyped = nullptr);
inline void convertLegacyStretch(const LegacyStretch& s, bool unicode, ConvertedStretch& out, LegacyCounts& counts) {
    if (!s.empty()) convertLegacyStretch(*s.encoding(), s.codes().data(), s.size(), s.fonts(), unicode, out, counts);
}

// Codes typed in `font` as one string: Unicode Malayalam, or the ML-TTRevathi codes read
// as Windows-1252; codes kept as typed read as Windows-1252.
std::u16string convertLegacyText(const LegacyFont& font, const std::uint8_t* codes, std::size_t n, bool unicode);

}  // namespace tolvarin
