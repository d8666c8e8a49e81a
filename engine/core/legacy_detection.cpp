#include "core/legacy_detection.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "core/detection_counts.h"
#include "core/legacy_text.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace tolvarin {
namespace {

constexpr int kEnglishSymbols = 28, kMalayalamSymbols = 130;

// Log-probabilities (base 2) of each symbol after the ones before it, with add-one
// smoothing, and how far a word's mean may fall below its language's before it reads
// as not of it.
struct Models {
    std::vector<float> english;    // [(a * 28 + b) * 28 + c]
    std::vector<float> malayalam;  // [a * 130 + b]
    Models() : english(kEnglishSymbols * kEnglishSymbols * kEnglishSymbols), malayalam(kMalayalamSymbols * kMalayalamSymbols) {
        std::vector<double> counts(english.size(), 0), context(kEnglishSymbols * kEnglishSymbols, 0);
        for (const auto& [index, count] : englishTrigramCounts()) {
            counts[index] = count;
            context[index / kEnglishSymbols] += count;
        }
        for (std::size_t i = 0; i < english.size(); ++i)
            english[i] = float(std::log2((counts[i] + 0.5) / (context[i / kEnglishSymbols] + 0.5 * kEnglishSymbols)));
        counts.assign(malayalam.size(), 0);
        context.assign(kMalayalamSymbols, 0);
        for (const auto& [index, count] : malayalamBigramCounts()) {
            counts[index] = count;
            context[index / kMalayalamSymbols] += count;
        }
        for (std::size_t i = 0; i < malayalam.size(); ++i)
            malayalam[i] =
                float(std::log2((counts[i] + 0.1) / (context[i / kMalayalamSymbols] + 0.1 * kMalayalamSymbols)));
    }
};

const Models& models() {
    static const Models m;
    return m;
}

bool isAsciiLetter(std::uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isUpper(std::uint8_t c) { return c >= 'A' && c <= 'Z'; }

// Punctuation that means itself in Latin text and in the encoding alike, taken off a
// word's ends before it is read: what a legacy font draws as a letter stays.
bool isEdgePunctuation(const LegacyEncoding& encoding, std::uint8_t c) {
    const bool punctuation = (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
                             (c >= 0x7B && c <= 0x7E) || (c >= 0x91 && c <= 0x94);
    if (!punctuation) return false;
    const UnicodeValue& v = encoding.value(c);
    return v.length == 1 && v.points[0] == decodeCp1252(c);
}

// How likely the word is as Latin text: the mean log-probability of its letter
// trigrams as English, less what an unusual mix of cases costs.
double latinScore(const std::uint8_t* w, std::size_t n) {
    const Models& m = models();
    double sum = 0;
    int a = 0, b = 0;
    std::size_t letters = 0, others = 0, uppers = 0, caseChanges = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t c = w[i];
        int s;
        if (isAsciiLetter(c)) {
            s = (c | 0x20) - 'a' + 1;
            ++letters;
            if (isUpper(c)) {
                ++uppers;
                if (i > 0 && !isUpper(w[i - 1])) ++caseChanges;
            }
        } else {
            s = 27;  // an apostrophe, hyphen, digit, accented letter or other: rare in English words
            const bool accented = c >= 0xC0 && c != 0xD7 && c != 0xF7;
            if (c != '\'' && c != '-' && c != 0x92 && !accented) ++others;
            if (accented) ++letters;
        }
        sum += m.english[std::size_t((a * kEnglishSymbols + b) * kEnglishSymbols + s)];
        a = b;
        b = s;
    }
    sum += m.english[std::size_t((a * kEnglishSymbols + b) * kEnglishSymbols)];
    double score = sum / double(n + 1);
    // Latin words are lower case, capitalised or all capitals; codes typed in a legacy
    // font change case anywhere, and hold symbols between letters.
    const bool usualCase = uppers == 0 || uppers == letters || (uppers == 1 && isUpper(w[0]));
    if (!usualCase) score -= 1.5 + double(caseChanges);
    score -= 2.0 * double(others);
    if (letters == 0) score -= 4;
    return score;
}

bool isMalayalamLetter(char16_t c) {
    return (c >= 0x0D05 && c <= 0x0D14) || (c >= 0x0D15 && c <= 0x0D3A) || c == 0x0D60 || c == 0x0D61 ||
           (c >= 0x0D7A && c <= 0x0D7F);
}
bool isMalayalamSign(char16_t c) {
    return (c >= 0x0D00 && c <= 0x0D03) || (c >= 0x0D3B && c <= 0x0D4D) || c == 0x0D57 || c == 0x0D62 || c == 0x0D63;
}

// How likely a decoded word is as Malayalam: the mean log-probability of its bigrams, or
// nothing when it is no well-formed Malayalam (a sign with nothing to sit on, two vowel
// signs together, Latin letters among its letters, no letter at all).
bool malayalamScore(std::u16string_view u, double& score) {
    const Models& m = models();
    double sum = 0;
    int a = 0;
    bool letter = false;
    char16_t before = 0;
    for (char16_t c : u) {
        const bool sign = isMalayalamSign(c);
        if (!isMalayalamLetter(c) && !sign) return false;
        if (sign) {
            const bool vowelSign = (c >= 0x0D3E && c <= 0x0D4C) || c == 0x0D57;
            if (!before) return false;
            if (vowelSign && before >= 0x0D3E && before <= 0x0D4D && before != 0x0D4D - 0) {
                // a vowel sign after another, or after a virama
                if (!(c == 0x0D57 && before == 0x0D4C)) return false;
            }
            if (vowelSign && before == 0x0D4D) return false;
            if (vowelSign && !(before >= 0x0D15 && before <= 0x0D3A) && !(before >= 0x0D3E && before <= 0x0D4C))
                return false;
        }
        letter |= isMalayalamLetter(c);
        const int s = c - 0x0D00 + 1;
        sum += m.malayalam[std::size_t(a * kMalayalamSymbols + s)];
        a = s;
        before = c;
    }
    if (!letter) return false;
    sum += m.malayalam[std::size_t(a * kMalayalamSymbols)];
    score = sum / double(u.size() + 1);
    return true;
}

// A word's codes in `encoding`, in Unicode, into `text`; false when any code has no value.
bool decodeWord(const LegacyEncoding& encoding, const std::uint8_t* codes, std::size_t n, std::u16string& text) {
    thread_local ConvertedStretch converted;
    for (std::size_t i = 0; i < n; ++i)
        if (encoding.keptAsTyped(codes[i])) return false;
    convertStretch(encoding, codes, n, converted);
    if (!converted.kept.empty()) return false;
    text.assign(converted.text());
    return true;
}

// The word without the punctuation at its ends.
void trim(const LegacyEncoding& encoding, const std::uint8_t*& codes, std::size_t& n) {
    while (n > 0 && isEdgePunctuation(encoding, codes[0])) ++codes, --n;
    while (n > 0 && isEdgePunctuation(encoding, codes[n - 1])) --n;
}

// One of the short words English is full of, in any of the usual cases.
bool commonEnglish(const std::uint8_t* codes, std::size_t n) {
    if (n > 5) return false;
    char lower[6];
    for (std::size_t i = 0; i < n; ++i) {
        if (!isAsciiLetter(codes[i])) return false;
        lower[i] = char(codes[i] | 0x20);
    }
    const std::string_view word(lower, n);
    const bool usual = std::all_of(codes + 1, codes + n, [](std::uint8_t c) { return !isUpper(c); }) ||
                       std::all_of(codes, codes + n, [](std::uint8_t c) { return isUpper(c); });
    if (!usual) return false;
    for (std::string_view w : commonEnglishWords())
        if (w == word) return true;
    return false;
}

// A word most Latin text is made of: letters in the usual case, scoring as English does.
bool plainlyLatin(const std::uint8_t* codes, std::size_t n) {
    if (n == 0) return true;
    for (std::size_t i = 0; i < n; ++i)
        if (!isAsciiLetter(codes[i]) && codes[i] != '\'' && codes[i] != '-') return false;
    return latinScore(codes, n) > -4.2;
}

// Margins beyond these decide a word alone; between them its neighbours decide.
constexpr double kClearlyMalayalam = 1.0, kClearlyLatin = -1.5;
// Words of Malayalam prose read at about -2.5 to -4.5 bits a symbol; codes read in the
// wrong encoding, and Latin words, mostly below -4.
constexpr double kCommonMalayalam = -4.0;

}  // namespace

// How a word reads in `encoding`: not as Malayalam at all (false), or how much likelier
// as Malayalam than as Latin text (`margin`, in bits a symbol).
bool wordMargin(const LegacyEncoding& encoding, const std::uint8_t* codes, std::size_t n, double& margin,
                double* asMalayalam = nullptr) {
    trim(encoding, codes, n);
    if (n == 0) return false;
    // Digits alone are digits in every encoding here.
    if (std::all_of(codes, codes + n, [](std::uint8_t c) { return (c >= '0' && c <= '9') || c == '-' || c == '/'; }))
        return false;
    thread_local std::u16string text;
    double malayalam = 0;
    if (commonEnglish(codes, n)) return false;
    if (!decodeWord(encoding, codes, n, text) || !malayalamScore(text, malayalam)) return false;
    margin = malayalam - latinScore(codes, n) - (malayalam < -5.5 ? 1.0 : 0.0);
    if (asMalayalam) *asMalayalam = malayalam;
    return true;
}

bool readsAsLegacy(const LegacyEncoding& encoding, const std::uint8_t* codes, std::size_t n, Evidence evidence) {
    double margin = 0, malayalam = 0;
    if (!wordMargin(encoding, codes, n, margin, &malayalam)) return false;
    if (evidence == Evidence::Lenient) return margin > kClearlyMalayalam;
    // Told apart for the font's encoding: only what reads as common Malayalam does (a
    // word of another encoding, or Latin text, seldom reads above this).
    trim(encoding, codes, n);
    return n >= 3 && !plainlyLatin(codes, n) && margin > 2.0 && malayalam > kCommonMalayalam;
}

void FontDetection::add(char32_t c) {
    if (c <= 0x20 || c == 0xA0 || c == 0x2028 || c == 0x2029) {
        endWord();
        return;
    }
    const int code = c < 0x7F ? int(c) : c <= 0xFFFF ? encodeCp1252(char16_t(c)) : -1;
    if (code < 0) {
        wordPlain_ = false;
    } else {
        if (wordLength_ < kLongestWord) word_[wordLength_] = std::uint8_t(code);
        ++wordLength_;
        wordHash_ = (wordHash_ ^ std::uint8_t(code)) * 0x100000001b3ull;
    }
    ++wordCharacters_;
}

void FontDetection::add(std::u16string_view text) {
    const char16_t* p = text.data();
    const char16_t* const end = p + text.size();
    while (p < end) {
        char32_t c = *p;
        if (c > 0x20 && c < 0x7F) {
            // Most of any text: straight in, word by word.
            std::size_t length = wordLength_;
            std::uint64_t hash = wordHash_;
            const char16_t* const from = p;
            do {
                if (length < kLongestWord) word_[length] = std::uint8_t(c);
                ++length;
                hash = (hash ^ c) * 0x100000001b3ull;
            } while (++p < end && (c = *p) > 0x20 && c < 0x7F);
            wordCharacters_ += std::size_t(p - from);
            wordLength_ = length;
            wordHash_ = hash;
            continue;
        }
        ++p;
        if (c >= 0xD800 && c < 0xDC00 && p < end) c = 0x10000 + ((c - 0xD800) << 10) + (*p++ - 0xDC00);
        add(c);
    }
}

std::uint32_t& FontDetection::readingOf(std::uint64_t hash) {
    if ((readingsUsed_ + 1) * 2 > readings_.size()) {
        if (readings_.size() >= (std::size_t(1) << 18)) {
            spare_ = kNotMet;  // past the table's limit: each new word is read afresh
            return spare_;
        }
        std::vector<Reading> grown(readings_.size() * 2);
        for (const Reading& r : readings_) {
            if (r.length == 0) continue;
            std::size_t i = std::size_t(r.hash) & (grown.size() - 1);
            while (grown[i].length != 0) i = (i + 1) & (grown.size() - 1);
            grown[i] = r;
        }
        readings_.swap(grown);
    }
    const std::string_view word(reinterpret_cast<const char*>(word_.data()), wordLength_);
    for (std::size_t i = std::size_t(hash) & (readings_.size() - 1);; i = (i + 1) & (readings_.size() - 1)) {
        Reading& r = readings_[i];
        if (r.length == 0) {
            r.hash = hash;
            r.length = std::uint32_t(word.size());
            r.bits = kNotMet;
            ++readingsUsed_;
            return r.bits;
        }
        // Two words of one length and one 64-bit hash in a document: about one chance in
        // 10^9 at the table's fullest, against a compare for every word met again.
        if (r.hash == hash && r.length == word.size()) return r.bits;
    }
}

void FontDetection::endWord() {
    if (wordLength_ > 0 && wordLength_ <= kLongestWord && wordPlain_) {
        const auto encodings = legacyEncodings();
        std::uint32_t& known = readingOf(wordHash_);
        if (known == kNotMet) {
            std::uint32_t bits = 0;
            const std::uint8_t* w = word_.data();
            std::size_t n = wordLength_;
            while (n > 0 && (w[0] == '(' || w[0] == '"' || w[0] == '\'')) ++w, --n;
            while (n > 0 && (w[n - 1] == '.' || w[n - 1] == ',' || w[n - 1] == ')' || w[n - 1] == '"')) --n;
            if (!commonEnglish(w, n) && !plainlyLatin(w, n))
                for (std::size_t e = 0; e < encodings.size() && e < 16; ++e) {
                    if (readsAsLegacy(*encodings[e], word_.data(), wordLength_, Evidence::Strict)) bits |= 1u << (2 * e);
                    if (readsAsLegacy(*encodings[e], word_.data(), wordLength_, Evidence::Lenient))
                        bits |= 2u << (2 * e);
                }
            known = bits;
        }
        const std::uint32_t bits = known;
        for (std::size_t e = 0; bits != 0 && e < encodings.size() && e < 16; ++e) {
            // Only a strict reading tells the encoding; the lenient one counts, once it is told.
            if (bits & (1u << (2 * e))) {
                strict_[e] += wordLength_;
                // Words told apart, so that one odd word written again and again is not evidence.
                std::vector<std::string>& seen = distinct_[e];
                const std::string key(word_.begin(), word_.begin() + wordLength_);
                if (seen.size() < 8 && std::find(seen.begin(), seen.end(), key) == seen.end()) seen.push_back(key);
            }
            if (bits & (2u << (2 * e))) {
                lenient_[e] += wordLength_;
                if (first_[e].size() < 400) {
                    if (!first_[e].empty()) first_[e].push_back(' ');
                    first_[e].insert(first_[e].end(), word_.begin(), word_.begin() + wordLength_);
                }
            }
        }
    }
    wordLength_ = 0;
    wordHash_ = kHashStart;
    wordPlain_ = true;
}

void FontDetection::merge(FontDetection&& later) {
    endWord();
    later.endWord();
    wordCharacters_ += later.wordCharacters_;
    for (std::size_t e = 0; e < strict_.size(); ++e) {
        strict_[e] += later.strict_[e];
        lenient_[e] += later.lenient_[e];
        // Either side's first distinct words are enough to tell whether there are five.
        for (std::string& word : later.distinct_[e])
            if (distinct_[e].size() < 8 && std::find(distinct_[e].begin(), distinct_[e].end(), word) == distinct_[e].end())
                distinct_[e].push_back(std::move(word));
        // The first words, as one reading would have kept them.
        const std::vector<std::uint8_t>& more = later.first_[e];
        for (std::size_t k = 0; k < more.size() && first_[e].size() < 400;) {
            std::size_t end = k;
            while (end < more.size() && more[end] != ' ') ++end;
            if (!first_[e].empty()) first_[e].push_back(' ');
            first_[e].insert(first_[e].end(), more.begin() + std::ptrdiff_t(k), more.begin() + std::ptrdiff_t(end));
            k = end + 1;
        }
    }
}

const LegacyEncoding* FontDetection::encoding() const {
    const_cast<FontDetection*>(this)->endWord();
    const auto encodings = legacyEncodings();
    std::size_t best = encodings.size();
    for (std::size_t e = 0; e < encodings.size(); ++e)
        if (best == encodings.size() || strict_[e] > strict_[best]) best = e;
    if (best == encodings.size()) return nullptr;
    // Clear evidence: several different words that read strictly, making up a good share of the
    // font's text, and more than any other encoding reads.
    if (distinct_[best].size() < 5 || strict_[best] * 5 < wordCharacters_) return nullptr;
    for (std::size_t e = 0; e < encodings.size(); ++e)
        if (e != best && strict_[e] * 10 > strict_[best] * 9) return nullptr;
    return encodings[best];
}

std::size_t FontDetection::characters() const {
    const LegacyEncoding* e = encoding();
    return e ? lenient_[e->index()] : 0;
}

std::string FontDetection::sample(std::size_t length) const {
    const LegacyEncoding* e = encoding();
    if (!e) return {};
    const std::vector<std::uint8_t>& words = first_[e->index()];
    std::string out;
    std::size_t count = 0;
    for (char16_t c : convertLegacyText(firstFontOf(*e), words.data(), words.size(), true)) {
        if (count++ >= length) break;
        appendUtf8(out, c);
    }
    return out;
}

void markLatinWords(const LegacyEncoding& encoding, const std::uint8_t* codes, std::size_t n, std::uint8_t* asTyped) {
    // Each word read alone: clearly Malayalam, clearly Latin, or either.
    enum Reading : std::uint8_t { Latin, Malayalam, Either };
    struct Word {
        std::size_t begin, end;
        Reading reading;
        double margin;
    };
    thread_local std::vector<Word> words;
    words.clear();
    for (std::size_t i = 0; i < n;) {
        if (codes[i] <= 0x20) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < n && codes[j] > 0x20) ++j;
        double margin = 0;
        Reading r = Latin;
        if (wordMargin(encoding, codes + i, j - i, margin)) {
            r = margin > kClearlyMalayalam ? Malayalam : margin < kClearlyLatin ? Latin : Either;
            // Two letters say too little either way: the words around them decide.
            const std::uint8_t* w = codes + i;
            std::size_t len = j - i;
            trim(encoding, w, len);
            if (len <= 2) r = Either;
        }
        words.push_back({i, j, r, margin});
        i = j;
    }
    // A word that reads either way goes with the words around it: Malayalam where the
    // nearest clear words on both sides are (or one is, at the stretch's end), Latin where
    // they are, and by its own margin between the two.
    for (std::size_t w = 0; w < words.size(); ++w) {
        if (words[w].reading != Either) continue;
        int before = -1, after = -1;  // -1: the stretch's end
        for (std::size_t k = w; k-- > 0;)
            if (words[k].reading != Either) {
                before = words[k].reading;
                break;
            }
        for (std::size_t k = w + 1; k < words.size(); ++k)
            if (words[k].reading != Either) {
                after = words[k].reading;
                break;
            }
        const bool malayalam = before == Latin || after == Latin
                                   ? (before != Latin || after != Latin) && words[w].margin > 0
                                   : before == Malayalam || after == Malayalam || words[w].margin > 0;
        std::fill(asTyped + words[w].begin, asTyped + words[w].end, std::uint8_t(!malayalam));
    }
    for (const Word& w : words)
        if (w.reading != Either) std::fill(asTyped + w.begin, asTyped + w.end, std::uint8_t(w.reading == Latin));
    // Spaces and breaks between Latin words (or a Latin word and the stretch's end) stay
    // with them.
    for (std::size_t i = 0; i < n;) {
        if (codes[i] > 0x20) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < n && codes[j] <= 0x20) ++j;
        const bool before = i == 0 || asTyped[i - 1], after = j == n || asTyped[j];
        std::fill(asTyped + i, asTyped + j, std::uint8_t(before && after));
        i = j;
    }
}

}  // namespace tolvarin
