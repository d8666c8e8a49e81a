// The counts behind telling legacy Malayalam typed in an ordinary font from Latin text,
// made by the build from encodings/detection/ (Debian's English and Malayalam word
// lists): letter trigrams of English words, code point bigrams of Malayalam words.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tolvarin {

// {index, count}: index (a * 28 + b) * 28 + c over 0 (a word's edge), 1-26 (a-z), 27 (an apostrophe).
std::span<const std::uint32_t[2]> englishTrigramCounts();
// {index, count}: index a * 130 + b over 0 (a word's edge), 1-128 (U+0D00-U+0D7F).
std::span<const std::uint32_t[2]> malayalamBigramCounts();
// Short English words no statistics tell from legacy codes, in lower case.
std::span<const std::string_view> commonEnglishWords();

}  // namespace tolvarin
