// Double-byte code pages (Japanese, Chinese, Korean) for RTF text written in them.
#pragma once

#include <cstdint>

namespace tolvarin {

bool isDoubleByteCodePage(int codePage);

// Whether `byte` starts a two-byte character in the code page.
bool isLeadByte(int codePage, std::uint8_t byte);

// The character for one or two bytes of the code page (trail < 0: a single byte).
// U+FFFD where the platform has no converter or the bytes name no character.
char16_t decodeDoubleByte(int codePage, std::uint8_t lead, int trail);

}  // namespace tolvarin
