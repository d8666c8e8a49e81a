#include "convert/unicode_layout.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>

#include "rtf/rtf_tokenizer.h"
#include "text/utf8.h"

namespace tolvarin {

// {\rtlch\fcs1\afF\afsS[\ab][\ai] \ltrch\fcs0\fF\fsS[\b][\i][\ul]\uc1 text}: word
// processors take Malayalam's font, size, bold and italic from the complex-script half.
// The text is \uN? but for ASCII, which goes as it is.
void writeUnicodeRun(ByteBuffer& out, std::u16string_view text, const Format& f, int fontNumber) {
    // Room for the words before the text, the longest form of each character, and the brace.
    char* w = out.room(96 + 9 * text.size());
    auto put = [&](std::string_view word) {
        std::memcpy(w, word.data(), word.size());
        w += word.size();
    };
    auto number = [&](int n) { w = std::to_chars(w, w + 12, n).ptr; };
    put("{\\rtlch\\fcs1\\af");
    number(fontNumber);
    put("\\afs");
    number(f.size);
    if (f.bold) put("\\ab");
    if (f.italic) put("\\ai");
    put(" \\ltrch\\fcs0\\f");
    number(fontNumber);
    put("\\fs");
    number(f.size);
    if (f.bold) put("\\b");
    if (f.italic) put("\\i");
    if (f.underline) put("\\ul");
    put("\\uc1 ");
    // Every character below the end of Malayalam's block as it is written: ASCII as it
    // is (escaped where RTF needs it), the rest as \uN?. Made once. The text is written
    // in place, in room for the longest form of each character.
    struct Words {
        std::array<std::array<char, 8>, 0x0D80> bytes;
        std::array<std::uint8_t, 0x0D80> length;
    };
    static const std::unique_ptr<const Words> kWords = [] {
        auto words = std::make_unique<Words>();
        for (std::size_t c = 0; c < 0x0D80; ++c) {
            char* at = words->bytes[c].data();
            if (c >= 0x20 && c < 0x7F) {
                int n = 0;
                if (c == '\\' || c == '{' || c == '}') at[n++] = '\\';
                at[n++] = char(c);
                words->length[c] = std::uint8_t(n);
            } else {
                words->length[c] = std::uint8_t(std::snprintf(at, 8, "\\u%d?", int(c)));
            }
        }
        return words;
    }();
    for (char16_t c : text) {
        if (c < 0x0D80) {
            std::memcpy(w, kWords->bytes[c].data(), 8);
            w += kWords->length[c];
        } else {
            *w++ = '\\';
            *w++ = 'u';
            w = std::to_chars(w, w + 6, c > 0x7FFF ? int(c) - 0x10000 : int(c)).ptr;
            *w++ = '?';
        }
    }
    *w++ = '}';
    out.commit(w);
}

// Lays out a stretch at the end of `out`, over `tail` (the output from position
// `origin`, the stretch's first place, on). What falls in one segment shares a run,
// but for codes kept as typed.
void layOutStretch(const UnicodeStretch& s, std::string_view input, std::string_view tail, std::size_t origin,
                   ByteBuffer& out, ConvertedStretch& converted, int fontNumber, LegacyCounts& counts) {
    convertLegacyStretch(s.legacy, true, converted, counts);
    // Room for all of it at once: the tail, each run at its longest, the kept codes.
    out.reserve(tail.size() + 9 * converted.length + 96 * s.segments.size() + 16 * s.typed.size());
    std::size_t taken = 0;
    const std::u16string_view text = converted.text();
    auto kept = converted.kept.begin();
    auto typed = s.typed.begin();
    auto afterStar = s.afterStar.begin();
    for (std::size_t g = 0; g < s.segments.size(); ++g) {
        const StretchSegment& segment = s.segments[g];
        const std::size_t end = g + 1 < s.segments.size() ? s.segments[g + 1].first : s.size();
        const std::size_t at = segment.holdAt - origin;
        out.append(tail.substr(taken, at - taken));
        taken = at;
        const std::size_t before = out.size();
        std::size_t from = converted.textBefore(segment.first);
        for (; kept != converted.kept.end() && *kept < end; ++kept) {
            const std::size_t to = converted.textBefore(*kept);
            if (to > from) writeUnicodeRun(out, text.substr(from, to - from), segment.format, fontNumber);
            while (typed->index != *kept) ++typed;
            out.append(input.substr(typed->start, typed->end - typed->start));
            from = to;
        }
        const std::size_t to = converted.ends[end - 1];
        if (to > from) writeUnicodeRun(out, text.substr(from, to - from), segment.format, fontNumber);
        // Its characters all moved into a syllable elsewhere: if they followed a \*, an
        // empty group keeps that \* from naming the word after them.
        while (afterStar != s.afterStar.end() && *afterStar < end) {
            if (*afterStar == segment.first && out.size() == before) out.append("{}");
            ++afterStar;
        }
    }
    out.append(tail.substr(taken));
}

std::string unicodeFontEntry(std::string_view fontName, int number) {
    std::string entry = "{\\f" + std::to_string(number) + "\\fnil\\fcharset0 ";
    for (std::size_t k = 0; k < fontName.size();) {
        const char32_t c = nextCodePoint(fontName, k);
        if (c == '\\' || c == '{' || c == '}' || c == ';') continue;
        if (c < 0x80) entry += char(c);
        else entry += "\\u" + std::to_string(c > 0x7FFF ? int(c) - 0x10000 : int(c)) + "?";
    }
    return entry + ";}";
}

}  // namespace tolvarin
