// Unicode Malayalam in the converted RTF: the source-font characters of a paragraph
// collected while it is read (a stretch), then converted and laid out over the output,
// each syllable in a run of its base glyph's formatting, in the complex-script form
// word processors read for Malayalam. Free of the reading's state, so that it can run
// on another thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/legacy_text.h"
#include "io/byte_buffer.h"
#include "rtf/rtf_state.h"

namespace tolvarin {

// The legacy characters of a Unicode stretch, waiting for it to end. Characters that
// share a place in the output and a format form a segment; the bytes of codes that may
// stay as typed are noted, for they are then written as they were.
struct StretchSegment {
    std::size_t first, holdAt;
    Format format;
};
struct TypedBytes {
    std::size_t index, start, end;
};
struct UnicodeStretch {
    LegacyStretch legacy;  // the codes and their fonts, of one encoding
    std::vector<StretchSegment> segments;
    std::vector<TypedBytes> typed;
    // Characters right after a \* that begins a group: that \* names nothing because of
    // them, and must not come to name the word after them if they move.
    std::vector<std::size_t> afterStar;

    bool empty() const { return legacy.empty(); }
    std::size_t size() const { return legacy.size(); }
    std::size_t holdAt() const { return segments.front().holdAt; }
    void clear() {
        legacy.clear();
        segments.clear();
        typed.clear();
        afterStar.clear();
    }
    // Adds `n` characters set in `font` (which the stretch takes) that share one place in
    // the output and one format.
    void add(const std::uint8_t* code, std::size_t n, const LegacyFont& font, const Format& format,
             const std::size_t* start, const std::size_t* end, std::size_t holdAt) {
        const std::size_t at = legacy.size();
        if (segments.empty() || segments.back().holdAt != holdAt || !(segments.back().format == format))
            segments.push_back({at, holdAt, format});
        const LegacyEncoding& encoding = font.encoding();
        // Any character of a font found to hold legacy text may be a Latin word's, kept.
        for (std::size_t k = 0; k < n; ++k)
            if (font.found() || encoding.keptAsTyped(code[k])) typed.push_back({at + k, start[k], end[k]});
        legacy.add(code, n, font);
    }
};

// Appends a run of Unicode text: {\rtlch\fcs1\afF\afsS[\ab][\ai] \ltrch\fcs0\fF\fsS[\b][\i][\ul]\uc1 text}.
void writeUnicodeRun(ByteBuffer& out, std::u16string_view text, const Format& f, int fontNumber);

// Lays out a stretch at the end of `out`, over `tail` (the output from position
// `origin`, the stretch's first place, on); codes kept as typed are copied from
// `input`, the source document. Counts what it converted and kept into `counts`.
void layOutStretch(const UnicodeStretch& s, std::string_view input, std::string_view tail, std::size_t origin,
                   ByteBuffer& out, ConvertedStretch& converted, int fontNumber, LegacyCounts& counts);

// The font-table entry of the added Unicode font.
std::string unicodeFontEntry(std::string_view fontName, int number);

}  // namespace tolvarin
