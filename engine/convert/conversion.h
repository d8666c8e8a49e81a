// Converting a document's own RTF into a file or into memory, and what the command
// line and the window say of it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "model/document.h"

namespace tolvarin {

// The font test: the name, upper-cased, begins with PANCHARI.
bool isSourceFont(std::string_view fontName);

// Converts RTF `rtf` into `path`, keeping every byte that is not source-font text:
// the way a document that was read from RTF is saved. A document that is damaged or
// not RTF fails before anything is written; a failed save leaves `path` as it was.
struct RewriteOutcome {
    bool ok = true;
    std::size_t converted = 0;
    std::size_t unknown = 0;  // Unicode: characters kept as they were, with no Unicode value
    std::string error;        // names what failed, and where
    // When nothing was converted: the fonts the text is set in, by name.
    std::vector<std::string> textFonts;
    // `converted` by legacy font, in the order of legacyFonts().
    std::vector<std::size_t> convertedByFont;
};
struct RewriteOptions;
RewriteOutcome convertRtfToFile(std::string_view rtf, const std::filesystem::path& path);
RewriteOutcome convertRtfToFile(std::string_view rtf, const std::filesystem::path& path,
                                const RewriteOptions& options);
// The same into memory, for a destination that can only be written once the whole
// conversion has succeeded (a pipe); `out` is complete only when the outcome is ok.
RewriteOutcome convertRtfToString(std::string_view rtf, std::string& out, const RewriteOptions& options);

// The extra line of the message after a Unicode conversion that kept characters.
std::string unknownCharactersNote(std::size_t unknown);

// "1,204 PANCHARI and 3,310 ML-TT characters converted", when text of more than one
// legacy font was converted; otherwise empty.
std::string convertedByFontNote(const std::vector<std::size_t>& convertedByFont);

}  // namespace tolvarin
