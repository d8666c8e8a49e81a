// The font table as the scanner reads it: each entry's number, charset and name, the
// fonts they define, and the font that text is set in at any point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "rtf/rtf_state.h"

namespace tolvarin {

// The highest font number the document names anywhere, or -1: a font added to the
// document takes the next one.
int highestNamedFont(std::string_view rtf);

class RtfFontTable {
public:
    static constexpr int kNoCharset = -1;

    // The entry being read.
    void startEntry(int number) {
        entryOpen_ = entryNumbered_ = true;
        entryNumber_ = number;
    }
    void setEntryCharset(int charset) { entryCharset_ = charset; }
    int entryCharset() const { return entryCharset_; }
    int entryNumber() const { return entryNumber_; }
    std::size_t nameAt() const { return nameAt_; }
    // The ASCII letters of the entry's name so far ('?' for others): they tell a legacy font.
    const std::string& entryName() const { return entryAscii_; }
    // A name's byte, in the entry's charset.
    char16_t nameByte(std::uint8_t byte) const;
    // Takes one character of the entry's name, at `start`; ';' ends the entry.
    enum class NameStep : std::uint8_t { Skipped, Starts, GoesOn, Ends };
    NameStep nameCharacter(std::size_t start, char16_t value);
    // At the entry's end: the font it defines, or nullptr where it had no name or no
    // number (and defines nothing). Off the body it is not taken into the table.
    template <class IsSource>
    const ScannedFont* commit(bool offBody, IsSource&& isSource) {
        if (!entryOpen_ || !entryNumbered_) return nullptr;
        committed_ = entryFont();
        committed_.source = isSource(committed_.legacy);
        if (!offBody) fonts_[entryNumber_] = committed_;  // a later entry of the same number wins
        dirty_ = true;
        return &committed_;
    }
    // What the entry said is not handed on to the next one.
    void resetEntry() {
        entryOpen_ = entryNumbered_ = false;
        entryCharset_ = kNoCharset;
        entryAscii_.clear();
        entryDisplay_.clear();
    }

    // The document's defaults.
    void setDefaultFont(int number) {
        defaultFont_ = number;
        dirty_ = true;
    }
    int ansiCodePage() const { return ansiCodePage_; }
    void setAnsiCodePage(int codePage) {
        ansiCodePage_ = codePage;
        dirty_ = true;
    }

    // The font of text set in font `number` (-1: the default font), and its number.
    int fontNumber(int number) const { return number >= 0 && fonts_.count(number) ? number : defaultFont_; }
    const ScannedFont& font(int number) {
        if (dirty_ || number != currentNumber_) refresh(number);
        return *current_;
    }
    const std::unordered_map<int, ScannedFont>& fonts() const { return fonts_; }

private:
    ScannedFont entryFont() const;
    void refresh(int number);

    std::unordered_map<int, ScannedFont> fonts_;
    int defaultFont_ = 0;
    int ansiCodePage_ = 1252;
    bool dirty_ = true;
    int currentNumber_ = -1;
    const ScannedFont* current_ = nullptr;
    ScannedFont none_;  // for text whose font the table does not define
    ScannedFont committed_;

    bool entryOpen_ = false;
    bool entryNumbered_ = false;  // the entry's \fN has been read
    int entryNumber_ = 0;
    int entryCharset_ = kNoCharset;
    std::size_t nameAt_ = 0;
    std::string entryAscii_, entryDisplay_;
};

}  // namespace tolvarin
