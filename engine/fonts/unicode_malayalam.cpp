#include "fonts/unicode_malayalam.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>


namespace tolvarin {
namespace {

constexpr char16_t kVirama = 0x0D4D;
constexpr char16_t kRa = 0x0D30;
constexpr char16_t kSignE = 0x0D46, kSignEE = 0x0D47, kSignAI = 0x0D48, kSignO = 0x0D4A, kSignOO = 0x0D4B,
                   kSignAU = 0x0D4C, kSignAA = 0x0D3E, kAuLength = 0x0D57;
constexpr char16_t kChilluN = 0x0D7B, kRra = 0x0D31, kNa = 0x0D28;

bool isConsonant(char16_t c) { return c >= 0x0D15 && c <= 0x0D39; }
bool isVowelSign(char16_t c) { return (c >= 0x0D3E && c <= 0x0D4C) || c == kAuLength; }


class Stretch {
public:
    // Every code gives at most five code points, whatever it joins.
    Stretch(const LegacyEncoding& font, const std::uint8_t* codes, std::size_t n, ConvertedStretch& out,
            const std::uint8_t* asTyped)
        : font_(font), codes_(codes), n_(n), out_(out), asTyped_(asTyped) {
        out_.kept.clear();
        out_.ends.resize(n);
        if (out_.capacity < 5 * n + 8) {  // room for five more than the longest text
            out_.capacity = 5 * n + 8;
            out_.buffer.reset(new char16_t[out_.capacity]);
        }
        t_ = out_.buffer.get();
        ends_ = out_.ends.data();
    }

    void run() {
        std::size_t i = 0;
        while (i < n_) {
            if (pendingCount_ == 0) {
                i = simpleGlyphs(i);
                if (i == n_) break;
            }
            switch (kind(i)) {
            case GlyphKind::PreVowel:
            case GlyphKind::PreRa:
            case GlyphKind::Reph:
                // More signs in a row than one syllable takes: the first stays where it is.
                if (pendingCount_ == kMaxPending) placePendingFront();
                pending_[pendingCount_++] = i++;
                break;
            case GlyphKind::Base:
                i = syllable(i);
                break;
            case GlyphKind::Unknown:
            case GlyphKind::Geminate:  // with no consonant before it there is nothing to double
                flushPending();
                placeUpTo(i, len_);
                ends_[i] = len_;
                out_.kept.push_back(i++);
                break;
            default:  // punctuation, or a sign with no base before it: stays where it is
                flushPending();
                placeUpTo(i, len_);
                putValue(codes_[i]);
                ends_[i] = len_;
                placed_ = ++i;
                break;
            }
        }
        // Places come in order: signs wait only for a base after them, and what a
        // syllable takes in after its base is never placed.
        flushPending();
        placeUpTo(n_, len_);
        compose();
        out_.length = len_;
    }

private:
    static constexpr std::size_t kMaxPending = 4;

    // A character the stretch keeps as typed (a bilingual font's Latin text) is drawn
    // as a code without a value: nothing moves across it.
    GlyphKind kind(std::size_t i) const {
        return asTyped_ && asTyped_[i] ? GlyphKind::Unknown : font_.kind(codes_[i]);
    }
    std::u16string_view valueOf(std::uint8_t code) const {
        const UnicodeValue& v = font_.value(code);
        return std::u16string_view(v.points, v.length > 0 ? std::size_t(v.length) : 0);
    }

    // Most glyphs are whole syllables or stand alone, and are written as they come:
    // from `i`, while no sign waits, up to the first that is not. Returns its index.
    // (Kept in locals: stores to the text could otherwise alias the members.)
    std::size_t simpleGlyphs(std::size_t i) {
        const std::uint8_t* const codes = codes_;
        const std::size_t n = n_;
        char16_t* const t = t_;
        std::size_t* const ends = ends_;
        std::size_t len = len_;
        for (std::size_t k = placed_; k < i; ++k) ends[k] = len;
        for (; i < n; ++i) {
            const std::uint8_t code = codes[i];
            const std::uint8_t f = font_.flags(code);
            const std::uint8_t next = i + 1 < n ? font_.flags(codes[i + 1]) : 0;
            if (!(f & kStandsAlone) || ((f & kIsBase) && (next & kJoinsBase))) break;
            if (asTyped_ && (asTyped_[i] || (i + 1 < n && asTyped_[i + 1]))) break;
            const UnicodeValue& v = font_.value(code);
            std::memcpy(t + len, v.points, sizeof v.points);
            len += std::size_t(v.length);  // a code that stands alone has a value
            ends[i] = len;
        }
        len_ = len;
        placed_ = std::max(placed_, i);
        return i;
    }
    bool pre(std::size_t i) const {
        const GlyphKind k = kind(i);
        return k == GlyphKind::PreVowel || k == GlyphKind::PreRa || k == GlyphKind::Reph;
    }

    // Unicode output is NFC: an e or ee sign left right before an aa sign or the au length
    // mark (as malformed input leaves them, two vowel signs on one consonant) is one sign.
    void compose() {
        for (std::size_t k = 1; k < len_; ++k) {
            const char16_t c = t_[k], before = t_[k - 1];
            if (c != kSignAA && c != kAuLength) continue;
            const char16_t joined = before == kSignE && c == kSignAA    ? kSignO
                                    : before == kSignEE && c == kSignAA ? kSignOO
                                    : before == kSignE && c == kAuLength ? kSignAU
                                                                         : 0;
            if (!joined) continue;
            t_[k - 1] = joined;
            std::memmove(t_ + k, t_ + k + 1, (len_ - k - 1) * sizeof(char16_t));
            --len_;
            for (std::size_t i = 0; i < n_; ++i)
                if (ends_[i] > k) --ends_[i];
            --k;
        }
    }

    void put(char16_t c) { t_[len_++] = c; }
    void put(std::u16string_view v) {
        for (char16_t c : v) t_[len_++] = c;
    }
    void put(std::initializer_list<char16_t> v) { put(std::u16string_view(v.begin(), v.size())); }
    // A code's value; all its places are copied, there being room, to save a branch.
    void putValue(std::uint8_t code) {
        const UnicodeValue& v = font_.value(code);
        std::memcpy(t_ + len_, v.points, sizeof v.points);
        len_ += std::size_t(v.length > 0 ? v.length : 0);
    }

    // Characters before `at` not yet placed moved into what begins at `begin`.
    void placeUpTo(std::size_t at, std::size_t begin) {
        for (; placed_ < at; ++placed_) ends_[placed_] = begin;
    }
    void place(std::size_t at, std::size_t begin, std::u16string_view text = {}) {
        placeUpTo(at, begin);
        put(text);
        ends_[at] = len_;
        placed_ = at + 1;
    }

    void placePendingFront() {
        place(pending_[0], len_, valueOf(codes_[pending_[0]]));
        for (std::size_t k = 1; k < pendingCount_; ++k) pending_[k - 1] = pending_[k];
        --pendingCount_;
    }

    // Signs typed before a base that never came stay where they were.
    void flushPending() {
        for (std::size_t k = 0; k < pendingCount_; ++k) place(pending_[k], len_, valueOf(codes_[pending_[k]]));
        pendingCount_ = 0;
    }

    // The syllable of the base at `b`, written straight into the stretch's text;
    // returns the index after it.
    std::size_t syllable(std::size_t b) {
        char16_t* const t = t_;
        const std::size_t start = len_;
        // Most glyphs are whole syllables: no sign before them, nothing joining after.
        if (pendingCount_ == 0 && font_.role(codes_[b]) != GlyphRole::NtaChillu) {
            const GlyphKind next = b + 1 < n_ ? kind(b + 1) : GlyphKind::Other;
            if (next == GlyphKind::Base || next == GlyphKind::Other || next == GlyphKind::PreVowel ||
                next == GlyphKind::PreRa || next == GlyphKind::Reph || next == GlyphKind::Unknown) {
                placeUpTo(b, start);
                putValue(codes_[b]);
                ends_[b] = len_;
                placed_ = b + 1;
                return b + 1;
            }
        }
        // The dot reph sits on the consonant and comes before it in Unicode.
        for (std::size_t k = 0; k < pendingCount_; ++k)
            if (kind(pending_[k]) == GlyphKind::Reph) putValue(codes_[pending_[k]]);
        const std::size_t begin = len_;
        putValue(codes_[b]);
        // A consonant drawn with its vowel sign (കു): what joins the consonant, typed
        // before or after the glyph, goes before the sign.
        char16_t ligatureSign = 0;
        if (len_ > begin + 1 && isConsonant(t[begin]) && isVowelSign(t[len_ - 1])) ligatureSign = t[--len_];
        char16_t last = 0;  // the consonant a doubling mark repeats
        for (std::size_t k = begin; k < len_; ++k)
            if (isConsonant(t[k])) last = t[k];
        std::size_t i = b + 1;
        // Chillu N and RRA are NTA, also with a sign typed between them.
        if (len_ == begin + 1 && t[begin] == kChilluN) {
            std::size_t j = i;
            while (j < n_ && pre(j)) ++j;
            if (j < n_ && font_.role(codes_[j]) == GlyphRole::NtaRra && j - i <= kMaxPending - pendingCount_) {
                for (; i < j; ++i) pending_[pendingCount_++] = i;
                len_ = begin;
                put({kNa, kVirama, kRra});
                last = kRra;
                i = j + 1;
            }
        }
        for (;;) {
            if (i < n_ && kind(i) == GlyphKind::Geminate && last) {
                put(kVirama);
                put(last);
                ++i;
                continue;
            }
            if (i < n_ && kind(i) == GlyphKind::Virama) {
                // A visible virama joins the consonant after it, signs typed between included.
                std::size_t j = i + 1;
                while (j < n_ && pre(j)) ++j;
                if (j < n_ && j - i - 1 <= kMaxPending - pendingCount_ && kind(j) == GlyphKind::Base &&
                    isConsonant(font_.value(codes_[j]).points[0])) {
                    for (std::size_t k = i + 1; k < j; ++k) pending_[pendingCount_++] = k;
                    put(kVirama);
                    const std::u16string_view joined = valueOf(codes_[j]);
                    for (std::size_t k = 0; k < joined.size(); ++k) {
                        const char16_t c = joined[k];
                        // A consonant drawn with its vowel sign: the sign goes after what joins it.
                        if (k + 1 == joined.size() && k > 0 && isVowelSign(c) && !ligatureSign) {
                            ligatureSign = c;
                            break;
                        }
                        put(c);
                        if (isConsonant(c)) last = c;
                    }
                    i = j + 1;
                    continue;
                }
            }
            break;
        }
        const bool independent = !isConsonant(t[begin]);
        const bool single = len_ == begin + 1;
        char16_t vowels[kMaxPending];
        int vowelCount = 0;
        // Consonant signs drawn after the base belong to it before a ra sign typed before it.
        while (i < n_ && kind(i) == GlyphKind::Medial && font_.role(codes_[i]) == GlyphRole::PostBase)
            putValue(codes_[i++]);
        for (std::size_t k = 0; k < pendingCount_; ++k) {
            const std::size_t p = pending_[k];
            const GlyphKind pk = kind(p);
            if (pk == GlyphKind::PreRa) put({kVirama, kRa});
            else if (pk == GlyphKind::PreVowel) vowels[vowelCount++] = font_.value(codes_[p]).points[0];
        }
        pendingCount_ = 0;
        while (i < n_ && kind(i) == GlyphKind::Medial) putValue(codes_[i++]);
        std::size_t posts = i;
        while (i < n_ && (kind(i) == GlyphKind::PostSign || kind(i) == GlyphKind::Virama)) ++i;
        const char16_t firstPost = posts < i && !ligatureSign ? font_.value(codes_[posts]).points[0] : 0;

        if (vowelCount == 2 && vowels[0] == kSignE && vowels[1] == kSignE) {
            vowels[0] = kSignAI;
            vowelCount = 1;
        }
        if (independent && single && t[begin] == 0x0D0E && vowelCount == 1 && vowels[0] == kSignE) {
            t[begin] = 0x0D10;  // എ with the E sign is ഐ
            vowelCount = 0;
        }
        if (vowelCount == 1 && firstPost) {
            const char16_t joined = vowels[0] == kSignE && firstPost == kSignAA     ? kSignO
                                    : vowels[0] == kSignEE && firstPost == kSignAA  ? kSignOO
                                    : vowels[0] == kSignE && firstPost == kAuLength ? kSignAU
                                                                                     : 0;
            if (joined) {
                vowels[0] = joined;
                ++posts;
            }
        }
        if (independent && single && vowelCount == 0 && firstPost && len_ == begin + 1) {
            // Independent vowels drawn from a vowel and a sign.
            for (const auto& piece : kVowelPieces) {
                if (t[begin] == piece[0] && firstPost == piece[1]) {
                    t[begin] = piece[2];
                    ++posts;
                    break;
                }
            }
        }
        for (int k = 0; k < vowelCount; ++k) put(vowels[k]);
        if (ligatureSign) put(ligatureSign);
        for (; posts < i; ++posts) putValue(codes_[posts]);
        placeUpTo(b, start);
        ends_[b] = len_;
        placed_ = b + 1;
        return i;
    }

    const LegacyEncoding& font_;
    const std::uint8_t* codes_;
    std::size_t n_;
    ConvertedStretch& out_;
    char16_t* t_;
    std::size_t* ends_;
    std::size_t len_ = 0;
    std::size_t placed_ = 0;  // characters before this one have their place
    const std::uint8_t* asTyped_;
    std::size_t pending_[kMaxPending];
    std::size_t pendingCount_ = 0;
};

}  // namespace

void convertStretch(const LegacyEncoding& font, const std::uint8_t* codes, std::size_t n, ConvertedStretch& out,
                    const std::uint8_t* asTyped) {
    Stretch(font, codes, n, out, asTyped).run();
}

}  // namespace tolvarin
