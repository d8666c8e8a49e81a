// Single-byte code pages: how RTF text bytes become UTF-16 and back.
#pragma once

#include <cstdint>

namespace tolvarin {

// The upper half (bytes 0x80-0xFF) of a single-byte code page, or nullptr when the
// code page is not one the program knows. The lower half is ASCII in all of them.
const char16_t* codePageUpperHalf(int codePage);

// Code page of a font's \fcharset, or `fallback` for the ANSI and default charsets
// and for any charset the program cannot decode.
int codePageForCharset(int charset, int fallback);

// Code page of a font-table entry's text. ANSI (0) and symbol (2) fonts are
// Windows-1252 whatever \ansicpg says; an entry that names no charset (-1), or the
// default one (1), follows `ansiCodePage`.
inline int fontCodePage(int charset, int ansiCodePage) {
    if (charset == -1 || charset == 1) return ansiCodePage;
    if (charset == 0 || charset == 2) return 1252;
    return codePageForCharset(charset, ansiCodePage);
}

inline char16_t decodeByte(const char16_t* upperHalf, std::uint8_t byte) {
    return byte < 0x80 ? char16_t(byte) : upperHalf[byte - 0x80];
}

// The Windows-1252 byte of a character, or -1 when it has none. Bytes 1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) come back from their own code point,
// so every byte survives a decode and encode.
int encodeCp1252Table(char16_t c);
inline int encodeCp1252(char16_t c) {
    // Outside 0x80-0x9F, Latin-1 and Windows-1252 agree.
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    return encodeCp1252Table(c);
}
inline char16_t decodeCp1252(std::uint8_t byte) { return decodeByte(codePageUpperHalf(1252), byte); }

}  // namespace tolvarin
