// Text in an OpenDocument paragraph as a reader shows it, and back: literal white space
// collapses (a run of spaces, tabs and line ends is one space; at a paragraph's start,
// none), so a converted space that must show is written as text:s, a tab as text:tab, a
// line break as text:line-break.
#pragma once

#include <string>
#include <string_view>

namespace tolvarin::odf {

inline bool isWhiteSpace(char32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Appends `utf8`, text as it is to show, escaped and marked up so that it does.
// `collapsing`: whether a literal space written now would collapse (the text before it
// ends in literal white space, or the paragraph begins); it is updated. With `ending`,
// the text's end leaves `collapsing` as `after` says: what follows, as it stands in the
// part, shows as it did.
void appendText(std::string& out, std::string_view utf8, bool& collapsing, bool ending = false, bool after = false);

}  // namespace tolvarin::odf
