// The text panes of the windows and the page: text typed or pasted, converted as it is
// typed, in either direction. A legacy font's codes are shown and copied as the
// characters Windows-1252 gives them, which is what the font draws and what a
// desktop-publishing program takes.
#pragma once

#include <string>
#include <string_view>

#include "core/conversion_report.h"

namespace tolvarin {

struct PaneText {
    bool ok = true;
    std::string text;   // UTF-8
    std::string error;  // for a person, when not ok
    ConversionReport report;
};

// Unicode Malayalam (UTF-8) written in the codes of the legacy font `font`; what the font
// cannot draw stays as it is and is counted in the report.
PaneText unicodeToFont(std::string_view utf8, std::string_view font);
// Text in `font`'s codes back into Unicode Malayalam; a character that is no code of the
// font (Unicode Malayalam pasted among them, say) stays as it is.
PaneText fontToUnicode(std::string_view codes, std::string_view font);
// What a word processor put on the clipboard as RTF, as Unicode Malayalam text: the text
// of every legacy font in it read as that font's, a paragraph a line.
PaneText clipboardRtfToUnicode(std::string_view rtf);

// A pane's codes (as fontToUnicode takes them) as RTF set in `font`, for the clipboard: a
// word processor pastes them in that font, a line a paragraph.
std::string codesAsRtf(std::string_view codes, std::string_view font);

}  // namespace tolvarin
