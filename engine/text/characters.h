// Characters of plain text that stand for breaks rather than glyphs, and the RTF
// charsets the program treats specially: shared by the readers, the converters and
// the document the window shows.
#pragma once

namespace tolvarin {

inline constexpr char16_t kParagraphBreak = u'\n';
inline constexpr char16_t kLineBreak = u'\v';
inline constexpr char16_t kTab = u'\t';

// RTF \fcharset values.
inline constexpr int kAnsiCharset = 0;
inline constexpr int kSymbolCharset = 2;

}  // namespace tolvarin
