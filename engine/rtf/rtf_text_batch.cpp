#include "rtf/rtf_text_batch.h"

#include <array>

#include "rtf/rtf_tokenizer.h"
#include "text/codepage.h"

namespace tolvarin {
namespace {

// Hex digit values, 0xFF for anything else.
const std::array<std::uint8_t, 256> kHex = [] {
    std::array<std::uint8_t, 256> t{};
    t.fill(0xFF);
    for (int c = 0; c < 256; ++c) {
        const int v = RtfTokenizer::hexDigit(char(c));
        if (v >= 0) t[std::size_t(c)] = std::uint8_t(v);
    }
    return t;
}();

}  // namespace

bool unicodeUnit(const char* p, const char* end, char16_t& value, const char*& after) {
    if (end - p < 4 || p[0] != '\\' || p[1] != 'u') return false;
    const char* q = p + 2;
    const bool negative = *q == '-';
    if (negative) ++q;
    const char* const digits = q;
    int v = 0;
    const auto digit = [](char c) { return unsigned(c - '0') < 10; };
    if (end - q >= 5 && !digit(q[4]) && fourDigits(q) >= 0) {
        // Four digits, as Malayalam's and the joiners' are.
        v = fourDigits(q);
        q += 4;
    }
    for (; q < end && digit(*q); ++q) {
        if (q - digits == 6) return false;
        v = v * 10 + (*q - '0');
    }
    if (q == digits) return false;
    if (q < end && *q == ' ') ++q;  // the word's delimiter
    if (end - q >= 4 && q[0] == '\\' && q[1] == '\'' && RtfTokenizer::hexDigit(q[2]) >= 0 &&
        RtfTokenizer::hexDigit(q[3]) >= 0) {
        after = q + 4;
    } else if (q < end && std::uint8_t(*q) >= 0x20 && *q != '\\' && *q != '{' && *q != '}') {
        after = q + 1;
    } else {
        return false;
    }
    if (negative) v = -v;
    value = char16_t(v < 0 ? v + 65536 : v);
    return true;
}


std::size_t readTextBatch(std::string_view input, std::size_t pos, TextBatch& batch, bool& afterUnit, bool symbols,
                          bool units) {
    using W = TextBatch::Written;
    std::uint8_t* const codes = batch.codes;
    std::size_t* const starts = batch.starts;
    std::size_t* const ends = batch.ends;
    W* const form = batch.form;
    const char* const begin = input.data();
    const char* p = begin + pos;
    const char* const end = begin + input.size();
    std::size_t n = 0;
    batch.more = batch.anyUnit = false;
    while (p < end) {
        const char c = *p;
        // Plain bytes and \'hh mix at random in typed text: take both without a branch
        // on which it is; anything else leaves the loop.
        if (end - p >= 4 && !afterUnit) {
            const bool escaped = c == '\\';
            const std::uint8_t hi = kHex[std::uint8_t(p[2])], lo = kHex[std::uint8_t(p[3])];
            const bool hexOk = p[1] == '\'' && (hi | lo) < 16;
            const bool plainOk = std::uint8_t(c) >= 0x20 && c != '{' && c != '}';
            if (escaped ? hexOk : plainOk) {
                codes[n] = escaped ? std::uint8_t(hi << 4 | lo) : std::uint8_t(c);
                form[n] = W::AsText;
                starts[n] = std::size_t(p - begin);
                p += escaped ? 4 : 1;
                ends[n++] = std::size_t(p - begin);
                if (n == TextBatch::kSize) {
                    batch.more = true;
                    break;
                }
                continue;
            }
        }
        if (c == '\\' && symbols && p + 1 < end && (p[1] == '\\' || p[1] == '{' || p[1] == '}')) {
            codes[n] = std::uint8_t(p[1]);
            form[n] = W::AsSymbol;
            starts[n] = std::size_t(p - begin);
            p += 2;
            afterUnit = false;
        } else if (c == '\\' && p + 1 < end && p[1] == 'u') {
            char16_t v;
            const char* after;
            if (!units || !unicodeUnit(p, end, v, after)) break;
            // Producers write a symbol font's code c as U+F000 + c.
            const bool privateCode = v >= 0xF020 && v <= 0xF0FF;
            const int code = privateCode ? v - 0xF000 : encodeCp1252(v);
            if (code < 0x20) break;
            codes[n] = std::uint8_t(code);
            form[n] = privateCode ? W::AsPrivateUnicode : W::AsUnicode;
            starts[n] = std::size_t(p - begin);
            p = after;
            batch.lastUnit = n;
            afterUnit = batch.anyUnit = true;
        } else if (c == '\\') {
            if (afterUnit || end - p < 4 || p[1] != '\'') break;
            const int hi = RtfTokenizer::hexDigit(p[2]), lo = RtfTokenizer::hexDigit(p[3]);
            if (hi < 0 || lo < 0) break;
            codes[n] = std::uint8_t(hi * 16 + lo);
            form[n] = W::AsText;
            starts[n] = std::size_t(p - begin);
            p += 4;
        } else if (c == '{' || c == '}') {
            break;
        } else {
            const auto b = std::uint8_t(c);
            ++p;
            if (b < 0x20 && b != '\t') {  // line ends and stray control bytes are not text
                if (b != '\r' && b != '\n') afterUnit = false;
                continue;
            }
            codes[n] = b;
            form[n] = W::AsText;
            starts[n] = std::size_t(p - 1 - begin);
            afterUnit = false;
        }
        ends[n++] = std::size_t(p - begin);
        if (n == TextBatch::kSize) {
            batch.more = true;
            break;
        }
    }
    batch.n = n;
    return std::size_t(p - begin);
}

}  // namespace tolvarin
