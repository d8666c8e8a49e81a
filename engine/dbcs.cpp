#include "dbcs.h"

#include <map>
#include <mutex>

#if __has_include(<iconv.h>)
#include <iconv.h>
#define TOLVARIN_HAVE_ICONV 1
#endif

namespace tolvarin {

bool isDoubleByteCodePage(int codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

bool isLeadByte(int codePage, std::uint8_t b) {
    if (codePage == 932) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return isDoubleByteCodePage(codePage) && b >= 0x81 && b <= 0xFE;
}

char16_t decodeDoubleByte(int codePage, std::uint8_t lead, int trail) {
#ifdef TOLVARIN_HAVE_ICONV
    // One converter per code page for the life of the program; the reader may run
    // on several threads (the tests do), so the table is guarded.
    static std::mutex guard;
    static std::map<int, iconv_t> converters;
    std::lock_guard<std::mutex> lock(guard);
    auto it = converters.find(codePage);
    if (it == converters.end()) {
        const std::string name = "CP" + std::to_string(codePage);
        it = converters.emplace(codePage, iconv_open("UTF-16LE", name.c_str())).first;
    }
    if (it->second == iconv_t(-1)) return u'\uFFFD';
    char in[2] = {char(lead), char(trail)};
    char out[8];
    char* inp = in;
    char* outp = out;
    std::size_t inLeft = trail < 0 ? 1 : 2, outLeft = sizeof out;
    iconv(it->second, nullptr, nullptr, nullptr, nullptr);
    if (iconv(it->second, &inp, &inLeft, &outp, &outLeft) == std::size_t(-1) || outLeft > sizeof out - 2)
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
