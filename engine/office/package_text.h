// What reading a package's text gives the conversion, whatever the package's format:
// its paragraphs, the pieces of its parts they stand in, and the fonts its text is in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "office/office_text.h"
#include "office/xml_part.h"

namespace tolvarin {

// What the reading is for: a conversion (in one mode), the plain text, or the text as
// it stands (the window shows it).
struct PackageReading {
    bool unicode = false;
    bool plainText = false;  // keep each paragraph's converted text, for plainText()
    bool keepParagraphs = false;  // keep the characters as read; convert nothing
    std::size_t halvesFrom = std::size_t(1) << 20;  // see ConversionOptions::halvesFrom
    LegacyTarget legacy{nullptr, {}, true};  // into a legacy font's codes, where legacy.to is set
};

// Paragraphs are converted as soon as the reader has all of one (endParagraph()), so
// that a long document never holds more than a paragraph's characters.
class PackageText {
public:
    explicit PackageText(PackageReading reading = {}) : reading_(reading) {}
    const PackageReading& reading() const { return reading_; }

    // A piece of a part that text stands in: `original` is what it holds, and must live
    // as long as this (the part's own text); addOwnedPiece() keeps a copy.
    std::uint32_t addPiece(std::string_view original) {
        original_.push_back(original);
        converted_.emplace_back();
        touched_.push_back(0);
        keptAt_.push_back(0);
        return std::uint32_t(original_.size() - 1);
    }
    std::uint32_t addOwnedPiece(std::string original) {
        owned_.push_back(std::move(original));
        return addPiece(owned_.back());
    }
    // The piece of tabs, breaks and objects: never rewritten.
    std::uint32_t fixedPiece() {
        if (fixed_ == kNone) fixed_ = addPiece({});
        return fixed_;
    }
    std::string_view original(std::uint32_t piece) const { return original_[piece]; }

    // A font's name as a number, for characters to carry; 0 is no font. Found by hash:
    // a hostile file may name thousands of fonts.
    std::uint32_t fontIndex(std::string_view name);
    const std::string& fontName(std::uint32_t index) const { return fontNames_[index]; }
    // The legacy font a font's name stands for, or null: looked up once for each name.
    const LegacyFont* legacyFont(std::uint32_t index) const { return fontLegacy_[index]; }

    // A stretch of a part's text (`utf8`, which must live as long as this; a copy with
    // `owned`) set in `font`: a piece of its own, its characters appended to `chars` with
    // their legacy codes where the font is a legacy one, counted for the fonts list.
    std::uint32_t addText(std::vector<OfficeChar>& chars, std::string_view utf8, const std::string& font,
                          bool owned = false);

    // Characters of the text that is read, with the font they are set in (counted for the
    // fonts list), paragraph by paragraph.
    void noteFont(const std::string& name, std::size_t characters);
    const std::vector<std::pair<std::string, std::size_t>>& fonts() const { return fonts_; }

    // A paragraph's characters go to paragraphs[addParagraph(...)]; `isText`: it is
    // document text, for plainText() (a list label is not).
    std::vector<std::vector<OfficeChar>> paragraphs;
    std::size_t addParagraph(bool isText) {
        paragraphs.emplace_back().swap(spare_);
        exported_.push_back(isText);
        return paragraphs.size() - 1;
    }
    bool exported(std::size_t paragraph) const { return exported_[paragraph] != 0; }
    // The paragraph is whole: it is converted, and its characters let go.
    void endParagraph(std::size_t paragraph);
    // Ends every paragraph still open; afterwards each piece's text is converted(piece).
    void finish();
    // Takes in what another reading of the same kind read next, as if read here, its
    // paragraphs ended: returns what its pieces' numbers become by adding. Not for a
    // reading that keeps paragraphs.
    std::uint32_t append(PackageText&& next);

    const LegacyCounts& counts() const { return counts_; }
    std::string_view converted(std::uint32_t piece) const {
        return touched_[piece] ? converted_[piece] : original_[piece];
    }
    bool touched(std::uint32_t piece) const { return touched_[piece] != 0; }
    // Where in converted(piece) characters kept as typed stand (byte ranges, in order);
    // null when none do.
    const std::vector<std::pair<std::size_t, std::size_t>>* kept(std::uint32_t piece) const {
        return keptAt_[piece] ? &kept_[keptAt_[piece] - 1] : nullptr;
    }
    // Whether any legacy text was converted.
    bool anyConverted() const { return anyConverted_; }
    // The converted text, a paragraph a line, UTF-8.
    std::string plainText() const;

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;
    PackageReading reading_;
    std::vector<std::string_view> original_;
    std::list<std::string> owned_;  // a list: the pieces' views stay where they are when another's are taken in
    std::vector<std::string_view> converted_;  // in arena_
    TextArena arena_;
    std::vector<char> touched_, exported_, ended_;
    std::uint32_t fixed_ = kNone;
    bool anyConverted_ = false;
    LegacyCounts counts_;
    // By piece, where its kept characters' ranges are in kept_ (one more), or 0 for none.
    std::vector<std::uint32_t> keptAt_;
    std::vector<std::vector<std::pair<std::size_t, std::size_t>>> kept_;
    std::vector<KeptRange> keptScratch_;
    std::vector<std::pair<std::string, std::size_t>> fonts_;
    std::unordered_map<std::string, std::size_t, XmlNameHash, std::equal_to<>> fontsAt_;  // into fonts_
    std::vector<std::string> fontNames_{std::string()};
    std::vector<const LegacyFont*> fontLegacy_{nullptr};
    std::unordered_map<std::string, std::uint32_t, XmlNameHash, std::equal_to<>> fontIndexes_;
    std::uint32_t lastFont_ = 0;
    std::vector<std::string> lines_;
    std::vector<OfficeChar> spare_;  // an ended paragraph's room, for the next
};

}  // namespace tolvarin
