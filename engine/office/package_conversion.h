// Converting a word-processor package (DOCX, ODT) in place: only the text set in a
// legacy font and the font declarations change; every other member of the archive,
// and every other byte of a changed part, stays as it was.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/conversion_options.h"
#include "core/legacy_detection.h"
#include "core/conversion_report.h"
#include "io/destination.h"

namespace tolvarin {

// Converts the package in `bytes` into `destination`: the package converted (one
// without legacy text comes out as its input, byte for byte), or with options.textOnly
// its text in Unicode Malayalam, a paragraph a line, UTF-8.
ConversionReport convertPackage(std::string_view bytes, const ConversionOptions& options,
                                const Destination& destination);

// What the package is: a DOCX, or an ODT (an OpenDocument text); a package that is
// neither, or damaged, reads as a DOCX here and fails when it is converted.
WrittenFormat packageFormat(std::string_view bytes);

// The package's text as it stands, paragraph by paragraph, in runs of one font each.
struct PackageRun {
    std::u16string text;
    std::string font;
};
// Returns an empty string, or what is wrong with the package.
std::string packageParagraphs(std::string_view bytes, std::vector<std::vector<PackageRun>>& paragraphs);

// The fonts of the package's text, with their characters, in the order first used, and
// (if asked) what the text of each that is no legacy font holds, by the same order.
// Returns an empty string, or what is wrong with the package.
std::string packageFonts(std::string_view bytes, std::vector<std::pair<std::string, std::size_t>>& fonts,
                         std::vector<FontDetection>* finds = nullptr);

}  // namespace tolvarin
