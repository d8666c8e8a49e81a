// What reading a package's text gives the conversion, whatever the package's format:
// its paragraphs, the pieces of its parts they stand in, and the fonts its text is in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "office/office_text.h"

namespace tolvarin {

class PackageText {
public:
    // A piece of a part that text stands in; `fixed` pieces (a tab, a break) are never rewritten.
    std::uint32_t addPiece(std::string original) {
        original_.push_back(std::move(original));
        return std::uint32_t(original_.size() - 1);
    }
    std::uint32_t fixedPiece() {
        if (fixed_ == kNone) fixed_ = addPiece({});
        return fixed_;
    }
    std::size_t pieceCount() const { return original_.size(); }
    const std::string& original(std::uint32_t piece) const { return original_[piece]; }

    // A font's name as a number, for characters to carry; 0 is no font.
    std::uint32_t fontIndex(std::string_view name) {
        if (name == fontNames_[lastFont_]) return lastFont_;
        for (std::uint32_t i = 0; i < fontNames_.size(); ++i)
            if (fontNames_[i] == name) return lastFont_ = i;
        fontNames_.emplace_back(name);
        return lastFont_ = std::uint32_t(fontNames_.size() - 1);
    }
    const std::string& fontName(std::uint32_t index) const { return fontNames_[index]; }

    // Characters of the text that is read, with the font they are set in (counted for the
    // fonts list), paragraph by paragraph.
    void noteFont(const std::string& name, std::size_t characters);
    const std::vector<std::pair<std::string, std::size_t>>& fonts() const { return fonts_; }

    std::vector<std::vector<OfficeChar>> paragraphs;
    // Per paragraph: whether it is document text, for plainText() (a list label is not).
    std::vector<char> exported;
    std::size_t addParagraph(bool isText) {
        paragraphs.emplace_back();
        exported.push_back(isText);
        return paragraphs.size() - 1;
    }

    // Converts every paragraph; afterwards each piece's text is `converted(piece)`.
    void convert(bool unicode, OfficeCounts& counts);
    const std::string& converted(std::uint32_t piece) const { return converted_[piece]; }
    bool touched(std::uint32_t piece) const { return touched_[piece] != 0; }
    // Whether any legacy text was converted.
    bool anyConverted() const { return anyConverted_; }
    // The converted text, a paragraph a line, UTF-8.
    std::string plainText() const;

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;
    std::vector<std::string> original_, converted_;
    std::vector<char> touched_;
    std::uint32_t fixed_ = kNone;
    bool anyConverted_ = false;
    std::vector<std::pair<std::string, std::size_t>> fonts_;
    std::vector<std::string> fontNames_{std::string()};
    std::uint32_t lastFont_ = 0;
    std::vector<std::string> lines_;
};

}  // namespace tolvarin
