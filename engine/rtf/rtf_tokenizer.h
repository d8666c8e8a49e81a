// Splits RTF into its lexical pieces; knows nothing of what they mean, except that
// \binN is followed by N bytes of data that must not be read as RTF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolvarin {

struct RtfToken {
    enum class Kind : std::uint8_t {
        GroupStart,
        GroupEnd,
        ControlWord,    // word, hasParameter, parameter
        ControlSymbol,  // symbol: the character after the backslash
        HexByte,        // byte, from \'hh
        Text,           // data: bytes without markup (line ends removed around it)
        Binary,         // data: the payload of \binN
        End,
        Error,          // error: what was wrong, at offset
    };

    Kind kind = Kind::End;
    std::size_t offset = 0;  // where the token starts in the input
    std::string_view word;
    bool hasParameter = false;
    std::int32_t parameter = 0;
    char symbol = 0;
    std::uint8_t byte = 0;
    std::string_view data;
    const char* error = nullptr;
};

// Whether `input` begins as an RTF document does: "{", then "\\rtf". Line ends and
// spaces may stand between the two; word processors read such files.
inline bool startsAsRtf(std::string_view input) {
    if (input.empty() || input[0] != '{') return false;
    std::size_t i = 1;
    while (i < input.size() && (input[i] == '\r' || input[i] == '\n' || input[i] == ' ' || input[i] == '\t')) ++i;
    return input.substr(i, 4) == "\\rtf";
}

class RtfTokenizer {
public:
    // RTF allows 32 letters in a keyword; longer ones are damage, not vocabulary,
    // and bounding them keeps a hostile file from stalling the reader.
    static constexpr std::size_t kMaxKeywordLength = 32;
    // Ten digits hold every 32-bit parameter; more can only be damage.
    static constexpr std::size_t kMaxParameterDigits = 10;

    explicit RtfTokenizer(std::string_view input) : input_(input) {}

    RtfToken next();
    std::size_t offset() const { return pos_; }
    // Goes on from `pos`, for callers that read a stretch of plain text themselves.
    void seek(std::size_t pos) { pos_ = pos < input_.size() ? pos : input_.size(); }

    // Takes the text bytes and \'hh escapes that come next, line ends skipped, and
    // hands each byte to `onByte` (with whether it came as \'hh); stops before anything else. Plain 8-bit text is
    // most of a document, and this reads it without a token per character.
    template <class OnByte>
    void scanText(OnByte&& onByte) {
        const char* p = input_.data() + pos_;
        const char* const end = input_.data() + input_.size();
        while (p < end) {
            const char c = *p;
            if (c == '\\') {
                if (end - p < 4 || p[1] != '\'') break;
                const int hi = hexDigit(p[2]), lo = hexDigit(p[3]);
                if (hi < 0 || lo < 0) break;
                onByte(std::uint8_t(hi * 16 + lo), true);
                p += 4;
            } else if (c == '{' || c == '}') {
                break;
            } else {
                if (c != '\r' && c != '\n') onByte(std::uint8_t(c), false);
                ++p;
            }
        }
        pos_ = std::size_t(p - input_.data());
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexDigit(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

private:
    RtfToken readControl(std::size_t start);

    std::string_view input_;
    std::size_t pos_ = 0;
};

}  // namespace tolvarin
