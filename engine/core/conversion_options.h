// What a conversion is asked to make of a document's legacy text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "fonts/legacy_font.h"

namespace tolvarin {

inline constexpr std::string_view kDefaultUnicodeFont = "Noto Sans Malayalam";

struct ConversionOptions {
    // false: the ML-TTRevathi codes, in that font. true: Unicode Malayalam, in
    // `unicodeFont`, each syllable with the formatting of its base glyph and the
    // complex-script properties word processors take for Malayalam.
    bool unicode = false;
    // With `unicode`: the document's text alone, UTF-8, a paragraph a line.
    bool textOnly = false;
    std::string unicodeFont = std::string(kDefaultUnicodeFont);
    // With `unicode`: words in ordinary fonts that read clearly as a legacy encoding
    // convert too (the fonts found to hold such text beside Latin text).
    bool detect = false;
    // DOCX and ODT: an XML part at least this long is read, and its text converted, in
    // two halves on two threads.
    std::size_t halvesFrom = std::size_t(1) << 20;

    // A legacy font to write the text in, by the name it is written under (`toFont`), its
    // codes `toEncoding`'s; null: ML-TTRevathi by the glyph rules, or Unicode with `unicode`.
    const LegacyEncoding* toEncoding = nullptr;
    std::string toFont;
    // What converts: the text of these encodings, and with `fromUnicode` Unicode Malayalam
    // in any font; every encoding's when `from` is empty.
    std::vector<const LegacyEncoding*> from;
    bool fromUnicode = true;

    bool toLegacy() const { return toEncoding != nullptr; }
    bool converts(const LegacyEncoding& encoding) const {
        if (from.empty()) return true;
        for (const LegacyEncoding* e : from)
            if (e == &encoding) return true;
        return false;
    }
};

// The legacy font `name` names, for writing text in: a font of a table (its own
// spelling), or an encoding whose text is counted under a font of that name. Returns
// false, with what to say, where it names none.
bool legacyTargetCalled(std::string_view name, ConversionOptions& options, std::string& error);
// The encodings `list` (comma-separated encoding or font names, or unicode) names, into
// options.from and options.fromUnicode; false, with what to say, where one names none.
bool legacySourcesCalled(std::string_view list, ConversionOptions& options, std::string& error);

// What the windows and the page offer to write a document in, in the order offered:
// ML-TTRevathi (the glyph rules, as when nothing is chosen), Unicode Malayalam, then the
// legacy fonts, the common ones first and the others by name.
struct ConversionTarget {
    std::string caption;  // as shown
    std::string name;     // as kept between runs and as --to takes it
};
inline constexpr std::string_view kRevathiTarget = "ML-TTRevathi";
inline constexpr std::string_view kUnicodeTarget = "unicode";
const std::vector<ConversionTarget>& conversionTargets();
// Where `name` stands in conversionTargets(), or 0 (ML-TTRevathi) where it names none.
std::size_t conversionTargetIndex(std::string_view name);
// The options that write in conversionTargets()[index]: ML-TTRevathi by the glyph rules,
// Unicode Malayalam in the default font, or the legacy font.
ConversionOptions conversionTargetOptions(std::size_t index);

}  // namespace tolvarin
