#include "fonts/legacy_encoder.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "fonts/unicode_malayalam.h"
#include "text/codepage.h"

namespace tolvarin {
namespace {

constexpr char16_t kVirama = 0x0D4D, kRa = 0x0D30, kZwnj = 0x200C, kZwj = 0x200D;
constexpr char16_t kSignE = 0x0D46, kSignEE = 0x0D47, kSignAI = 0x0D48, kSignO = 0x0D4A, kSignOO = 0x0D4B,
                   kSignAU = 0x0D4C, kSignAA = 0x0D3E, kAuLength = 0x0D57, kDotReph = 0x0D4E;
constexpr char16_t kNa = 0x0D28, kRra = 0x0D31, kChilluN = 0x0D7B, kChilluRR = 0x0D7C, kE = 0x0D0E, kAI = 0x0D10;

bool isConsonant(char32_t c) { return c >= 0x0D15 && c <= 0x0D3A; }
bool isVowelSign(char32_t c) {
    return (c >= 0x0D3E && c <= 0x0D44) || (c >= 0x0D46 && c <= 0x0D4C && c != 0x0D49) || c == kAuLength ||
           c == 0x0D62 || c == 0x0D63;
}
bool isMark(char32_t c) { return c <= 0x0D03 && c >= 0x0D00; }
bool isIndependentVowel(char32_t c) { return (c >= 0x0D05 && c <= 0x0D14) || c == 0x0D60 || c == 0x0D61; }

// A chillu's consonant, or 0: the chillus a font may lack are drawn as it with a virama.
char16_t chilluConsonant(char32_t c) {
    switch (c) {
    case 0x0D7A: return 0x0D23;
    case 0x0D7B: return 0x0D28;
    case 0x0D7C: return 0x0D30;
    case 0x0D7D: return 0x0D32;
    case 0x0D7E: return 0x0D33;
    case 0x0D7F: return 0x0D15;
    case 0x0D54: return 0x0D2E;
    case 0x0D55: return 0x0D2F;
    case 0x0D56: return 0x0D34;
    default: return 0;
    }
}
// The atomic chillu a consonant + virama + ZWJ spells, or 0.
char16_t chilluOf(char32_t consonant) {
    for (char16_t c : {0x0D7A, 0x0D7B, 0x0D7C, 0x0D7D, 0x0D7E, 0x0D7F})
        if (chilluConsonant(c) == consonant) return c;
    return 0;
}

// A glyph the font draws, as the codes that draw it (one, or NTA's two).
struct Glyph {
    std::uint8_t codes[2];
    std::uint8_t length;
    std::uint8_t cost;  // codes, and more for a code whose reading is disputed
    GlyphKind kind;
    bool postBase;
};

class Encoder {
public:
    explicit Encoder(const LegacyEncoding& encoding) : encoding_(encoding) {
        const EncodingTable& table = encoding.table();
        auto rank = [&](int code) {
            const bool first = code >= table.writtenFirst && code <= table.writtenLast;
            return std::array<int, 3>{table.writing[code], first ? 0 : 1, code};
        };
        for (int code = 0; code < 256; ++code) {
            const UnicodeValue& v = encoding.value(std::uint8_t(code));
            // 0xAD is Windows-1252's soft hyphen, which word processors hide.
            if (v.length <= 0 || table.writing[code] == 2 || code == 0xAD || encoding.isLatin(std::uint8_t(code)))
                continue;
            const std::u16string value(v.points, std::size_t(v.length));
            const GlyphKind kind = encoding.kind(std::uint8_t(code));
            const Glyph g{{std::uint8_t(code), 0}, 1, std::uint8_t(table.writing[code] == 1 ? 9 : 1), kind,
                          encoding.role(std::uint8_t(code)) == GlyphRole::PostBase};
            auto [at, isNew] = glyphs_.try_emplace(value, g);
            if (!isNew && rank(code) < rank(at->second.codes[0])) at->second = g;
            if (v.length == 1 && (v.points[0] < 0x0D00 || v.points[0] > 0x0D7F) &&
                decodeCp1252(std::uint8_t(code)) == v.points[0] && table.writing[code] == 0)
                same_.try_emplace(v.points[0], std::uint8_t(code));
        }
        virama_ = find(std::u16string_view(&kVirama, 1));
        static constexpr char16_t kRaSign[] = {kVirama, kRa};
        raSign_ = find(std::u16string_view(kRaSign, 2));
        reph_ = find(std::u16string_view(&kDotReph, 1));
        // NTA from its two glyphs, where the font has none for it whole.
        static constexpr char16_t kNta[] = {kNa, kVirama, kRra};
        if (table.ntaChillu >= 0 && !find(std::u16string_view(kNta, 3)))
            glyphs_.emplace(std::u16string(kNta, 3),
                            Glyph{{std::uint8_t(table.ntaChillu), std::uint8_t(table.ntaRra)}, 2, 2, GlyphKind::Base, false});
    }

    const Glyph* find(std::u16string_view value) const {
        key_.assign(value);
        const auto at = glyphs_.find(key_);
        return at == glyphs_.end() ? nullptr : &at->second;
    }
    int same(char32_t c) const {
        const auto at = same_.find(c);
        return at == same_.end() ? -1 : at->second;
    }

    // Writes a syllable (folded, as splitSyllable() cuts it); false where the font
    // cannot draw it so that it reads back as it was.
    bool write(std::u16string_view syllable, EncodedStretch::Written& out, ConvertedStretch& check) const;

private:
    struct Cut;
    bool cutCluster(const std::u16string& consonants, const std::vector<bool>& visible, std::u16string_view absorb,
                    Cut& cut) const;
    bool signs(const std::u16string& c, const std::vector<bool>& visible, std::size_t m, std::u16string_view absorb,
               Cut& cut) const;
    bool vowelPieces(char16_t sign, std::u16string& pre, std::u16string& post) const;
    bool reads(const std::string& codes, std::u16string_view expected, ConvertedStretch& check) const;
    bool writeConsonants(std::u16string_view s, bool withLigature, std::string& codes, std::u16string& expected) const;

    const LegacyEncoding& encoding_;
    std::unordered_map<std::u16string, Glyph> glyphs_;
    std::unordered_map<char32_t, std::uint8_t> same_;  // characters at the code that is themselves
    const Glyph* virama_ = nullptr;
    const Glyph* raSign_ = nullptr;
    const Glyph* reph_ = nullptr;
    static thread_local std::u16string key_;
};

thread_local std::u16string Encoder::key_;

void append(std::string& codes, const Glyph& g) { codes.append(reinterpret_cast<const char*>(g.codes), g.length); }

// A cluster cut into glyphs: the units joined by visible viramas, the last of them the
// base, and the signs that draw its last consonants (the ra sign, consonant signs). The
// last unit or sign may be drawn with the sign after the cluster (കു, ്യു, ന്).
struct Encoder::Cut {
    std::vector<const Glyph*> units;
    bool ra = false;
    std::vector<const Glyph*> after;  // consonant signs drawn after the base, in order
    bool absorbed = false;
    int cost = 0;
};

// Whether c[m, end) can be drawn as signs after the base: consonant signs drawn after
// it, then the ra sign, then one more sign (ya, va, la); their cost is added to `cost`,
// the last drawn with `absorb` where that is given and the font has the glyph.
bool Encoder::signs(const std::u16string& c, const std::vector<bool>& visible, std::size_t m,
                    std::u16string_view absorb, Cut& cut) const {
    int phase = 0;
    for (std::size_t t = m; t < c.size(); ++t) {
        if (visible[t]) return false;
        if (c[t] == kRa && raSign_ && phase <= 1) {
            phase = 2, cut.cost += raSign_->cost, cut.ra = true;
            continue;
        }
        std::u16string sign{kVirama, c[t]};
        const Glyph* g = find(sign);
        if (!g || g->kind != GlyphKind::Medial) return false;
        if (g->postBase && phase <= 1) phase = 1;
        else if (!g->postBase && phase <= 2) phase = 3;
        else return false;
        if (t + 1 == c.size() && !absorb.empty()) {
            if (const Glyph* with = find(sign.append(absorb))) g = with, cut.absorbed = true;
        }
        cut.cost += g->cost;
        cut.after.push_back(g);
    }
    return true;
}

bool Encoder::cutCluster(const std::u16string& c, const std::vector<bool>& visible, std::u16string_view absorb,
                         Cut& cut) const {
    const std::size_t n = c.size();
    constexpr int kNone = 1 << 20;
    auto joined = [&](std::size_t from, std::size_t to) {
        std::u16string value;
        for (std::size_t k = from; k < to; ++k) (k > from ? value += kVirama : value) += c[k];
        return value;
    };
    // best[i]: the fewest codes that draw c[0, i) as units; from[i]: where its last unit begins.
    std::vector<int> best(n + 1, kNone), from(n + 1, -1);
    std::vector<const Glyph*> unit(n + 1, nullptr);
    best[0] = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = i; j-- > 0;) {
            if (best[j] < kNone && (j == 0 || virama_)) {
                const Glyph* g = find(joined(j, i));
                if (g && g->kind == GlyphKind::Base) {
                    const int cost = best[j] + g->cost + (j > 0 ? virama_->cost : 0);
                    if (cost < best[i]) best[i] = cost, from[i] = int(j), unit[i] = g;
                }
            }
            // No glyph spans a visible virama.
            if (visible[j]) break;
        }
    }
    // The last unit is c[j, m), the rest signs; with `absorb`, the last unit or sign draws it too.
    bool found = false;
    for (std::size_t m = n; m >= 1; --m) {
        for (std::size_t j = m; j-- > 0;) {
            if (best[j] < kNone && (j == 0 || virama_)) {
                std::u16string value = joined(j, m);
                const Glyph* plain = find(value);
                const Glyph* with = absorb.empty() ? nullptr : find(value.append(absorb));
                for (const Glyph* g : {plain, with}) {
                    if (!g || g->kind != GlyphKind::Base) continue;
                    Cut trial;
                    trial.cost = best[j] + (j > 0 ? virama_->cost : 0) + g->cost;
                    trial.absorbed = g == with;
                    // A sign after a base drawn with its vowel would read before the vowel.
                    if (trial.absorbed && m < n && !(m + 1 == n && c[m] == kRa && raSign_)) continue;
                    if (!signs(c, visible, m, trial.absorbed ? std::u16string_view() : absorb, trial)) continue;
                    if (!absorb.empty() && !trial.absorbed) trial.cost += int(absorb.size());
                    if (found && trial.cost >= cut.cost) continue;
                    for (std::size_t i = j; i > 0; i = std::size_t(from[i])) trial.units.insert(trial.units.begin(), unit[i]);
                    trial.units.push_back(g);
                    cut = std::move(trial);
                    found = true;
                }
            }
            if (visible[j]) break;
        }
    }
    return found;
}

// A vowel sign as the glyphs typed before the base and after it.
bool Encoder::vowelPieces(char16_t sign, std::u16string& pre, std::u16string& post) const {
    if (const Glyph* g = find(std::u16string_view(&sign, 1))) {
        (g->kind == GlyphKind::PreVowel ? pre : post) += sign;
        return true;
    }
    switch (sign) {
    case kSignO: pre += kSignE, post += kSignAA; break;
    case kSignOO: pre += kSignEE, post += kSignAA; break;
    case kSignAU: pre += kSignE, post += kAuLength; break;
    case kSignAI: pre += kSignE, pre += kSignE; break;
    default: return false;
    }
    for (char16_t c : pre + post)
        if (!find(std::u16string_view(&c, 1))) return false;
    return true;
}

bool Encoder::reads(const std::string& codes, std::u16string_view expected, ConvertedStretch& check) const {
    convertStretch(encoding_, reinterpret_cast<const std::uint8_t*>(codes.data()), codes.size(), check);
    return check.kept.empty() && check.text() == expected;
}

// A consonant syllable: [reph] cluster [vowel signs | virama] [marks].
bool Encoder::writeConsonants(std::u16string_view s, bool withLigature, std::string& codes,
                              std::u16string& expected) const {
    std::size_t k = 0;
    if (s[k] == kDotReph) {
        if (reph_) append(codes, *reph_), expected += kDotReph;
        else if (const Glyph* rr = find(std::u16string_view(&kChilluRR, 1))) append(codes, *rr), expected += kChilluRR;
        else return false;
        ++k;
    }
    std::u16string consonants;
    std::vector<bool> visible;
    consonants += s[k++];
    visible.push_back(false);
    while (k + 1 < s.size() && s[k] == kVirama) {
        bool forced = false;
        std::size_t next = k + 1;
        if (s[next] == kZwnj) forced = true, ++next;
        if (next >= s.size() || !isConsonant(s[next])) break;
        consonants += s[next];
        visible.push_back(forced);
        k = next + 1;
    }
    std::u16string signs(s.substr(k));
    std::u16string pre, post, marks;
    bool finalVirama = false;
    for (char16_t c : signs) {
        if (c == kZwnj) continue;
        if (c == kVirama) finalVirama = true;
        else if (isVowelSign(c)) {
            if (finalVirama) return false;
            if (!pre.empty() || !post.empty()) {
                // A second vowel sign (as typed in error) drawn after the first, where it reads
                // back so; one typed before the base cannot be.
                const Glyph* g = find(std::u16string_view(&c, 1));
                if (!g || g->kind != GlyphKind::PostSign) return false;
                post += c;
                continue;
            }
            if (!vowelPieces(c, pre, post)) return false;
        } else marks += c;
    }
    if (finalVirama && !virama_) return false;
    // The last glyph drawn with the sign after it (കു, ്യു, ന്), where the font has one.
    std::u16string absorb;
    if (withLigature && post.size() == 1 && !finalVirama) absorb = post;
    if (withLigature && post.empty() && finalVirama) absorb = std::u16string(1, kVirama);
    Cut cut;
    if (!cutCluster(consonants, visible, absorb, cut)) return false;
    if (cut.absorbed) {
        post.clear();
        finalVirama = false;
    }
    for (std::size_t u = 0; u + 1 < cut.units.size(); ++u) append(codes, *cut.units[u]), append(codes, *virama_);
    for (char16_t c : pre) append(codes, *find(std::u16string_view(&c, 1)));
    if (cut.ra) append(codes, *raSign_);
    append(codes, *cut.units.back());
    for (const Glyph* g : cut.after) append(codes, *g);
    for (char16_t c : post) append(codes, *find(std::u16string_view(&c, 1)));
    if (finalVirama) append(codes, *virama_);
    for (char16_t c : marks) {
        const Glyph* g = find(std::u16string_view(&c, 1));
        if (!g) return false;
        append(codes, *g);
    }
    for (char16_t c : s.substr(expected.empty() ? 0 : 1))
        if (c != kZwnj) expected += c;
    return true;
}

bool Encoder::write(std::u16string_view s, EncodedStretch::Written& out, ConvertedStretch& check) const {
    out = {{}, false, false};
    std::u16string expected;
    const char16_t first = s[0];
    if (isConsonant(first) || (first == kDotReph && s.size() > 1)) {
        for (bool ligature : {true, false}) {
            out.codes.clear();
            expected.clear();
            if (writeConsonants(s, ligature, out.codes, expected) && reads(out.codes, expected, check)) {
                out.drawn = true;
                out.approximated = first == kDotReph && !reph_;
                return true;
            }
        }
        return false;
    }
    if (isIndependentVowel(first)) {
        if (const Glyph* g = find(std::u16string_view(&first, 1))) {
            append(out.codes, *g);
        } else {
            // Drawn from pieces, written in the order they are drawn.
            bool drawn = false;
            if (first == kAI) {
                const Glyph* e = find(std::u16string_view(&kSignE, 1));
                const Glyph* base = find(std::u16string_view(&kE, 1));
                if (e && base) append(out.codes, *e), append(out.codes, *base), drawn = true;
            }
            for (const auto& piece : kVowelPieces) {
                if (piece[2] != first || drawn) continue;
                const Glyph* base = find(std::u16string_view(&piece[0], 1));
                const Glyph* sign = find(std::u16string_view(&piece[1], 1));
                if (base && sign) append(out.codes, *base), append(out.codes, *sign), drawn = true;
            }
            if (!drawn) return false;
        }
        for (char16_t c : s.substr(1)) {
            const Glyph* g = find(std::u16string_view(&c, 1));
            if (!g) return false;
            append(out.codes, *g);
        }
    } else if (const Glyph* g = find(s)) {
        append(out.codes, *g);
    } else if (first == kDotReph && s.size() == 1) {
        // A dot reph with no consonant after it, in a font without one: the chillu it stands for.
        const Glyph* rr = find(std::u16string_view(&kChilluRR, 1));
        if (!rr) return false;
        append(out.codes, *rr);
        out.drawn = out.approximated = true;
        return reads(out.codes, std::u16string_view(&kChilluRR, 1), check);
    } else if (const char16_t consonant = chilluConsonant(first); consonant && s.size() == 1) {
        // A chillu the font lacks: its consonant with a visible virama.
        const Glyph* g = find(std::u16string_view(&consonant, 1));
        if (!g || !virama_) return false;
        append(out.codes, *g), append(out.codes, *virama_);
        out.drawn = out.approximated = true;
        expected = {consonant, kVirama};
        return reads(out.codes, expected, check);
    } else {
        return false;
    }
    out.drawn = reads(out.codes, s, check);
    return out.drawn;
}

// A stretch's characters folded into the form syllables are written from: NFC, the
// atomic chillus, NTA in every spelling as ന്റ, a ZWNJ kept only after a virama (which
// it keeps visible), other joiners dropped. Each keeps the place it came from.
struct Folded {
    std::u16string text;
    std::vector<std::size_t> from;
};

void fold(const char32_t* in, std::size_t n, Folded& f) {
    f.text.clear();
    f.from.clear();
    auto put = [&](char32_t c, std::size_t at) {
        f.text += char16_t(c);
        f.from.push_back(at);
    };
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t c = in[i];
        // Most characters are none of those folded here.
        if (c != kZwnj && c != kZwj && c != kChilluN && c != kSignAA && c != kAuLength) {
            put(c < 0x10000 ? c : 0xFFFD, i);
            continue;
        }
        const char16_t last = f.text.empty() ? 0 : f.text.back();
        if (c == kZwnj || c == kZwj) {
            if (last != kVirama) continue;
            const std::size_t t = f.text.size();
            if (c == kZwj && t >= 2 && chilluOf(f.text[t - 2])) {
                f.text[t - 2] = chilluOf(f.text[t - 2]);
                f.text.pop_back();
                f.from.pop_back();
                if (f.text.back() != kChilluN) continue;
                // A chillu N goes on to be looked at as NTA, below.
            } else {
                if (c == kZwnj || i + 1 >= n || isConsonant(in[i + 1])) put(kZwnj, i);
                continue;
            }
        }
        // NTA: chillu N (atomic, or ന്‍ folded so above) before RRA, a virama or the old
        // visual order's e sign between.
        const bool chilluN = c == kChilluN || (c == kZwj && f.text.size() >= 1 && f.text.back() == kChilluN);
        if (chilluN) {
            const bool rra = i + 1 < n && in[i + 1] == kRra;
            const bool viramaRra = i + 2 < n && in[i + 1] == kVirama && in[i + 2] == kRra;
            const bool eRra = i + 2 < n && in[i + 1] == kSignE && in[i + 2] == kRra;  // old visual order
            if (rra || viramaRra || eRra) {
                std::size_t at = i;
                if (c == kZwj) {  // the chillu folded from ന്‍ stands for ന
                    at = f.from.back();
                    f.text.pop_back();
                    f.from.pop_back();
                }
                put(kNa, at), put(kVirama, at), put(kRra, rra ? i + 1 : i + 2);
                if (eRra) f.from.back() = at, put(kSignE, i + 1);
                i += rra ? 1 : 2;
                continue;
            }
            if (c == kZwj) continue;
        }
        if (c == kSignAA && last == kSignE) f.text.back() = kSignO;
        else if (c == kSignAA && last == kSignEE) f.text.back() = kSignOO;
        else if (c == kAuLength && last == kSignE) f.text.back() = kSignAU;
        else put(c < 0x10000 ? c : 0xFFFD, i);
    }
}

// Where the syllable that begins at `k` of folded text ends.
std::size_t syllableEnd(const std::u16string& t, std::size_t k) {
    const std::size_t n = t.size();
    const char16_t c = t[k];
    std::size_t e = k + 1;
    if (c == kDotReph && e < n && isConsonant(t[e])) return syllableEnd(t, e);
    if (isConsonant(c)) {
        for (;;) {
            if (e + 1 < n && t[e] == kVirama && isConsonant(t[e + 1])) e += 2;
            else if (e + 2 < n && t[e] == kVirama && t[e + 1] == kZwnj && isConsonant(t[e + 2])) e += 3;
            else break;
        }
        if (e < n && t[e] == kVirama) {
            ++e;
            if (e < n && t[e] == kZwnj) ++e;
        } else {
            while (e < n && isVowelSign(t[e])) ++e;
        }
        while (e < n && isMark(t[e])) ++e;
    } else if (isIndependentVowel(c)) {
        while (e < n && isMark(t[e])) ++e;
    }
    return e;
}

constexpr std::size_t kRecent = 4096;

// A syllable as the encoder writes it, worked out once for each stretch's room.
const EncodedStretch::Written& writtenSyllable(const Encoder& encoder, std::u16string_view syllable,
                                               EncodedStretch& out, ConvertedStretch& check) {
    // Text of a great many distinct syllables (random, or hostile) starts the room afresh
    // rather than let it grow without end.
    constexpr std::size_t kMostRemembered = std::size_t(1) << 16;
    if (out.written.size() >= kMostRemembered) {
        out.memo.clear();
        out.written.clear();
        out.recent.assign(kRecent, EncodedStretch::Recent{});
    }
    EncodedStretch::Recent* slot = nullptr;
    if (syllable.size() <= std::size(EncodedStretch::Recent{}.text)) {
        std::uint32_t h = 2166136261u;
        for (char16_t c : syllable) h = (h ^ c) * 16777619u;
        slot = &out.recent[(h ^ (h >> 15)) & (kRecent - 1)];
        if (slot->length == syllable.size() && std::equal(syllable.begin(), syllable.end(), slot->text))
            return out.written[slot->index];
    }
    std::u16string key(syllable);
    auto [at, isNew] = out.memo.try_emplace(std::move(key), std::uint32_t(out.written.size()));
    if (isNew) {
        out.written.emplace_back();
        encoder.write(syllable, out.written.back(), check);
    }
    if (slot) {
        std::copy(syllable.begin(), syllable.end(), slot->text);
        slot->length = std::uint8_t(syllable.size());
        slot->index = at->second;
    }
    return out.written[at->second];
}

const Encoder& encoderOf(const LegacyEncoding& encoding) {
    static std::mutex mutex;
    static std::vector<std::unique_ptr<const Encoder>> made(legacyEncodings().size());
    std::lock_guard lock(mutex);
    auto& e = made[encoding.index()];
    if (!e) e = std::make_unique<const Encoder>(encoding);
    return *e;
}

}  // namespace

void encodeStretch(const LegacyEncoding& encoding, const char32_t* text, std::size_t n, EncodedStretch& out) {
    if (out.memoFor != &encoding) {
        out.memo.clear();
        out.written.clear();
        out.recent.assign(kRecent, EncodedStretch::Recent{});
        out.memoFor = &encoding;
        out.encoder = &encoderOf(encoding);
    }
    const Encoder& encoder = *static_cast<const Encoder*>(out.encoder);
    out.codes.clear();
    out.kept.clear();
    out.ends.assign(n, 0);
    out.approximated = 0;
    thread_local Folded f;
    thread_local ConvertedStretch check;
    fold(text, n, f);
    std::size_t placed = 0;
    auto placeUpTo = [&](std::size_t at) {
        for (; placed < at; ++placed) out.ends[placed] = out.codes.size();
    };
    for (std::size_t k = 0; k < f.text.size();) {
        const std::size_t e = syllableEnd(f.text, k);
        const std::size_t from = f.from[k], to = e < f.text.size() ? f.from[e] : n;
        const std::u16string_view syllable(f.text.data() + k, e - k);
        placeUpTo(from);
        if (!isMalayalamText(text[from])) {
            // Other characters only where the code is the character itself.
            const int same = encoder.same(text[from]);
            if (same >= 0) out.codes += char(same);
            else out.kept.push_back(from);
        } else {
            const EncodedStretch::Written& w = writtenSyllable(encoder, syllable, out, check);
            if (w.drawn) {
                out.codes += w.codes;
                if (w.approximated) out.approximated += to - from;
            } else {
                for (std::size_t i = from; i < to; ++i) out.kept.push_back(i);
            }
        }
        if (from < n) out.ends[from] = out.codes.size();
        placed = std::max(placed, from + 1);
        for (; placed < to; ++placed) out.ends[placed] = out.codes.size();
        k = e;
    }
    placeUpTo(n);
}

std::u16string foldedMalayalam(std::u32string_view text) {
    Folded f;
    fold(text.data(), text.size(), f);
    std::u16string out;
    for (char16_t c : f.text)
        if (c != kZwnj) out += c;
    return out;
}

EncodedText encodeText(const LegacyEncoding& encoding, std::u32string_view text) {
    EncodedStretch s;
    encodeStretch(encoding, text.data(), text.size(), s);
    EncodedText out;
    out.approximated = s.approximated;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (kept < s.kept.size() && s.kept[kept] == i) {
            ++kept;
            const char32_t c = text[i];
            if (isMalayalamText(c)) {
                ++out.notDrawnCount;
                if (out.notDrawn.find(c) == std::u32string::npos) out.notDrawn += c;
            }
            const int byte = c < 0x10000 ? encodeCp1252(char16_t(c)) : -1;
            if (c != kZwj && c != kZwnj) out.codes += byte >= 0 ? char(byte) : '?';
            continue;
        }
        out.codes.append(s.codes, s.begin(i), s.ends[i] - s.begin(i));
    }
    return out;
}

}  // namespace tolvarin
