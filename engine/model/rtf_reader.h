// Reads RTF into a Document.
#pragma once

#include <string_view>

#include "model/document.h"

namespace tolvarin {

// Groups nested deeper than this are refused: real documents stay in the tens (the
// deepest file we have seen nests a few thousand), and the bound keeps a hostile
// file's state stack small.
inline constexpr std::size_t kMaxGroupDepth = 10000;

// Fills `out` (which must be empty) from `rtf`. On failure `out` holds what was read
// up to the error and the result says what went wrong and where.
LoadResult readRtf(std::string_view rtf, Document& out);

}  // namespace tolvarin
