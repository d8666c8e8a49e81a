#include "convert/pre_check.h"

#include <algorithm>

namespace tolvarin {

void PreCheck::text(std::size_t offset, std::string_view bytes) {
    if (!scanner_.font().source) {
        if (std::any_of(bytes.begin(), bytes.end(), [](char b) { return std::uint8_t(b) >= 0x20; })) noteTextFont();
        return;
    }
    // The first character: tabs and stray control bytes are not text that converts.
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = std::uint8_t(bytes[i]);
        if (countsAsCharacter(b)) {
            sourceText(offset + i + 1);
            return;
        }
    }
}

void PreCheck::sourceText(std::size_t end) {
    usedSourceFonts_.insert(scanner_.fontNumber());
    stopIfKnown(end);
}

void PreCheck::stopIfKnown(std::size_t end) {
    // Every font that is a source font now has had text (a later entry may give an
    // earlier one's number to another font), and there is something to convert: the
    // rest need not be read. Unicode Malayalam that converts is something too. Into a
    // legacy font, only the entries of fonts in its own encoding are renamed.
    const bool toLegacy = options_.toLegacy();
    bool any = unicodeText_ || (toLegacy && !usedSourceFonts_.empty());
    for (const auto& [number, font] : scanner_.fonts()) {
        if (!font.source || (toLegacy && font.legacy && &font.legacy->encoding() != options_.toEncoding)) continue;
        if (!usedSourceFonts_.count(number)) return;
        any = true;
    }
    if (!any) return;
    scanner_.stop();
    checkedUpTo_ = end;
}

std::vector<std::size_t> PreCheck::renamedEntries() const {
    std::vector<std::size_t> v;
    for (auto [number, at] : sourceEntries_)
        if (usedSourceFonts_.count(number)) v.push_back(at);
    std::sort(v.begin(), v.end());
    return v;
}

std::vector<std::string> PreCheck::textFonts() const {
    std::vector<std::string> names;
    for (int number : textFonts_) {
        auto it = fontNames_.find(number);
        if (it != fontNames_.end() && !it->second.empty() &&
            std::find(names.begin(), names.end(), it->second) == names.end())
            names.push_back(it->second);
    }
    return names;
}

}  // namespace tolvarin
