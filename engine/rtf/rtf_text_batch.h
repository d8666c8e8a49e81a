// Text in one font, read in batches rather than a token per character, since it is
// most of a document typed in a legacy font: plain bytes, \'hh, and \uN with a
// one-character fallback (LibreOffice's form), line ends passed over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tolvarin {

struct TextBatch {
    static constexpr std::size_t kSize = 1024;
    // How each character was written: as text or \'hh; as \uN (U+F0xx, a symbol font's
    // code, apart); or, where asked for, as \\, \{ or \}.
    enum Written : std::uint8_t { AsText, AsUnicode, AsPrivateUnicode, AsSymbol };

    std::uint8_t codes[kSize];  // a \uN's code: its Windows-1252 byte, or xx of U+F0xx
    std::size_t starts[kSize], ends[kSize];
    Written form[kSize];
    std::size_t n = 0;
    bool more = false;          // the batch is full; more may follow
    bool anyUnit = false;       // it holds a \uN
    std::size_t lastUnit = 0;   // its last \uN, where anyUnit
};

// Reads one batch from `pos` and returns where reading stopped: before anything that
// is not such text (a group, a control word, a \uN of another form), which the scanner
// takes. `afterUnit`: reading goes on right after a \uN and its fallback (carried from
// batch to batch). `symbols`: take \\, \{ and \} as characters. `units`: a \uN takes one
// fallback character, so that \uN can be read here at all.
std::size_t readTextBatch(std::string_view input, std::size_t pos, TextBatch& batch, bool& afterUnit, bool symbols,
                          bool units);

// A character written as \uN and its one fallback character (\'hh or a plain byte),
// at `p`: its value, and where it ends. False for anything else (a longer number, a
// fallback of another kind), which the scanner takes.
bool unicodeUnit(const char* p, const char* end, char16_t& value, const char*& after);

// The value of the four decimal digits at `p` (room for them), or -1.
inline int fourDigits(const char* p) {
    const auto digit = [](char c) { return unsigned(c - '0') < 10; };
    if (!digit(p[0]) || !digit(p[1]) || !digit(p[2]) || !digit(p[3])) return -1;
    return (p[0] - '0') * 1000 + (p[1] - '0') * 100 + (p[2] - '0') * 10 + (p[3] - '0');
}
// The value of the \uNNNN? at `p`, the form most Unicode text is written in, or -1.
inline int plainFourDigitUnit(const char* p, const char* end) {
    if (end - p < 7 || p[0] != '\\' || p[1] != 'u' || p[6] != '?') return -1;
    return fourDigits(p + 2);
}

}  // namespace tolvarin
