// What a document's text says, read from the model: its text with the legacy fonts'
// text in Unicode Malayalam, and the fonts its text is set in.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/legacy_text.h"
#include "core/legacy_detection.h"
#include "model/document.h"

namespace tolvarin {

// The plain text of a document with its legacy fonts' text in Unicode Malayalam: one
// line a paragraph (line breaks end lines too), UTF-8. What was converted and kept as
// typed is counted into `counts`.
std::string documentUnicodeText(const Document& doc, LegacyCounts& counts);

// The fonts the document's text is set in, with how many characters each (breaks and
// tabs not counted), in the order first used.
std::vector<std::pair<std::string, std::size_t>> documentTextFonts(const Document& doc);
// What the text of each of `fonts` (documentTextFonts()) that is no legacy font holds.
std::vector<FontDetection> documentFontFinds(const Document& doc,
                                            const std::vector<std::pair<std::string, std::size_t>>& fonts);

// The first `length` characters of the document's text in the font `fontName`, as a
// person reads them: a legacy font's codes in Unicode Malayalam, others as they are;
// UTF-8, paragraphs joined by spaces.
std::string documentFontSample(const Document& doc, std::string_view fontName, std::size_t length);

}  // namespace tolvarin
