// Text written in a legacy font's codes, as Windows-1252 bytes, a paragraph a line: what
// a desktop-publishing program imports for the font to draw. From a plain text file
// (UTF-8 Unicode, or the codes of the one encoding --from names) or from a document's
// text, read as Unicode first.
#pragma once

#include <string_view>

#include "core/conversion_options.h"
#include "core/conversion_report.h"
#include "io/destination.h"

namespace tolvarin {

// Whether `bytes` are a plain text file: UTF-8 (a byte-order mark allowed), UTF-16 with
// its byte-order mark or, with `asCodes`, any bytes, with no NUL and no RTF, zip or PDF
// header.
bool isPlainText(std::string_view bytes, bool asCodes);

// The one legacy encoding --from names, whose codes a plain text file is then read as;
// or null, where the file is UTF-8.
const LegacyEncoding* plainTextCodes(const ConversionOptions& options);

// A plain text file converted: read as plainTextCodes() or UTF-8, written in
// options.toEncoding's codes or, with options.unicode, as UTF-8.
ConversionReport convertPlainText(std::string_view bytes, const ConversionOptions& options,
                                  const Destination& destination);

// `utf8` (a document's text, read as Unicode into `report`) written in
// options.toEncoding's codes; the report says what was written.
ConversionReport writeTextInFont(std::string_view utf8, const ConversionOptions& options, ConversionReport report,
                                 const Destination& destination);

}  // namespace tolvarin
