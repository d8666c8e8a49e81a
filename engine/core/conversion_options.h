// What a conversion is asked to make of a document's legacy text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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
};

}  // namespace tolvarin
