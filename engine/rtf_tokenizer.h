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

private:
    RtfToken readControl(std::size_t start);

    std::string_view input_;
    std::size_t pos_ = 0;
};

}  // namespace tolvarin
