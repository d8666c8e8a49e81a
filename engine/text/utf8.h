// UTF-8, the form in which font names are held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolvarin {

// Writes the code point's UTF-8 at `out` (room for four bytes); returns how many bytes.
inline std::size_t encodeUtf8(char* out, char32_t c) {
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xC0 | (c >> 6));
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = char(0xE0 | (c >> 12));
        out[1] = char(0x80 | ((c >> 6) & 0x3F));
        out[2] = char(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (c >> 18));
    out[1] = char(0x80 | ((c >> 12) & 0x3F));
    out[2] = char(0x80 | ((c >> 6) & 0x3F));
    out[3] = char(0x80 | (c & 0x3F));
    return 4;
}

inline void appendUtf8(std::string& out, char32_t c) {
    char bytes[4];
    out.append(bytes, encodeUtf8(bytes, c));
}

// UTF-16 text appended as UTF-8, each surrogate pair as its code point and a lone
// surrogate, which UTF-8 cannot hold, as U+FFFD.
inline void appendUtf16(std::string& out, std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        appendUtf8(out, c);
    }
}

// The code point that starts at `i`, which moves past it. Lenient: a sequence cut
// short by the end of the text yields what was read.
inline char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto b = std::uint8_t(s[i++]);
    const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    char32_t c = extra ? char32_t(b & (0x3F >> extra)) : char32_t(b);
    for (int e = 0; e < extra && i < s.size(); ++e, ++i) c = (c << 6) | (std::uint8_t(s[i]) & 0x3F);
    return c;
}

}  // namespace tolvarin
