// Reads RTF into a Document.
#pragma once

#include <string_view>

#include "model/document.h"
#include "rtf/rtf_state.h"  // kMaxGroupDepth

namespace tolvarin {

// Fills `out` (which must be empty) from `rtf`. On failure `out` holds what was read
// up to the error and the result says what went wrong and where.
LoadResult readRtf(std::string_view rtf, Document& out);

}  // namespace tolvarin
