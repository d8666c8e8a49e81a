#include "fonts/legacy_encoder.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "fonts/syllable_writer.h"
#include "fonts/unicode_malayalam.h"
#include "text/codepage.h"

namespace tolvarin {
namespace {

using namespace syllables;

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
        for (char32_t c = 0; c < sameAscii_.size(); ++c) {
            const auto at = same_.find(c);
            sameAscii_[c] = at == same_.end() ? -1 : at->second;
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
        if (c < sameAscii_.size()) return sameAscii_[c];
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
    std::array<std::int16_t, 128> sameAscii_;           // the same for ASCII, -1 for none
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

}  // namespace

namespace syllables {

struct Writer {
    explicit Writer(const LegacyEncoding& encoding) : encoder(encoding) {}
    Encoder encoder;
};

const Writer& writerOf(const LegacyEncoding& encoding) {
    // Made on first use, and read without a lock after: the writers ask for it for every
    // punctuation mark after a word.
    static std::vector<std::unique_ptr<const Writer>> made(legacyEncodings().size());
    static std::vector<std::once_flag> once(legacyEncodings().size());
    auto& w = made[encoding.index()];
    std::call_once(once[encoding.index()], [&] { w = std::make_unique<const Writer>(encoding); });
    return *w;
}

bool write(const Writer& writer, std::u16string_view syllable, EncodedStretch::Written& out, ConvertedStretch& check) {
    return writer.encoder.write(syllable, out, check);
}

int sameCode(const Writer& writer, char32_t c) { return writer.encoder.same(c); }

}  // namespace syllables

int codeOfItself(const LegacyEncoding& encoding, char32_t c) {
    return syllables::sameCode(syllables::writerOf(encoding), c);
}
}  // namespace tolvarin
