#include "model/document_text.h"

#include <algorithm>
#include <optional>
#include <thread>

#include "io/threads.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace tolvarin {

std::string documentUnicodeText(const Document& doc, LegacyCounts& counts) {
    const std::u16string& text = doc.text();
    const auto& runs = doc.runs();
    std::vector<const LegacyFont*> legacy(doc.fonts().size());
    for (std::size_t f = 0; f < legacy.size(); ++f) legacy[f] = legacyFontNamed(doc.fonts()[f].name);
    std::string out;
    LegacyStretch stretch;
    ConvertedStretch converted;
    auto flush = [&] {
        if (stretch.empty()) return;
        convertLegacyStretch(stretch, true, converted, counts);
        const std::vector<std::uint8_t>& codes = stretch.codes();
        std::size_t kept = 0;
        for (std::size_t i = 0; i < codes.size(); ++i) {
            if (kept < converted.kept.size() && converted.kept[kept] == i) {
                appendUtf8(out, decodeCp1252(codes[i]));
                ++kept;
            }
            for (std::size_t k = converted.textBefore(i); k < converted.ends[i]; ++k)
                appendUtf8(out, converted.text()[k]);
        }
        stretch.clear();
    };
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const std::size_t end = r + 1 < runs.size() ? runs[r + 1].start : text.size();
        const LegacyFont* font = legacy[runs[r].format.font];
        if (font && !stretch.takes(*font)) flush();  // a stretch is in one encoding
        for (std::size_t i = runs[r].start; i < end; ++i) {
            const char16_t c = text[i];
            const bool lineEnd = c == kParagraphBreak || c == kLineBreak;
            const int code = font && !lineEnd ? encodeCp1252(c) : -1;
            if (code >= 0) {
                const auto b = std::uint8_t(code);
                stretch.add(&b, 1, *font);
                continue;
            }
            flush();  // another font, a line's end, or a character the font has no code for
            appendUtf8(out, lineEnd ? u'\n' : c);
        }
    }
    flush();
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out;
}

std::vector<std::pair<std::string, std::size_t>> documentTextFonts(const Document& doc) {
    std::vector<std::size_t> count(doc.fonts().size());
    std::vector<std::size_t> order;
    const auto& runs = doc.runs();
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const std::size_t end = r + 1 < runs.size() ? runs[r + 1].start : doc.length();
        std::size_t n = 0;
        for (std::size_t i = runs[r].start; i < end; ++i) n += doc.text()[i] >= 0x20;
        const std::size_t f = runs[r].format.font;
        if (n > 0 && count[f] == 0) order.push_back(f);
        count[f] += n;
    }
    std::vector<std::pair<std::string, std::size_t>> fonts;
    for (std::size_t f : order) fonts.emplace_back(doc.fonts()[f].name, count[f]);
    return fonts;
}

namespace {

// The finding in runs [from, to) of the document, by the place of each run's font in the
// list (-1: a legacy font, not looked in).
std::vector<FontDetection> findIn(const Document& doc, const std::vector<int>& at, std::size_t fonts,
                                  std::size_t from, std::size_t to) {
    std::vector<FontDetection> finds(fonts);
    const auto& runs = doc.runs();
    int last = -1;
    for (std::size_t r = from; r < to; ++r) {
        const int f = at[runs[r].format.font];
        if (f != last && last >= 0) finds[std::size_t(last)].breakWord();
        last = f;
        if (f < 0) continue;
        const std::size_t end = r + 1 < runs.size() ? runs[r + 1].start : doc.length();
        finds[std::size_t(f)].add(std::u16string_view(doc.text()).substr(runs[r].start, end - runs[r].start));
    }
    return finds;
}

bool breaksWords(char16_t c) { return c <= 0x20 || c == 0xA0 || c == 0x2028 || c == 0x2029; }

}  // namespace

std::vector<FontDetection> documentFontFinds(const Document& doc,
                                            const std::vector<std::pair<std::string, std::size_t>>& fonts) {
    std::vector<int> at(doc.fonts().size(), -1);  // by the model's font: where in `fonts`
    for (std::size_t f = 0; f < fonts.size(); ++f) {
        if (legacyFontNamed(fonts[f].first)) continue;
        for (std::size_t m = 0; m < doc.fonts().size(); ++m)
            if (doc.fonts()[m].name == fonts[f].first) at[m] = int(f);
    }
    const auto& runs = doc.runs();
    // A long document is read in two halves side by side, split where a word ends, and
    // the halves' findings added up: the same as one reading.
    std::size_t split = 0;
    if (doc.length() >= (std::size_t(1) << 20)) {
        std::size_t r = doc.runIndexAt(doc.length() / 2, 0);
        for (const std::size_t last = std::min(runs.size(), r + 4096); r < last && r > 0; ++r)
            if (breaksWords(doc.text()[runs[r].start]) || breaksWords(doc.text()[runs[r].start - 1])) {
                split = r;
                break;
            }
    }
    if (split == 0) return findIn(doc, at, fonts.size(), 0, runs.size());
    std::vector<FontDetection> later;
    std::optional<std::thread> second =
        startThread([&] { later = findIn(doc, at, fonts.size(), split, runs.size()); });
    std::vector<FontDetection> finds = findIn(doc, at, fonts.size(), 0, split);
    if (second) second->join();
    else later = findIn(doc, at, fonts.size(), split, runs.size());
    for (std::size_t f = 0; f < finds.size(); ++f) finds[f].merge(std::move(later[f]));
    return finds;
}

std::string documentFontSample(const Document& doc, std::string_view fontName, std::size_t length) {
    const LegacyFont* legacy = legacyFontNamed(fontName);
    std::vector<std::uint8_t> codes;
    std::u16string text;
    std::size_t taken = 0;
    const auto& runs = doc.runs();
    for (std::size_t r = 0; r < runs.size() && taken < length; ++r) {
        if (doc.fonts()[runs[r].format.font].name != fontName) continue;
        const std::size_t end = r + 1 < runs.size() ? runs[r + 1].start : doc.length();
        for (std::size_t i = runs[r].start; i < end && taken < length; ++i) {
            char16_t c = doc.text()[i];
            if (c < 0x20) c = u' ';  // a paragraph's end, a tab or a break
            else ++taken;
            const int code = encodeCp1252(c);
            if (legacy && code >= 0) codes.push_back(std::uint8_t(code));
            else if (!legacy) text += c;
        }
    }
    if (legacy) text = convertLegacyText(*legacy, codes.data(), codes.size(), true);
    std::string out;
    appendUtf16(out, text);
    while (!out.empty() && out.back() == ' ') out.pop_back();  // a paragraph's end
    return out;
}

}  // namespace tolvarin
