#include "convert/rewriter.h"

namespace tolvarin::rewriting {

const FontInfo& Rewriter::font() {
    if (fontDirty_) {
        auto it = fonts_.find(fontNumber());
        if (it != fonts_.end()) {
            current_ = it->second;
        } else {
            current_ = FontInfo{};
            const int cp = ansiCodePage_;
            current_.doubleByte = isDoubleByteCodePage(cp);
            current_.upperHalf = codePageUpperHalf(current_.doubleByte ? 1252 : cp);
            if (!current_.upperHalf) current_.upperHalf = codePageUpperHalf(1252);
        }
        fontDirty_ = false;
    }
    return current_;
}

std::vector<std::size_t> Rewriter::renamedEntries() const {
    std::vector<std::size_t> v;
    for (auto [number, at] : sourceEntries_)
        if (usedSourceFonts_.count(number)) v.push_back(at);
    std::sort(v.begin(), v.end());
    return v;
}

std::vector<std::string> Rewriter::textFonts() const {
    std::vector<std::string> names;
    for (int number : textFonts_) {
        auto it = fontNames_.find(number);
        if (it != fontNames_.end() && !it->second.empty() &&
            std::find(names.begin(), names.end(), it->second) == names.end())
            names.push_back(it->second);
    }
    return names;
}

void Rewriter::nameCharacter(std::size_t start, std::size_t end, char16_t value) {
    if (value == ';') {
        commitFontEntry();
        return;
    }
    entryOpen_ = true;
    if (entryName_.empty() && value == ' ') return;
    if (entryName_.empty()) {
        // The name's first character: where a source font's entry is renamed.
        nameAt_ = start;
        // Past where the check stopped, a later font table's source-font entry is renamed
        // too: text after it may use it.
        renaming_ = !checking() && !unicode_ &&
                    (std::binary_search(renamed_->begin(), renamed_->end(), start) ||
                                    (start > checkedUpTo_ && isSourceFont(nameAhead(start))));
        if (renaming_) {
            // The target font's codes are Windows-1252, whatever charset the entry had.
            std::string name = entryCharset_ != kAnsiCharset ? "\\fcharset0 " : start == bareWordEnd_ ? " " : "";
            name += kTargetFontName;
            replace(start, end, name);
        }
    } else if (renaming_) {
        drop(start, end);
    }
    entryName_.push_back(value < 0x80 ? char(value) : '?');  // only ASCII tells a source font
    if (checking()) appendUtf8(entryDisplayName_, value);
}

// The first letters of a font name that starts at `at`, read ahead in plain bytes,
// \'hh and \uN, for deciding at its first letter what becomes of it.
std::string Rewriter::nameAhead(std::size_t at) const {
    std::string name;
    while (at < input_.size() && name.size() < kSourceFontPrefix.size()) {
        const char c = input_[at];
        if (c == ';' || c == '{' || c == '}') break;
        if (c != '\\') {
            if (c != '\r' && c != '\n') name += c;
            ++at;
            continue;
        }
        if (at + 3 < input_.size() && input_[at + 1] == '\'') {
            const int hi = RtfTokenizer::hexDigit(input_[at + 2]), lo = RtfTokenizer::hexDigit(input_[at + 3]);
            if (hi < 0 || lo < 0) break;
            name += char(hi * 16 + lo);
            at += 4;
            continue;
        }
        std::size_t digits = at + 2;
        while (digits < input_.size() && RtfTokenizer::isDigit(input_[digits])) ++digits;
        if (at + 1 >= input_.size() || input_[at + 1] != 'u' || digits == at + 2) break;
        const int value = std::atoi(std::string(input_.substr(at + 2, std::min<std::size_t>(digits - at - 2, 6))).c_str());
        name += value > 0 && value < 0x80 ? char(value) : '?';
        at = digits + (digits < input_.size() && input_[digits] == ' ') + state_.unicodeSkip;
    }
    return name;
}

void Rewriter::commitFontEntry() {
    if (!entryOpen_ || !entryNumbered_) {
        // An entry with no name, or with no font number to give it, defines nothing,
        // and what it said is not handed on to the next one.
        entryOpen_ = entryNumbered_ = false;
        entryDisplayName_.clear();
        entryCharset_ = kNoCharset;
        entryName_.clear();
        return;
    }
    while (!entryName_.empty() && entryName_.back() == ' ') entryName_.pop_back();
    FontInfo info;
    info.legacy = legacyFontNamed(entryName_);
    info.legacyIndex = info.legacy ? std::uint8_t(legacyFontIndex(*info.legacy)) : 0;
    info.source = unicode_ ? info.legacy != nullptr : info.legacy == &panchariFont();
    // The source font's text is its own 8-bit codes, whatever charset its entry names.
    const int cp = info.source ? 1252 : codePageOfCharset(entryCharset_);
    info.doubleByte = isDoubleByteCodePage(cp);
    info.upperHalf = codePageUpperHalf(info.doubleByte ? 1252 : cp);
    if (!info.upperHalf) info.upperHalf = codePageUpperHalf(1252);
    info.symbol = entryCharset_ == kSymbolCharset;
    if (!state_.offBody) fonts_[entryNumber_] = info;  // a later entry of the same number wins
    if (checking() && info.source) sourceEntries_.emplace_back(entryNumber_, nameAt_);
    if (checking() && !state_.offBody) {
        while (!entryDisplayName_.empty() && entryDisplayName_.back() == ' ') entryDisplayName_.pop_back();
        fontNames_[entryNumber_] = entryDisplayName_;
    }
    entryDisplayName_.clear();
    entryOpen_ = entryNumbered_ = false;
    entryName_.clear();
    entryCharset_ = kNoCharset;
    renaming_ = false;
    fontDirty_ = true;
}

void Rewriter::fontTableWord(const RtfToken& t, RtfWord w) {
    if (w == RtfWord::Font) {
        commitFontEntry();
        entryOpen_ = entryNumbered_ = true;
        entryNumber_ = t.parameter;
    } else if (w == RtfWord::FontCharset) {
        entryCharset_ = t.parameter;
    }
}

}  // namespace tolvarin::rewriting
