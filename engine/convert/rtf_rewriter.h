// Converts an RTF document where it stands: every character set in a PANCHARI font
// is replaced by its ML-TTRevathi codes, the font table names ML-TTRevathi in its
// place, and every other byte (tables, pictures, headers, fields, line ends) is
// copied as it is. Rebuilding a document from its characters would lose whatever
// the model does not hold; rewriting the source keeps it all.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "fonts/legacy_font.h"
#include "model/rtf_writer.h"

namespace tolvarin {

struct RewriteResult {
    bool ok = true;
    std::size_t offset = 0;     // on failure: the byte where reading stopped
    std::string description;    // on failure: for a person
    std::size_t converted = 0;  // characters set in the source font that were converted
    std::size_t unknown = 0;    // Unicode: characters with no Unicode value, kept as they were
    // `converted` by legacy font, in the order of legacyFonts().
    std::vector<std::size_t> convertedByFont;
    // From check(), when nothing is to change: the fonts the document's text is set in,
    // by name, in the order first used.
    std::vector<std::string> textFonts;

    explicit operator bool() const { return ok; }
};

// Whether text in `font` (nullptr: not a legacy font) is converted: to ML-TTRevathi
// only PANCHARI's, to Unicode every legacy font's.
inline bool convertsFont(const LegacyFont* font, bool unicode) {
    return unicode ? font != nullptr : font == &panchariFont();
}

// What the source-font text becomes.
struct RewriteOptions {
    // false: the ML-TTRevathi codes, in that font. true: Unicode Malayalam, in
    // `unicodeFont`, each syllable with the formatting of its base glyph and the
    // complex-script properties word processors take for Malayalam.
    bool unicode = false;
    std::string unicodeFont;
    // DOCX and ODT: an XML part at least this long is read, and its text converted, in
    // two halves on two threads.
    std::size_t halvesFrom = std::size_t(1) << 20;
};

class RtfRewrite {
public:
    explicit RtfRewrite(std::string_view rtf, RewriteOptions options = {})
        : rtf_(rtf), options_(std::move(options)) {}

    // Reads the document far enough to know what is to change, and checks it as far
    // as it reads; call before write(). Without any source-font text the document is
    // read to its end, and write() then copies it unchanged.
    RewriteResult check();
    // Writes the converted document to `sink` in pieces. On failure what was written
    // is incomplete and is to be thrown away.
    RewriteResult write(const RtfSink& sink);

private:
    std::string_view rtf_;
    RewriteOptions options_;
    bool checked_ = false;
    RewriteResult checkResult_;
    // What check() learnt for write(): where the names of the font-table entries to
    // rename begin, and whether anything is to change at all.
    std::vector<std::size_t> renamedEntries_;
    bool unchanged_ = false;
    std::size_t checkedUpTo_ = std::string_view::npos;  // where the check stopped, having learnt enough
};

}  // namespace tolvarin
