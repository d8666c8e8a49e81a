#include "rtf/rtf_tokenizer.h"

#include <limits>

namespace tolvarin {
namespace {


int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

RtfToken errorAt(std::size_t offset, const char* what) {
    RtfToken t;
    t.kind = RtfToken::Kind::Error;
    t.offset = offset;
    t.error = what;
    return t;
}

}  // namespace

RtfToken RtfTokenizer::next() {
    const std::size_t size = input_.size();
    // Line ends carry no meaning in RTF outside \binN data.
    while (pos_ < size && (input_[pos_] == '\r' || input_[pos_] == '\n')) ++pos_;

    RtfToken t;
    t.offset = pos_;
    if (pos_ >= size) return t;

    switch (input_[pos_]) {
    case '{':
        ++pos_;
        t.kind = RtfToken::Kind::GroupStart;
        return t;
    case '}':
        ++pos_;
        t.kind = RtfToken::Kind::GroupEnd;
        return t;
    case '\\':
        // \'hh is most of an 8-bit document's text: decode it without the general path.
        if (pos_ + 3 < size && input_[pos_ + 1] == '\'') {
            int hi = hexValue(input_[pos_ + 2]), lo = hexValue(input_[pos_ + 3]);
            if (hi >= 0 && lo >= 0) {
                t.kind = RtfToken::Kind::HexByte;
                t.byte = std::uint8_t(hi * 16 + lo);
                pos_ += 4;
                return t;
            }
        }
        return readControl(pos_);
    default: {
        std::size_t end = pos_;
        while (end < size) {
            char c = input_[end];
            if (c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n') break;
            ++end;
        }
        t.kind = RtfToken::Kind::Text;
        t.data = input_.substr(pos_, end - pos_);
        pos_ = end;
        return t;
    }
    }
}

RtfToken RtfTokenizer::readControl(std::size_t start) {
    const std::size_t size = input_.size();
    std::size_t p = start + 1;
    if (p >= size) return errorAt(start, "a backslash ends the file");

    RtfToken t;
    t.offset = start;
    char c = input_[p];
    if (!RtfTokenizer::isLetter(c)) {
        if (c == '\'') {
            int hi = p + 1 < size ? hexValue(input_[p + 1]) : -1;
            int lo = p + 2 < size ? hexValue(input_[p + 2]) : -1;
            if (hi < 0 || lo < 0) return errorAt(start, "\\' is not followed by two hexadecimal digits");
            t.kind = RtfToken::Kind::HexByte;
            t.byte = std::uint8_t(hi * 16 + lo);
            pos_ = p + 3;
            return t;
        }
        t.kind = RtfToken::Kind::ControlSymbol;
        t.symbol = c;
        pos_ = p + 1;
        return t;
    }

    std::size_t wordStart = p;
    while (p < size && RtfTokenizer::isLetter(input_[p])) {
        if (p - wordStart >= kMaxKeywordLength) return errorAt(start, "a control word is longer than 32 letters");
        ++p;
    }
    t.kind = RtfToken::Kind::ControlWord;
    t.word = input_.substr(wordStart, p - wordStart);

    bool negative = false;
    if (p < size && input_[p] == '-' && p + 1 < size && RtfTokenizer::isDigit(input_[p + 1])) {
        negative = true;
        ++p;
    }
    if (p < size && RtfTokenizer::isDigit(input_[p])) {
        std::size_t digitsStart = p;
        std::int64_t value = 0;
        while (p < size && RtfTokenizer::isDigit(input_[p])) {
            if (p - digitsStart >= kMaxParameterDigits)
                return errorAt(start, "a control word's number has more than 10 digits");
            value = value * 10 + (input_[p] - '0');
            ++p;
        }
        if (negative) value = -value;
        constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
        constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
        t.hasParameter = true;
        t.parameter = std::int32_t(value < lo ? lo : value > hi ? hi : value);
    }
    // One space after a control word is its delimiter, not text.
    if (p < size && input_[p] == ' ') ++p;
    pos_ = p;

    if (t.word == "bin" && t.hasParameter && t.parameter > 0) {
        std::size_t n = std::size_t(t.parameter);
        if (n > size - pos_) return errorAt(start, "\\bin data runs past the end of the file");
        t.kind = RtfToken::Kind::Binary;
        t.data = input_.substr(pos_, n);
        pos_ += n;
    }
    return t;
}

}  // namespace tolvarin
