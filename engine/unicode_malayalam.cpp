#include "unicode_malayalam.h"

#include <algorithm>

#include "codepage.h"
#include "conversion.h"
#include "document.h"
#include "utf8.h"

namespace tolvarin {
namespace {

// clang-format off
const PanchariValue kTable[256] = {
#include "panchari_unicode_table.inc"
};
// clang-format on

constexpr char16_t kVirama = 0x0D4D;
constexpr char16_t kRa = 0x0D30;
constexpr char16_t kSignE = 0x0D46, kSignEE = 0x0D47, kSignAI = 0x0D48, kSignO = 0x0D4A, kSignOO = 0x0D4B,
                   kSignAU = 0x0D4C, kSignAA = 0x0D3E, kAuLength = 0x0D57;
constexpr char16_t kChilluN = 0x0D7B, kRra = 0x0D31, kNa = 0x0D28;

enum class Kind : std::uint8_t {
    Other,      // punctuation, digits, spaces: a syllable ends here
    Unknown,    // no Unicode value: kept as typed; nothing moves across it
    PreVowel,   // െ േ ൈ, typed before their consonant
    PreRa,      // ്ര, typed before its consonant
    Base,       // a consonant or conjunct, an independent vowel, a chillu
    Virama,     // ്: joins a following consonant, else the syllable's last sign
    Medial,     // the ya, va and la signs
    Geminate,   // doubles the consonant before it
    PostSign,   // vowel signs typed after the consonant, ം ഃ
};

bool isConsonant(char16_t c) { return c >= 0x0D15 && c <= 0x0D39; }

Kind kindOf(std::uint8_t code) {
    const PanchariValue& v = kTable[code];
    if (v.length == kGeminate) return Kind::Geminate;
    if (v.length == kNoValue) return Kind::Unknown;
    const char16_t first = v.points[0];
    if (v.length == 1 && (first == kSignE || first == kSignEE || first == kSignAI)) return Kind::PreVowel;
    if (first == kVirama) {
        if (v.length == 1) return Kind::Virama;
        return v.points[1] == kRa && v.length == 2 ? Kind::PreRa : Kind::Medial;
    }
    if (isConsonant(first) || (first >= 0x0D05 && first <= 0x0D14) || first == 0x0D60 || first == 0x0D61 ||
        (first >= 0x0D7A && first <= 0x0D7F))
        return Kind::Base;
    if ((first >= 0x0D3E && first <= 0x0D44) || first == kAuLength || first == 0x0D62 || first == 0x0D63 ||
        first == 0x0D02 || first == 0x0D03)
        return Kind::PostSign;
    return Kind::Other;
}

struct Kinds {
    Kind of[256];
    Kinds() {
        for (int c = 0; c < 256; ++c) of[c] = kindOf(std::uint8_t(c));
    }
};
const Kinds kKinds;  // reads only the table above, in this file

std::u16string valueOf(std::uint8_t code) {
    const PanchariValue& v = kTable[code];
    return std::u16string(v.points, v.length > 0 ? std::size_t(v.length) : 0);
}

class Stretch {
public:
    Stretch(const std::uint8_t* codes, std::size_t n, std::vector<PlacedText>& out)
        : codes_(codes), n_(n), out_(out) {}

    void run() {
        std::size_t i = 0;
        while (i < n_) {
            switch (kind(i)) {
            case Kind::PreVowel:
            case Kind::PreRa:
                pending_.push_back(i++);
                break;
            case Kind::Base:
                i = syllable(i);
                break;
            case Kind::Unknown:
            case Kind::Geminate:  // with no consonant before it there is nothing to double
                flushPending();
                out_.push_back({i++, {}, false});
                break;
            default:  // punctuation, or a sign with no base before it: stays where it is
                flushPending();
                out_.push_back({i, valueOf(codes_[i]), true});
                ++i;
                break;
            }
        }
        flushPending();
        std::stable_sort(out_.begin() + std::ptrdiff_t(first_), out_.end(),
                         [](const PlacedText& a, const PlacedText& b) { return a.at < b.at; });
    }

private:
    Kind kind(std::size_t i) const { return kKinds.of[codes_[i]]; }
    bool pre(std::size_t i) const { return kind(i) == Kind::PreVowel || kind(i) == Kind::PreRa; }

    // Signs typed before a base that never came stay where they were.
    void flushPending() {
        for (std::size_t p : pending_) out_.push_back({p, valueOf(codes_[p]), true});
        pending_.clear();
    }

    // The syllable of the base at `b`; returns the index after it.
    std::size_t syllable(std::size_t b) {
        std::u16string core = valueOf(codes_[b]);
        char16_t last = 0;  // the consonant a doubling mark repeats
        for (char16_t c : core)
            if (isConsonant(c)) last = c;
        std::size_t i = b + 1;
        // Chillu N and RRA are NTA, also with a sign typed between them.
        if (core.size() == 1 && core[0] == kChilluN) {
            std::size_t j = i;
            while (j < n_ && pre(j)) ++j;
            if (j < n_ && codes_[j] == 0xF9) {
                for (; i < j; ++i) pending_.push_back(i);
                core = {kNa, kVirama, kRra};
                last = kRra;
                i = j + 1;
            }
        }
        for (;;) {
            if (i < n_ && kind(i) == Kind::Geminate && last) {
                core += kVirama;
                core += last;
                ++i;
                continue;
            }
            if (i < n_ && kind(i) == Kind::Virama) {
                // A visible virama joins the consonant after it, signs typed between included.
                std::size_t j = i + 1;
                while (j < n_ && pre(j)) ++j;
                if (j < n_ && kind(j) == Kind::Base && isConsonant(kTable[codes_[j]].points[0])) {
                    for (std::size_t k = i + 1; k < j; ++k) pending_.push_back(k);
                    core += kVirama;
                    for (char16_t c : valueOf(codes_[j])) {
                        core += c;
                        if (isConsonant(c)) last = c;
                    }
                    i = j + 1;
                    continue;
                }
            }
            break;
        }
        std::u16string text = core;
        std::u16string vowel;
        for (std::size_t p : pending_) {
            if (kind(p) == Kind::PreRa) {
                text += kVirama;
                text += kRa;
            } else {
                vowel += kTable[codes_[p]].points[0];
            }
        }
        pending_.clear();
        while (i < n_ && kind(i) == Kind::Medial) text += valueOf(codes_[i++]);
        std::u16string posts;
        while (i < n_ && (kind(i) == Kind::PostSign || kind(i) == Kind::Virama)) posts += valueOf(codes_[i++]);

        if (vowel == std::u16string{kSignE, kSignE}) vowel = {kSignAI};
        const bool independent = !isConsonant(core[0]);
        if (independent && core == u"\u0D0E" && vowel == std::u16string{kSignE}) {
            text = u"\u0D10";  // എ with the E sign is ഐ
            vowel.clear();
        }
        if (vowel.size() == 1 && !posts.empty()) {
            const char16_t joined = vowel[0] == kSignE && posts[0] == kSignAA     ? kSignO
                                    : vowel[0] == kSignEE && posts[0] == kSignAA  ? kSignOO
                                    : vowel[0] == kSignE && posts[0] == kAuLength ? kSignAU
                                                                                   : 0;
            if (joined) {
                vowel = {joined};
                posts.erase(0, 1);
            }
        }
        if (independent && vowel.empty() && !posts.empty() && text.size() == 1) {
            // Independent vowels drawn from a vowel and a sign.
            static constexpr char16_t kPieces[][3] = {{0x0D12, kSignAA, 0x0D13},   {0x0D07, kAuLength, 0x0D08},
                                                      {0x0D09, kAuLength, 0x0D0A}, {0x0D12, kAuLength, 0x0D14},
                                                      {0x0D0B, kAuLength, 0x0D60}};
            for (const auto& piece : kPieces) {
                if (text[0] == piece[0] && posts[0] == piece[1]) {
                    text = {piece[2]};
                    posts.erase(0, 1);
                    break;
                }
            }
        }
        out_.push_back({b, text + vowel + posts, true});
        return i;
    }

    const std::uint8_t* codes_;
    std::size_t n_;
    std::vector<PlacedText>& out_;
    std::size_t first_ = out_.size();
    std::vector<std::size_t> pending_;
};

}  // namespace

const PanchariValue& panchariUnicode(std::uint8_t code) { return kTable[code]; }

void convertStretch(const std::uint8_t* codes, std::size_t n, std::vector<PlacedText>& out) {
    Stretch(codes, n, out).run();
}

std::u16string convertStretchToText(const std::uint8_t* codes, std::size_t n) {
    std::vector<PlacedText> pieces;
    convertStretch(codes, n, pieces);
    std::u16string text;
    for (const PlacedText& p : pieces) text += p.known ? p.text : std::u16string(1, decodeCp1252(codes[p.at]));
    return text;
}

std::string documentUnicodeText(const Document& doc, std::size_t* unknown) {
    const std::u16string& text = doc.text();
    const auto& runs = doc.runs();
    std::vector<bool> source(doc.fonts().size());
    for (std::size_t f = 0; f < source.size(); ++f) source[f] = isSourceFont(doc.fonts()[f].name);
    std::string out;
    std::vector<std::uint8_t> stretch;
    std::vector<PlacedText> pieces;
    auto flush = [&] {
        pieces.clear();
        convertStretch(stretch.data(), stretch.size(), pieces);
        for (const PlacedText& p : pieces) {
            if (!p.known && unknown) ++*unknown;
            if (!p.known) appendUtf8(out, decodeCp1252(stretch[p.at]));
            for (char16_t c : p.text) appendUtf8(out, c);
        }
        stretch.clear();
    };
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const std::size_t end = r + 1 < runs.size() ? runs[r + 1].start : text.size();
        const bool inSource = source[runs[r].format.font];
        for (std::size_t i = runs[r].start; i < end; ++i) {
            const char16_t c = text[i];
            const bool lineEnd = c == kParagraphBreak || c == kLineBreak;
            const int code = inSource && !lineEnd ? encodeCp1252(c) : -1;
            if (code >= 0) {
                stretch.push_back(std::uint8_t(code));
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

}  // namespace tolvarin
