#include "text/dbcs.h"

#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#elif defined(__EMSCRIPTEN__)
#include <emscripten.h>
#elif __has_include(<iconv.h>)
#include <iconv.h>
#define TOLVARIN_HAVE_ICONV 1
#endif

#ifdef __EMSCRIPTEN__
// The browser's own decoders (the WHATWG encodings, which follow the Windows code
// pages), kept once made; its C library's tables would double the page's size.
EM_JS(int, tolvarin_decode_double_byte, (int codePage, int lead, int trail), {
    const names = {932: 'shift_jis', 936: 'gbk', 949: 'euc-kr', 950: 'big5'};
    const decoders = Module['doubleByteDecoders'] || (Module['doubleByteDecoders'] = {});
    if (!(codePage in decoders)) {
        try {
            decoders[codePage] = names[codePage] ? new TextDecoder(names[codePage], {fatal: true}) : null;
        } catch (e) {
            decoders[codePage] = null;
        }
    }
    if (!decoders[codePage]) return 0xFFFD;
    try {
        const text = decoders[codePage].decode(new Uint8Array(trail < 0 ? [lead] : [lead, trail]));
        return text.length == 1 ? text.charCodeAt(0) : 0xFFFD;
    } catch (e) {
        return 0xFFFD;
    }
});
#endif

namespace tolvarin {

bool isDoubleByteCodePage(int codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

bool isLeadByte(int codePage, std::uint8_t b) {
    if (codePage == 932) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return isDoubleByteCodePage(codePage) && b >= 0x81 && b <= 0xFE;
}

DoubleByteDecoder::~DoubleByteDecoder() {
#ifdef TOLVARIN_HAVE_ICONV
    for (auto& [page, converter] : converters_)
        if (converter != reinterpret_cast<void*>(-1)) iconv_close(static_cast<iconv_t>(converter));
#endif
}

char16_t DoubleByteDecoder::decode(int codePage, std::uint8_t lead, int trail) {
#if defined(_WIN32)
    // The system's own tables; nothing to open or close.
    const char in[2] = {char(lead), char(trail)};
    wchar_t out[2];
    const int n = MultiByteToWideChar(UINT(codePage), MB_ERR_INVALID_CHARS, in, trail < 0 ? 1 : 2, out, 2);
    return n == 1 ? char16_t(out[0]) : u'\uFFFD';
#elif defined(__EMSCRIPTEN__)
    return char16_t(tolvarin_decode_double_byte(codePage, lead, trail));
#elif defined(TOLVARIN_HAVE_ICONV)
    auto it = converters_.find(codePage);
    if (it == converters_.end()) {
        const std::string name = "CP" + std::to_string(codePage);
        it = converters_.emplace(codePage, static_cast<void*>(iconv_open("UTF-16LE", name.c_str()))).first;
    }
    if (it->second == reinterpret_cast<void*>(-1)) return u'\uFFFD';
    auto converter = static_cast<iconv_t>(it->second);
    char in[2] = {char(lead), char(trail)};
    char out[8];
    char* inp = in;
    char* outp = out;
    std::size_t inLeft = trail < 0 ? 1 : 2, outLeft = sizeof out;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &inp, &inLeft, &outp, &outLeft) == std::size_t(-1) || outLeft > sizeof out - 2)
        return u'\uFFFD';
    return char16_t(std::uint8_t(out[0]) | (std::uint8_t(out[1]) << 8));
#else
    (void)codePage;
    (void)lead;
    (void)trail;
    return u'\uFFFD';
#endif
}

}  // namespace tolvarin
