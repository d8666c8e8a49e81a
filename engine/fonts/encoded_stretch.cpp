// Unicode stretches written in a legacy encoding's codes, syllable by syllable (see
// legacy_encoder.h); each syllable is written once and remembered.
#include "fonts/legacy_encoder.h"

#include <algorithm>
#include <utility>

#include "fonts/syllable_writer.h"
#include "text/codepage.h"

namespace tolvarin {
namespace {

using namespace syllables;

// A stretch's characters folded into the form syllables are written from: NFC, the
// atomic chillus, NTA in every spelling as ന്റ, a ZWNJ kept only after a virama (which
// it keeps visible), other joiners dropped. Each keeps the place it came from.
using Folded = EncodedStretch::Scratch;

void fold(const char32_t* in, std::size_t n, Folded& f) {
    f.text.clear();
    f.from.clear();
    f.identity = true;
    // Most text has nothing to fold: each of its characters stays in its own place.
    std::size_t same = 0;
    for (char32_t last = 0; same < n; last = in[same++]) {
        const char32_t c = in[same];
        if (c >= 0x10000 || c == kZwnj || c == kZwj || c == kChilluN || (c == kSignAA && (last == kSignE || last == kSignEE)) ||
            (c == kAuLength && last == kSignE))
            break;
    }
    f.text.resize(same);
    for (std::size_t i = 0; i < same; ++i) f.text[i] = char16_t(in[i]);
    if (same == n) return;
    f.identity = false;
    f.from.resize(same);
    for (std::size_t i = 0; i < same; ++i) f.from[i] = i;
    auto put = [&](char32_t c, std::size_t at) {
        f.text += char16_t(c);
        f.from.push_back(at);
    };
    for (std::size_t i = same; i < n; ++i) {
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

// A syllable packed as a key of the remembered table, a byte a character; 0 where it is
// too long or has a character outside the block (and ZWNJ).
std::uint64_t packedSyllable(std::u16string_view syllable) {
    if (syllable.size() > 8) return 0;
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < syllable.size(); ++i) {
        const char16_t c = syllable[i];
        std::uint64_t b;
        if (c >= 0x0D00 && c <= 0x0D7F) b = c - 0x0D00 + 1;
        else if (c == kZwnj) b = 0x81;
        else return 0;
        key |= b << (8 * i);
    }
    return key;
}

constexpr std::size_t kFirstRoom = 1024;

void forgetAll(EncodedStretch& out) {
    out.memo.clear();
    out.written.clear();
    out.remembered.assign(kFirstRoom, EncodedStretch::Remembered{});
    out.rememberedCount = 0;
}

std::size_t firstSlot(const std::vector<EncodedStretch::Remembered>& table, std::uint64_t key) {
    return std::size_t((key * 0x9E3779B97F4A7C15ull) >> 40) & (table.size() - 1);
}
const EncodedStretch::Remembered* slotAt(const std::vector<EncodedStretch::Remembered>& table, std::uint64_t key) {
    return &table[firstSlot(table, key)];
}

EncodedStretch::Remembered* slotFor(std::vector<EncodedStretch::Remembered>& table, std::uint64_t key) {
    const std::size_t mask = table.size() - 1;
    std::size_t i = firstSlot(table, key);
    while (table[i].key != 0 && table[i].key != key) i = (i + 1) & mask;
    return &table[i];
}

// A syllable's codes as the encoder writes them, good until the next syllable's.
struct SyllableCodes {
    std::string_view codes;
    bool drawn, approximated;
};
SyllableCodes codesOf(const EncodedStretch::Written& w) { return {w.codes, w.drawn, w.approximated}; }

// A syllable as the encoder writes it, worked out once for each stretch's room: in the
// table where its text packs and its codes fit, else in the map.
SyllableCodes writtenSyllable(const Writer& encoder, std::u16string_view syllable, std::uint64_t key,
                              EncodedStretch& out, ConvertedStretch& check, EncodedStretch::Written& room) {
    // Text of a great many distinct syllables (random, or hostile) starts the room afresh
    // rather than let it grow without end.
    constexpr std::size_t kMostRemembered = std::size_t(1) << 16;
    if (key != 0) {
        const EncodedStretch::Remembered* slot = slotFor(out.remembered, key);
        if (slot->key == key) return {std::string_view(slot->codes, slot->length), slot->drawn, slot->approximated};
    }
    thread_local std::u16string text;
    text.assign(syllable);
    if (const auto at = out.memo.find(text); at != out.memo.end()) return codesOf(out.written[at->second]);
    write(encoder, syllable, room, check);
    if (key != 0 && room.codes.size() <= sizeof EncodedStretch::Remembered{}.codes) {
        if (out.rememberedCount >= kMostRemembered) {
            forgetAll(out);
        } else if (2 * (out.rememberedCount + 1) > out.remembered.size()) {
            std::vector<EncodedStretch::Remembered> grown(2 * out.remembered.size());
            for (const auto& r : out.remembered)
                if (r.key != 0) *slotFor(grown, r.key) = r;
            out.remembered.swap(grown);
        }
        EncodedStretch::Remembered* slot = slotFor(out.remembered, key);
        slot->key = key;
        slot->length = std::uint8_t(room.codes.size());
        slot->drawn = room.drawn;
        slot->approximated = room.approximated;
        std::copy(room.codes.begin(), room.codes.end(), slot->codes);
        ++out.rememberedCount;
        return codesOf(room);
    }
    if (out.written.size() >= kMostRemembered) {
        out.memo.clear();
        out.written.clear();
    }
    out.memo.emplace(text, std::uint32_t(out.written.size()));
    out.written.push_back(room);
    return codesOf(out.written.back());
}

}  // namespace

void encodeStretch(const LegacyEncoding& encoding, const char32_t* text, std::size_t n, EncodedStretch& out) {
    if (out.memoFor != &encoding) {
        forgetAll(out);
        out.memoFor = &encoding;
        out.encoder = &writerOf(encoding);
    }
    const Writer& encoder = *static_cast<const Writer*>(out.encoder);
    out.codes.clear();
    out.kept.clear();
    out.ends.assign(n, 0);
    out.approximated = 0;
    thread_local ConvertedStretch check;
    thread_local EncodedStretch::Written room;
    Folded& f = out.scratch;
    std::vector<std::pair<std::size_t, std::uint64_t>>& syllables = f.syllables;
    fold(text, n, f);
    const auto origin = [&f](std::size_t k) { return f.identity ? k : f.from[k]; };
    // The syllables first, each one's place in the table asked for from memory at once:
    // in text of many distinct syllables that waiting is most of the time.
    syllables.clear();
    for (std::size_t k = 0; k < f.text.size();) {
        const std::size_t e = syllableEnd(f.text, k);
        const std::uint64_t key = packedSyllable(std::u16string_view(f.text.data() + k, e - k));
        if (key != 0) __builtin_prefetch(slotAt(out.remembered, key));
        syllables.emplace_back(e, key);
        k = e;
    }
    std::size_t placed = 0;
    auto placeUpTo = [&](std::size_t at) {
        for (; placed < at; ++placed) out.ends[placed] = out.codes.size();
    };
    std::size_t k = 0;
    for (const auto& [e, key] : syllables) {
        const std::size_t from = origin(k), to = e < f.text.size() ? origin(e) : n;
        const std::u16string_view syllable(f.text.data() + k, e - k);
        placeUpTo(from);
        if (!isMalayalamText(text[from])) {
            // Other characters only where the code is the character itself.
            const int same = sameCode(encoder, text[from]);
            if (same >= 0) out.codes += char(same);
            else out.kept.push_back(from);
        } else {
            const SyllableCodes w = writtenSyllable(encoder, syllable, key, out, check, room);
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
