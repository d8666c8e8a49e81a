#include "rtf/rtf_font_table.h"

#include <algorithm>
#include <iterator>

#include "text/characters.h"
#include "rtf/rtf_tokenizer.h"
#include "text/codepage.h"
#include "text/dbcs.h"
#include "text/utf8.h"

namespace tolvarin {
namespace {

// Words that name a font by its number. A font the conversion adds takes a number
// none of them uses, or text set in an undefined font would read as the new one.
bool namesFont(std::string_view word) {
    static constexpr std::string_view kWords[] = {"f",         "af",        "deff",      "adeff",    "pnf",
                                                  "stshfdbch", "stshfloch", "stshfhich", "stshfbi"};
    return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

// How text in code page `cp` reads; a code page not read here reads as Windows-1252.
void readsIn(ScannedFont& f, int cp) {
    if (!codePageUpperHalf(cp) && !isDoubleByteCodePage(cp)) cp = 1252;
    f.doubleByte = isDoubleByteCodePage(cp) ? cp : 0;
    f.upperHalf = codePageUpperHalf(f.doubleByte ? 1252 : cp);
}

}  // namespace

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
    // A legacy font's text is its own 8-bit codes, whatever charset its entry names.
    readsIn(f, f.legacy ? 1252 : fontCodePage(entryCharset_, ansiCodePage_));
    f.symbol = entryCharset_ == kSymbolCharset;
    return f;
}

void RtfFontTable::refresh(int number) {
    auto it = fonts_.find(fontNumber(number));
    if (it != fonts_.end()) {
        current_ = &it->second;
    } else {
        none_ = ScannedFont{};
        readsIn(none_, ansiCodePage_);
        current_ = &none_;
    }
    currentNumber_ = number;
    dirty_ = false;
}

int highestNamedFont(std::string_view rtf) {
    int highest = -1;
    RtfTokenizer tokens(rtf);
    for (std::size_t at = rtf.find('f'); at != std::string_view::npos; at = rtf.find('f', at + 1)) {
        std::size_t word = at;
        while (word > 0 && at - word < 4 && RtfTokenizer::isLetter(rtf[word - 1])) --word;
        if (word == 0 || rtf[word - 1] != '\\') continue;
        tokens.seek(word - 1);
        const RtfToken t = tokens.next();
        if (t.kind == RtfToken::Kind::ControlWord && t.hasParameter && namesFont(t.word))
            highest = std::max(highest, t.parameter);
    }
    return highest;
}

}  // namespace tolvarin
