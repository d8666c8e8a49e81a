// Legacy Malayalam whose font name was lost: text set in an ordinary font (Calibri,
// Times New Roman ...) that reads, word by word, as a legacy encoding's codes rather
// than as the Latin text it appears to be. Two character models decide: letter
// trigrams of English words and code point bigrams of Malayalam words (from Debian's
// word lists, made into the engine by the build). A word reads as Malayalam only when
// its codes make well-formed Malayalam that is far likelier as Malayalam than its
// letters are as Latin; and a font is taken to hold such text only when many of its
// words do, so that no English document changes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fonts/legacy_font.h"

namespace tolvarin {

// How sure a word's reading must be: strict to find a font's encoding, lenient for the
// words of a font found to hold one (its Latin words still read as Latin).
enum class Evidence { Strict, Lenient };

// Whether the word `codes` (its characters as Windows-1252 codes, no spaces) reads as
// Malayalam typed in `encoding`.
bool readsAsLegacy(const LegacyEncoding& encoding, const std::uint8_t* codes, std::size_t n, Evidence evidence);

// What an ordinary font's text holds: fed its text, it says which encoding (if any) its
// words read as, and how many characters those words have.
class FontDetection {
public:
    // Text in the font, in order; anything between (another font, a paragraph's end)
    // is a break().
    void add(char32_t c);
    void add(std::u16string_view text);
    void breakWord() { endWord(); }
    // Adds what `later` found in the text that follows this one's, a word's end between.
    void merge(FontDetection&& later);

    // The encoding the font's text is in, or null when the evidence is not clear.
    const LegacyEncoding* encoding() const;
    // The characters of the words that read as encoding(): 0 when it is null.
    std::size_t characters() const;
    // Its first words in Unicode Malayalam, up to `length` characters.
    std::string sample(std::size_t length) const;

private:
    void endWord();
    // What each encoding reads of a word already met, two bits an encoding (strict,
    // lenient); kNotMet for a word not met yet, whose slot it then takes. Words come
    // again and again: a flat table keyed by the word's hash and length.
    static constexpr std::uint32_t kNotMet = 0xFFFFFFFFu;
    std::uint32_t& readingOf(std::uint64_t hash);
    struct Reading {
        std::uint64_t hash = 0;
        std::uint32_t length = 0;  // 0: an empty slot
        std::uint32_t bits = 0;
    };
    std::vector<Reading> readings_ = std::vector<Reading>(4096);
    std::size_t readingsUsed_ = 0;
    std::uint32_t spare_ = kNotMet;
    // The word being read. A longer one (a link, a run of symbols) is no word of any
    // encoding: its characters count, and it is not read.
    static constexpr std::size_t kLongestWord = 64;
    std::array<std::uint8_t, kLongestWord> word_;
    std::size_t wordLength_ = 0;
    std::uint64_t wordHash_ = kHashStart;
    static constexpr std::uint64_t kHashStart = 0xcbf29ce484222325ull;  // FNV-1a
    bool wordPlain_ = true;  // every character of the word has a Windows-1252 code
    std::size_t wordCharacters_ = 0;  // all words' characters
    std::vector<std::size_t> strict_ = std::vector<std::size_t>(legacyEncodings().size());
    std::vector<std::size_t> lenient_ = std::vector<std::size_t>(legacyEncodings().size());
    std::vector<std::vector<std::string>> distinct_ = std::vector<std::vector<std::string>>(legacyEncodings().size());
    std::vector<std::vector<std::uint8_t>> first_ = std::vector<std::vector<std::uint8_t>>(legacyEncodings().size());
};

// In a stretch of codes set in a font found to hold `encoding`'s text, marks in
// `asTyped` (n flags) the characters of the words that do not read as it, and the spaces
// between them, which then stay as they are.
void markLatinWords(const LegacyEncoding& encoding, const std::uint8_t* codes, std::size_t n, std::uint8_t* asTyped);

}  // namespace tolvarin
