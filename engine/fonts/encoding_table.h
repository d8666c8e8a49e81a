// A legacy encoding as its table in encodings/ says it: made into C++ by the build
// (cmake/encoding_tables.cmake), one entry for each *_unicode.tsv there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tolvarin {

// A code's Unicode value: one to five code points, or none (the code is kept as
// typed), or the doubling mark, which repeats the consonant before it.
inline constexpr std::size_t kMaxValueLength = 5;
struct UnicodeValue {
    std::int8_t length;  // 1-5, or kNoValue, or kGeminate
    char16_t points[kMaxValueLength];
};
inline constexpr std::int8_t kNoValue = 0;
inline constexpr std::int8_t kGeminate = -1;

struct EncodingTable {
    std::string_view name;  // as people know it: PANCHARI, ML-TT, Matweb ...
    std::string_view file;  // the table it was made from, for messages
    const UnicodeValue* values;  // 256, by code
    // The chillu N and the RRA that together draw NTA (ന്റ), or -1.
    int ntaChillu, ntaRra;
    // Consonant signs drawn after the base (്ക ്ത ...), after which a ra sign typed
    // before the base belongs.
    std::span<const std::uint8_t> postBase;
    // A bilingual font's Latin codes, kept exactly as typed: first and last, or -1.
    int latinFirst, latinLast;
    // Font names: every name beginning with `fontPrefix` (any case), and `fonts`.
    std::string_view fontPrefix;
    std::span<const std::string_view> fonts;
    // Counted under the encoding's name (one font for the family), or each font apart.
    bool countedAsEncoding;
    // The glyph rules into ML-TTRevathi it has, by name ("panchari"), or empty.
    std::string_view revathiRules;
    // By code, how text is written in it: 0 freely, 1 only where no other code draws
    // the same (its sources disagree), 2 never.
    const std::uint8_t* writing;
    // Of codes that draw the same, those from writtenFirst to writtenLast go first (or -1).
    int writtenFirst, writtenLast;
};

// Every table in encodings/, in the order their ranks (then file names) put them.
std::span<const EncodingTable> encodingTables();

}  // namespace tolvarin
