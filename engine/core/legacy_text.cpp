#include "core/legacy_text.h"

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

#include "core/legacy_detection.h"
#include "text/codepage.h"

namespace tolvarin {

void LegacyCounts::add(const LegacyCounts& other) {
    for (std::size_t f = 0; f < converted.size(); ++f) {
        converted[f] += other.converted[f];
        kept[f] += other.kept[f];
    }
    unicode += other.unicode;
    notDrawn += other.notDrawn;
    approximated += other.approximated;
    for (char32_t c : other.notDrawnCharacters)
        if (notDrawnCharacters.find(c) == std::u32string::npos) notDrawnCharacters += c;
}

std::size_t LegacyCounts::totalConverted() const {
    return std::accumulate(converted.begin(), converted.end(), unicode);
}
std::size_t LegacyCounts::totalKept() const { return std::accumulate(kept.begin(), kept.end(), std::size_t(0)); }

RevathiTable::RevathiTable(const LegacyEncoding& encoding) : end_(std::uint8_t(encoding.pairSecondCount())) {
    for (int code = 0; code < 256; ++code) columns_[std::size_t(code)] = std::uint8_t(encoding.pairColumn(code));
    for (int code = 0; code < 256; ++code) {
        for (unsigned f = 0; f <= encoding.pairSecondCount(); ++f) {
            const int following = encoding.pairSecond(f);
            const GlyphCodes g = revathiCodes(encoding, -1, std::uint8_t(code), following);
            alone_[code][f] = g;
            if (!encoding.followsPrevious(std::uint8_t(code))) continue;
            for (int previous = 0; previous < 256; ++previous) {
                const GlyphCodes after = revathiCodes(encoding, previous, std::uint8_t(code), following);
                After& a = after_[columns_[std::size_t(code)]][std::size_t(previous)][f];
                a.codes = after;
                a.decides = after.length != g.length || after.pair != g.pair ||
                            !std::equal(after.codes, after.codes + after.length, g.codes);
            }
        }
    }
}

const RevathiTable& RevathiTable::of(const LegacyEncoding& encoding) { return madeForEncoding<RevathiTable>(encoding); }

namespace {

// Each character's ML-TTRevathi codes in place; the second half of a pair stands for
// nothing, being part of the glyph before it.
void toRevathi(const LegacyEncoding& encoding, const std::uint8_t* codes, std::size_t n, ConvertedStretch& out) {
    out.kept.clear();
    out.ends.resize(n);
    if (out.capacity < 3 * n + 8) {
        out.capacity = 3 * n + 8;
        out.buffer.reset(new char16_t[out.capacity]);
    }
    char16_t* const t = out.buffer.get();
    std::size_t len = 0;
    int previous = -1;
    const RevathiTable& table = RevathiTable::of(encoding);
    for (std::size_t i = 0; i < n; ++i) {
        const GlyphCodes& g = table.codes(previous, codes[i], i + 1 < n ? codes[i + 1] : -1);
        for (std::size_t k = 0; k < g.length; ++k) t[len++] = g.codes[k];
        out.ends[i] = len;
        previous = codes[i];
        if (g.pair) {
            out.ends[++i] = len;
            previous = -1;
        }
    }
    out.length = len;
}

}  // namespace

namespace {

// A bilingual font's Latin text: its Latin codes, and the spaces that have Latin text or
// nothing on either side, which stay with it in its font. Null when there is none.
const std::uint8_t* latinText(const LegacyEncoding& encoding, const std::uint8_t* codes, std::size_t n,
                              std::vector<std::uint8_t>& mask) {
    mask.assign(n, 0);
    bool any = false;
    for (std::size_t i = 0; i < n; ++i) any |= (mask[i] = encoding.isLatin(codes[i])) != 0;
    if (!any) return nullptr;
    for (std::size_t i = 0; i < n;) {
        if (codes[i] != 0x20) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < n && codes[j] == 0x20) ++j;
        const bool before = i == 0 || mask[i - 1], after = j == n || mask[j];
        if (before && after && (i > 0 || j < n)) std::fill(mask.begin() + std::ptrdiff_t(i), mask.begin() + std::ptrdiff_t(j), 1);
        i = j;
    }
    return mask.data();
}

}  // namespace

void convertLegacyStretch(const LegacyEncoding& encoding, const std::uint8_t* codes, std::size_t n,
                          std::span<const FontRun> fonts, bool unicode, ConvertedStretch& out, LegacyCounts& counts,
                          const std::uint8_t* asTyped) {
    if (unicode && !asTyped && encoding.bilingual()) asTyped = latinText(encoding, codes, n, out.asTyped);
    if (unicode && !asTyped) {
        // An ordinary font's text found to be the encoding's: its Latin words stay.
        bool found = false;
        for (const FontRun& run : fonts) found |= run.font->found();
        if (found) {
            out.asTyped.assign(n, 0);
            for (std::size_t r = 0; r < fonts.size(); ++r) {
                if (!fonts[r].font->found()) continue;
                const std::size_t end = r + 1 < fonts.size() ? fonts[r + 1].first : n;
                markLatinWords(encoding, codes + fonts[r].first, end - fonts[r].first, out.asTyped.data() + fonts[r].first);
            }
            asTyped = out.asTyped.data();
        }
    }
    if (unicode) convertStretch(encoding, codes, n, out, asTyped);
    else toRevathi(encoding, codes, n, out);
    // Codes kept as typed are no breaks or tabs: they have no value, which those have.
    // Text kept as typed for being no Malayalam is not counted at all.
    auto kept = out.kept.begin();
    for (std::size_t r = 0; r < fonts.size(); ++r) {
        const std::size_t end = r + 1 < fonts.size() ? fonts[r + 1].first : n;
        const std::size_t f = fonts[r].font->index();
        std::size_t counted = countCharacters(codes + fonts[r].first, end - fonts[r].first), keptHere = 0;
        for (; kept != out.kept.end() && *kept < end; ++kept) {
            if (asTyped && asTyped[*kept]) --counted;
            else ++keptHere;
        }
        counts.kept[f] += keptHere;
        counts.converted[f] += counted - keptHere;
    }
}

std::u16string convertLegacyText(const LegacyFont& font, const std::uint8_t* codes, std::size_t n, bool unicode) {
    ConvertedStretch converted;
    LegacyCounts counts;
    const FontRun run{0, &font};
    convertLegacyStretch(font.encoding(), codes, n, {&run, 1}, unicode, converted, counts);
    const std::u16string_view text = converted.text();
    std::u16string out;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (kept < converted.kept.size() && converted.kept[kept] == i) {
            out += decodeCp1252(codes[i]);
            ++kept;
        }
        for (std::size_t k = converted.textBefore(i); k < converted.ends[i]; ++k)
            out += unicode ? text[k] : decodeCp1252(std::uint8_t(text[k]));
    }
    return out;
}

}  // namespace tolvarin
