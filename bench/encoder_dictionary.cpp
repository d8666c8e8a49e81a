// Every word of a word list (hunspell's .dic: a word a line, its flags after '/') written
// in each legacy encoding and read back through its table: how many words the fonts
// draw whole, how many read back exactly, and the codes a word takes against the fewest
// that read back as it (searched syllable by syllable among the codes of its letters).
//   encoder_dictionary /usr/share/hunspell/ml_IN.dic
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/legacy_text.h"
#include "fonts/legacy_encoder.h"
#include "text/utf8.h"

using namespace tolvarin;

namespace {

std::u16string readBack(const LegacyEncoding& e, const std::string& codes) {
    return convertLegacyText(firstFontOf(e), reinterpret_cast<const std::uint8_t*>(codes.data()), codes.size(), true);
}

// The fewest codes of `e` that read back as `want`, searched up to `limit` codes among
// those whose value uses only its letters and the vowel pieces; `limit` if none fewer.
std::size_t fewest(const LegacyEncoding& e, const std::u16string& want, std::size_t limit) {
    std::vector<std::uint8_t> candidates;
    for (int code = 0x21; code < 256; ++code) {
        const UnicodeValue& v = e.value(std::uint8_t(code));
        if (v.length <= 0 || e.isLatin(std::uint8_t(code))) continue;
        bool inside = true;
        for (int k = 0; k < v.length && inside; ++k) {
            const char16_t c = v.points[k];
            inside = want.find(c) != std::u16string::npos || c == 0x0D46 || c == 0x0D47 || c == 0x0D3E || c == 0x0D57;
        }
        if (inside) candidates.push_back(std::uint8_t(code));
    }
    std::string codes;
    for (std::size_t length = 1; length < limit; ++length) {
        if (std::pow(double(candidates.size()), double(length)) > 2e5) return limit;  // too many to try
        std::vector<std::size_t> at(length, 0);
        for (;;) {
            codes.clear();
            for (std::size_t k : at) codes += char(candidates[k]);
            if (readBack(e, codes) == want) return length;
            std::size_t k = 0;
            while (k < length && ++at[k] == candidates.size()) at[k++] = 0;
            if (k == length) break;
        }
    }
    return limit;
}

}  // namespace

std::string utf8(const std::u32string& w) {
    std::string s;
    for (char32_t c : w) appendUtf8(s, c);
    return s;
}

int main(int argc, char** argv) {
    const bool show = std::getenv("SHOW") != nullptr;  // a few words of each kind, for a look
    if (argc != 2) {
        std::fprintf(stderr, "usage: encoder_dictionary WORDS.dic\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "encoder_dictionary: cannot read %s (Debian's list is in hunspell-ml)\n", argv[1]);
        return 1;
    }
    std::vector<std::u32string> words;
    for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find('/'));
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        std::u32string w;
        for (std::size_t i = 0; i < line.size();) w += nextCodePoint(line, i);
        if (!w.empty() && std::any_of(w.begin(), w.end(), isMalayalamText)) words.push_back(w);
    }
    if (words.empty()) {
        std::fprintf(stderr, "encoder_dictionary: %s has no Malayalam words\n", argv[1]);
        return 1;
    }
    std::printf("%zu words\n%-9s %8s %8s %9s %11s %11s\n", words.size(), "encoding", "drawn", "exact", "codes/w",
                "fewest/w", "not drawn");
    for (const LegacyEncoding* e : legacyEncodings()) {
        std::size_t drawn = 0, exact = 0, codes = 0, best = 0, shown = 0;
        std::map<char32_t, std::size_t> missing;
        std::map<std::u16string, std::size_t> syllableBest;
        for (const std::u32string& w : words) {
            const EncodedText out = encodeText(*e, w);
            for (char32_t c : out.notDrawn) ++missing[c];
            if (out.notDrawnCount || out.approximated) {
                if (show && shown++ < 8) std::printf("  not drawn: %s\n", utf8(w).c_str());
                continue;
            }
            ++drawn;
            if (readBack(*e, out.codes) != foldedMalayalam(w)) {
                if (show && shown++ < 16) std::printf("  reads back otherwise: %s\n", utf8(w).c_str());
                continue;
            }
            ++exact;
            codes += out.codes.size();
            // Syllable by syllable: where the encoder put each one's codes.
            EncodedStretch s;
            encodeStretch(*e, w.data(), w.size(), s);
            for (std::size_t i = 0; i < w.size(); ++i) {
                const std::size_t n = s.ends[i] - s.begin(i);
                if (n == 0) continue;
                std::size_t j = i + 1;
                while (j < w.size() && s.ends[j] == s.begin(j)) ++j;
                const std::u16string syllable = foldedMalayalam(std::u32string_view(w).substr(i, j - i));
                auto [at, isNew] = syllableBest.try_emplace(syllable, n);
                // (A ZWNJ asks for a visible virama, which fewer codes need not keep.)
                const bool zwnj = std::find(w.begin() + long(i), w.begin() + long(j), U'\u200C') != w.begin() + long(j);
                if (isNew && n > 1 && !zwnj) {
                    at->second = fewest(*e, syllable, n);
                    if (show && at->second < n && shown++ < 24)
                        std::printf("  fewer: %s %zu < %zu in %s\n", utf8(std::u32string(syllable.begin(), syllable.end())).c_str(), at->second, n, utf8(w).c_str());
                }
                best += at->second;
            }
        }
        std::string notDrawn;
        for (const auto& [c, n] : missing) appendUtf8(notDrawn, c), notDrawn += " ";
        std::printf("%-9s %7.2f%% %7.2f%% %9.2f %11.2f  %s\n", std::string(e->name()).c_str(),
                    100.0 * double(drawn) / double(words.size()), 100.0 * double(exact) / double(words.size()),
                    exact ? double(codes) / double(exact) : 0.0, exact ? double(best) / double(exact) : 0.0,
                    notDrawn.c_str());
    }
    return 0;
}
