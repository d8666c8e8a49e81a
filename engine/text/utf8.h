// UTF-8, the form in which font names are held.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolvarin {

inline void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.push_back(char(0xC0 | (c >> 6)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(char(0xE0 | (c >> 12)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (c >> 18)));
        out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
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
