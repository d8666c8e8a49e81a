// Double-byte code pages (Japanese, Chinese, Korean) for RTF text written in them.
#pragma once

#include <cstdint>
#include <map>

namespace tolvarin {

bool isDoubleByteCodePage(int codePage);

// Whether `byte` starts a two-byte character in the code page.
bool isLeadByte(int codePage, std::uint8_t byte);

// Decodes characters of double-byte code pages through the platform's converters,
// opened on first use and closed with the decoder.
class DoubleByteDecoder {
public:
    DoubleByteDecoder() = default;
    DoubleByteDecoder(const DoubleByteDecoder&) = delete;
    DoubleByteDecoder& operator=(const DoubleByteDecoder&) = delete;
    ~DoubleByteDecoder();

    // The character for one or two bytes of the code page (trail < 0: a single byte).
    // U+FFFD where the platform has no converter or the bytes name no character.
    char16_t decode(int codePage, std::uint8_t lead, int trail);

private:
    std::map<int, void*> converters_;
};

}  // namespace tolvarin
