#include "text/codepage.h"

#include <array>

namespace tolvarin {
namespace {

#include "codepage_tables.inc"

struct ReverseCp1252 {
    // 0x80-0x9F decode to scattered code points; everything else maps to itself.
    std::array<std::uint8_t, 0x10000> byteOf{};
    ReverseCp1252() {
        for (int b = 0; b < 0x100; ++b) {
            char16_t c = b < 0x80 ? char16_t(b) : kCp1252[b - 0x80];
            byteOf[c] = std::uint8_t(b);
        }
    }
};

}  // namespace

const char16_t* codePageUpperHalf(int codePage) {
    switch (codePage) {
    case 874: return kCp874;
    case 1250: return kCp1250;
    case 1251: return kCp1251;
    case 1252: return kCp1252;
    case 1253: return kCp1253;
    case 1254: return kCp1254;
    case 1255: return kCp1255;
    case 1256: return kCp1256;
    case 1257: return kCp1257;
    case 1258: return kCp1258;
    case 437: return kCp437;
    case 850: return kCp850;
    case 10000: return kCp10000;
    default: return nullptr;
    }
}

int codePageForCharset(int charset, int fallback) {
    switch (charset) {
    case 77: return 10000;
    // Apple's Japanese, Korean and Chinese charsets are close kin of Windows' own.
    case 78: return 932;
    case 79: return 949;
    case 80: return 936;
    case 81: return 950;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return fallback;
    }
}

int encodeCp1252Table(char16_t c) {
    static const ReverseCp1252 reverse;
    if (c < 0x80) return c;
    std::uint8_t b = reverse.byteOf[c];
    return b != 0 ? b : -1;
}

}  // namespace tolvarin
