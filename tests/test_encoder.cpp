#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "core/legacy_text.h"
#include "fonts/legacy_encoder.h"
#include "text/utf8.h"

using namespace tolvarin;

namespace {

std::u32string fromUtf8(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) out += nextCodePoint(s, i);
    return out;
}

std::string hex(const std::string& codes) {
    std::string out;
    char b[4];
    for (unsigned char c : codes) {
        std::snprintf(b, sizeof b, "%s%02X", out.empty() ? "" : " ", c);
        out += b;
    }
    return out;
}

std::u16string readBack(const LegacyEncoding& e, const std::string& codes) {
    return convertLegacyText(firstFontOf(e), reinterpret_cast<const std::uint8_t*>(codes.data()), codes.size(), true);
}

std::u16string utf16(const std::u32string& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

// Each way of writing a syllable into a font, with the codes it must give.
TEST(Encoder, WritesEachCase) {
    const LegacyEncoding& tt = mlttEncoding();
    const LegacyEncoding& p = panchariEncoding();
    const struct {
        const LegacyEncoding& encoding;
        const char* text;
        const char* codes;
    } cases[] = {
        {tt, "ന്‍", "B3"},                        // consonant + virama + ZWJ is the chillu
        {tt, "ന്റെ", "73 E2"},                    // NTA in every spelling
        {tt, "ൻ്റെ", "73 E2"},
        {tt, "ൻറെ", "73 E2"},
        {tt, "ൻെറ", "73 E2"},
        {tt, "ന്‍റെ", "73 E2"},                   // the chillu spelt with a ZWJ, too
        {p, "ന്റെ", "E6 61"},
        {tt, "ക്‌ക", "49 76 49"},                // a ZWNJ keeps the virama visible
        {tt, "സ്റ്റേ", "74 CC"},                   // one glyph for three consonants
        {tt, "ന്ദ്രേ", "74 7B B5"},                // the ra sign after the vowel, before the base
        {tt, "സ്ത്രീ", "6B 76 7B 58 6F"},          // no സ്ത glyph: a visible virama
        {tt, "ക്ല", "A2"},
        {p, "ക്ല", "D0"},                          // the conjunct, not ക and the la sign
        {tt, "ത്യേ", "74 58 79"},                  // the vowel sign before the whole base
        {tt, "ജ്യോ", "74 50 79 6D"},
        {tt, "ഡ്രൈ", "73 73 7B 55"},               // no ൈ glyph: two e signs
        {tt, "സ്തെ", "6B 76 73 58"},               // in a visible-virama cluster, before the last unit
        {tt, "കൌ", "73 49 75"},                    // the old au split around the base
        {tt, "കൗ", "49 75"},                       // the new one after it
        {tt, "കൈ", "73 73 49"},
        {tt, "ക്രു", "7B E6"},                     // the ra sign before a consonant with its vowel
        {tt, "ക്യു", "49 7C"},
        {tt, "ഈ", "43 75"},                        // vowels drawn from pieces
        {tt, "ഊ", "44 75"},
        {tt, "ഐ", "73 46"},
        {tt, "ഓ", "48 6D"},
        {tt, "ഔ", "48 75"},
        {tt, "ൠ", "45 75"},
        {tt, "എച്ച്ഐവി", "46 A8 76 73 46 68 6E"},  // ഐ after a virama stays where it is
        {tt, "ൿ", "49 76"},                        // a chillu the font lacks
        {tt, "ണ്ട", "EF"},                         // never 0xAD, the soft hyphen
        {p, "ഹ്ന", "D9 A1 C8"},
        {tt, "ല്പ", "65 76 5D"},                   // the disputed 0xE5 never written
        {tt, "റ്റ", "E4"},                         // nor 0xC1
        {tt, "ന്ന", "B6"},                         // of alternatives, the lower
        {p, "ന്", "68"},                           // a consonant drawn with its virama
        {tt, "ജ്യോ", "74 50 79 6D"},
        {p, "സ", "D8"},                            // PANCHARI's letter block first
        {p, "ി", "DF"},
        {tt, "കുൃ", "49 70 72"},                   // a second vowel sign typed in error, after the first
    };
    for (const auto& c : cases) {
        const EncodedText out = encodeText(c.encoding, fromUtf8(c.text));
        EXPECT_EQ(hex(out.codes), c.codes) << c.encoding.name() << " " << c.text;
    }
}

// What a font cannot draw stays as it came and is named; Latin text is written only at
// codes that are the characters themselves.
TEST(Encoder, KeepsWhatTheFontCannotDraw) {
    const LegacyEncoding& tt = mlttEncoding();
    const EncodedText out = encodeText(tt, fromUtf8("ഌ x"));
    EXPECT_EQ(out.notDrawn, U"ഌ");
    EXPECT_EQ(out.notDrawnCount, 1u);
    EncodedStretch s;
    const std::u32string text = fromUtf8("ക x");
    encodeStretch(tt, text.data(), text.size(), s);
    // 'x' is no code of its own in ML-TT (0x24 reads as x in one map): it stays in Unicode.
    ASSERT_EQ(s.kept.size(), 1u);
    EXPECT_EQ(s.kept[0], 2u);
    EXPECT_EQ(hex(s.codes), "49 20");
}

// Every syllable a table's glyphs can make (each consonant and conjunct with each vowel
// sign, the virama, the ra and other signs, each independent vowel and chillu) is
// written, and reads back through the same table as it was.
TEST(Encoder, RoundTripsEverySyllable) {
    const std::u32string signs[] = {U"", U"ാ", U"ി", U"ീ", U"ു", U"ൂ", U"ൃ", U"െ", U"േ", U"ൈ", U"ൊ", U"ോ", U"ൌ",
                                    U"ൗ", U"്", U"ം", U"ഃ"};
    for (const LegacyEncoding* e : legacyEncodings()) {
        std::set<std::u32string> bases, others, medials;
        for (int code = 0; code < 256; ++code) {
            const UnicodeValue& v = e->value(std::uint8_t(code));
            if (v.length <= 0 || e->isLatin(std::uint8_t(code))) continue;
            const std::u32string value(v.points, v.points + v.length);
            const bool cluster = value[0] >= 0x0D15 && value[0] <= 0x0D39 && e->kind(std::uint8_t(code)) == GlyphKind::Base &&
                                 std::all_of(value.begin(), value.end(), [](char32_t c) {
                                     return (c >= 0x0D15 && c <= 0x0D39) || c == 0x0D4D;
                                 }) && value.back() != 0x0D4D;
            if (cluster) bases.insert(value);
            else if (e->kind(std::uint8_t(code)) == GlyphKind::Base) others.insert(value);
            const GlyphKind k = e->kind(std::uint8_t(code));
            if ((k == GlyphKind::Medial || k == GlyphKind::PreRa) && value.size() == 2) medials.insert(value);
        }
        for (const std::u32string& b : std::set<std::u32string>(bases))
            for (const std::u32string& m : medials)
                if (b.size() == 1) bases.insert(b + m);
        std::size_t tried = 0, written = 0;
        std::vector<std::string> wrong;
        auto tryText = [&](const std::u32string& text) {
            ++tried;
            const EncodedText out = encodeText(*e, text);
            if (out.notDrawnCount || out.approximated) return;
            ++written;
            if (readBack(*e, out.codes) != utf16(text)) {
                std::string u;
                for (char32_t c : text) appendUtf8(u, c);
                wrong.push_back(u + " -> " + hex(out.codes));
            }
        };
        for (const std::u32string& b : bases)
            for (const std::u32string& s : signs) tryText(b + s);
        for (const std::u32string& o : others) tryText(o);
        EXPECT_TRUE(wrong.empty()) << e->name() << ": " << wrong.size() << " of " << written << ", first "
                                   << (wrong.empty() ? "" : wrong[0]);
        // A syllable is left in Unicode only where the table lacks a glyph it needs.
        EXPECT_GT(written * 100, tried * 97) << e->name() << ": " << written << " of " << tried;
    }
}

// Reading back: an RA sign typed before a consonant drawn with its vowel, inside a
// visible-virama cluster, goes before the vowel; and what malformed input gives is NFC
// (no e or ee sign left before an aa sign or the au length mark).
TEST(Encoder, ReadingBackIsOrderedAndComposed) {
    const std::string sku = [] {
        std::string s;
        const std::uint8_t codes[] = {0x6B, 0x76, 0x7B, 0xE6};
        for (char16_t c : convertLegacyText(mlttFont(), codes, 4, true)) appendUtf8(s, c);
        return s;
    }();
    EXPECT_EQ(sku, "സ്ക്രു");
    for (const LegacyEncoding* e : legacyEncodings()) {
        std::vector<std::uint8_t> signs, bases;
        for (int code = 0; code < 256; ++code) {
            const GlyphKind k = e->kind(std::uint8_t(code));
            if (k == GlyphKind::PreVowel || k == GlyphKind::PostSign) signs.push_back(std::uint8_t(code));
            if (k == GlyphKind::Base && bases.size() < 3) bases.push_back(std::uint8_t(code));
        }
        std::size_t notNfc = 0;
        for (std::uint8_t a : signs)
            for (std::uint8_t b : bases)
                for (std::uint8_t c : signs)
                    for (std::uint8_t d : signs) {
                        const std::uint8_t codes[] = {a, b, c, d};
                        const std::u16string out = convertLegacyText(firstFontOf(*e), codes, 4, true);
                        for (std::size_t k = 1; k < out.size(); ++k)
                            notNfc += ((out[k - 1] == 0x0D46 || out[k - 1] == 0x0D47) && out[k] == 0x0D3E) ||
                                      (out[k - 1] == 0x0D46 && out[k] == 0x0D57);
                    }
        EXPECT_EQ(notNfc, 0u) << e->name();
    }
}

// A syllable is written the same whether it is worked out afresh or remembered: across
// a stretch of more distinct syllables than the room remembers (which then starts
// afresh), with syllables too long to be remembered by their packed text among them.
TEST(Encoder, RemembersEachSyllableAsItWritesIt) {
    const LegacyEncoding& tt = mlttEncoding();
    const std::u32string signs[] = {U"", U"ാ", U"ി", U"ു", U"െ", U"ോ", U"്", U"ം"};
    std::vector<std::u32string> syllables;
    for (char32_t a = 0x0D15; a <= 0x0D39; ++a)
        for (char32_t b = 0x0D15; b <= 0x0D39; ++b)
            for (char32_t c = 0x0D15; c <= 0x0D39 && syllables.size() < 90000; c += 2)
                for (const std::u32string& sign : signs) {
                    std::u32string s = {a, 0x0D4D, b, 0x0D4D, c};
                    s += sign;
                    if ((c - 0x0D15) % 16 == 0) s += U"\u0D4D\u0D2F\u0D4D\u0D35";  // nine or more characters
                    syllables.push_back(s);
                }
    std::u32string text;
    std::vector<std::size_t> starts;
    for (const std::u32string& s : syllables) {
        starts.push_back(text.size());
        text += s + U" ";
    }
    EncodedStretch whole;
    // Twice: once worked out, once (in part) remembered.
    for (int round = 0; round < 2; ++round) {
        encodeStretch(tt, text.data(), text.size(), whole);
        for (std::size_t i = 0; i < syllables.size(); i += 997) {
            const std::u32string& s = syllables[i];
            const std::size_t at = starts[i];
            EncodedStretch alone;
            encodeStretch(tt, s.data(), s.size(), alone);
            const std::string wholeCodes = whole.codes.substr(whole.begin(at), whole.ends[at + s.size() - 1] - whole.begin(at));
            const bool keptWhole = std::binary_search(whole.kept.begin(), whole.kept.end(), at);
            EXPECT_EQ(keptWhole, !alone.kept.empty()) << i;
            if (!keptWhole) {
                EXPECT_EQ(hex(wholeCodes), hex(alone.codes)) << i << " round " << round;
            }
        }
    }
}
