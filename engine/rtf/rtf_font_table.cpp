#include "rtf/rtf_font_table.h"

#include "model/document.h"
#include "text/codepage.h"
#include "text/dbcs.h"
#include "text/utf8.h"

namespace tolvarin {

char16_t RtfFontTable::nameByte(std::uint8_t byte) const {
    const char16_t* names = codePageUpperHalf(fontCodePage(entryCharset_, ansiCodePage_));
    return decodeByte(names ? names : codePageUpperHalf(1252), byte);
}

RtfFontTable::NameStep RtfFontTable::nameCharacter(std::size_t start, char16_t value) {
    if (value == ';') return NameStep::Ends;
    entryOpen_ = true;
    if (entryAscii_.empty() && value == ' ') return NameStep::Skipped;
    const bool first = entryAscii_.empty();
    if (first) nameAt_ = start;
    entryAscii_.push_back(value < 0x80 ? char(value) : '?');
    appendUtf8(entryDisplay_, value);
    return first ? NameStep::Starts : NameStep::GoesOn;
}

ScannedFont RtfFontTable::entryFont() const {
    std::string ascii = entryAscii_, display = entryDisplay_;
    while (!ascii.empty() && ascii.back() == ' ') ascii.pop_back();
    while (!display.empty() && display.back() == ' ') display.pop_back();
    ScannedFont f;
    f.name = std::move(display);
    f.charset = entryCharset_ == kNoCharset ? kAnsiCharset : entryCharset_;
    f.legacy = legacyFontNamed(ascii);
    f.legacyIndex = f.legacy ? std::uint8_t(legacyFontIndex(*f.legacy)) : 0;
    // A legacy font's text is its own 8-bit codes, whatever charset its entry names.
    int cp = f.legacy ? 1252 : fontCodePage(entryCharset_, ansiCodePage_);
    if (!codePageUpperHalf(cp) && !isDoubleByteCodePage(cp)) cp = 1252;
    f.doubleByte = isDoubleByteCodePage(cp) ? cp : 0;
    f.upperHalf = codePageUpperHalf(f.doubleByte ? 1252 : cp);
    f.symbol = entryCharset_ == kSymbolCharset;
    return f;
}

void RtfFontTable::refresh(int number) {
    auto it = fonts_.find(fontNumber(number));
    if (it != fonts_.end()) {
        current_ = &it->second;
    } else {
        none_ = ScannedFont{};
        const int cp = ansiCodePage_;
        none_.doubleByte = isDoubleByteCodePage(cp) ? cp : 0;
        none_.upperHalf = codePageUpperHalf(none_.doubleByte ? 1252 : cp);
        if (!none_.upperHalf) none_.upperHalf = codePageUpperHalf(1252);
        current_ = &none_;
    }
    currentNumber_ = number;
    dirty_ = false;
}

}  // namespace tolvarin
