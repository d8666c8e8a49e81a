// Before a document is converted: which font-table entries name a font whose text is
// converted and is used, and (for a document with none) the fonts its text is set in.
// It reads only as far as it must: once every source font has text, the rest of the
// document cannot change what is renamed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "convert/rtf_rewriter.h"
#include "rtf/rtf_scanner.h"

namespace tolvarin {

class PreCheck : public RtfScanHandler {
public:
    PreCheck(std::string_view input, const ConversionOptions& options) : scanner_(input, *this), options_(options) {}

    ScanResult run() { return scanner_.run(); }

    // Where the names of the source-font entries to rename begin, in order.
    std::vector<std::size_t> renamedEntries() const;
    bool anySourceText() const { return !usedSourceFonts_.empty() || unicodeText_; }
    // Where reading stopped, having learnt enough; npos when it read to the end.
    std::size_t checkedUpTo() const { return checkedUpTo_; }
    // The names of the fonts the body's text is set in, in the order first used.
    std::vector<std::string> textFonts() const;

    // What the scanner hands on.
    // Into a legacy font: the text of every legacy font whose encoding converts (one in
    // the font's own encoding is renamed), and Unicode Malayalam in any other font.
    bool isSource(const LegacyFont* font) const {
        return options_.toLegacy() ? font && options_.converts(font->encoding()) : convertsFont(font, options_.unicode);
    }
    void text(std::size_t offset, std::string_view bytes);
    void hexByte(std::size_t offset, std::uint8_t value) { sourceOrOther(offset + 4, value); }
    void character(std::size_t, std::size_t end, char16_t value) { sourceOrOther(end, value); }
    void literal(std::size_t, std::size_t end, char c) { sourceOrOther(end, char16_t(c)); }
    void footnoteMark(std::size_t, std::size_t end) { sourceOrOther(end, u'1'); }
    void unicode(std::size_t, std::size_t end, char16_t value, bool) {
        if (!unicodeText_ && !scanner_.font().source && options_.toLegacy() && options_.fromUnicode &&
            value >= 0x0D00 && value <= 0x0D7F) {
            unicodeText_ = true;
            stopIfKnown(end);
            return;
        }
        sourceOrOther(end, value);
    }
    void fontEntry(int number, const ScannedFont& font, bool offBody, std::size_t nameAt) {
        if (font.source) sourceEntries_.emplace_back(number, nameAt);
        if (!offBody) fontNames_[number] = font.name;
    }

private:
    // A character ending at `end`: in a source font it is source text, unless it is a
    // tab or a control code, which convert to themselves and are not counted; any other
    // printable one tells a font the text is set in.
    void sourceOrOther(std::size_t end, char16_t value) {
        if (!countsAsCharacter(value)) return;
        if (scanner_.font().source) sourceText(end);
        else noteTextFont();
    }
    void sourceText(std::size_t end);
    // Stops reading where nothing further could change what is renamed or whether
    // anything converts.
    void stopIfKnown(std::size_t end);
    void noteTextFont() {
        const int number = scanner_.fontNumber();
        if (number == lastTextFont_) return;
        lastTextFont_ = number;
        if (std::find(textFonts_.begin(), textFonts_.end(), number) == textFonts_.end()) textFonts_.push_back(number);
    }

    RtfScanner<PreCheck> scanner_;
    const ConversionOptions& options_;
    bool unicodeText_ = false;  // Unicode Malayalam that converts into the legacy font
    std::unordered_set<int> usedSourceFonts_;
    std::vector<std::pair<int, std::size_t>> sourceEntries_;  // source fonts' numbers and name starts
    std::unordered_map<int, std::string> fontNames_;
    std::vector<int> textFonts_;
    int lastTextFont_ = std::numeric_limits<int>::min();
    std::size_t checkedUpTo_ = std::string_view::npos;
};

}  // namespace tolvarin
