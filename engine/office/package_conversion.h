// Converting a word-processor package (DOCX, ODT) in place: only the text set in a
// legacy font and the font declarations change; every other member of the archive,
// and every other byte of a changed part, stays as it was.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/conversion.h"
#include "convert/rtf_rewriter.h"

namespace tolvarin {

// What is said of a document that needs a password to be read.
inline constexpr std::string_view kPasswordProtected =
    "the document is password-protected; remove the password in the word processor and try again";

enum class DocumentKind {
    Rtf,        // anything else is read as RTF, which says what is wrong with it
    Package,    // a zip archive: DOCX or ODT, told apart by its members
    WordBinary, // a Word 97-2003 document (.doc)
    Encrypted,  // a password-protected Office document
};
DocumentKind documentKind(std::string_view bytes);

// Converts the package in `bytes` into `out`. A package without legacy text comes out
// as its input, byte for byte. `warning`, if given, gets what the user should know of a
// successful conversion (a signature that no longer holds), or stays empty.
RewriteOutcome convertPackage(std::string_view bytes, std::string& out, const RewriteOptions& options,
                              std::string* warning = nullptr);
// The package's text in Unicode Malayalam, a paragraph a line, UTF-8.
RewriteOutcome packageUnicodeText(std::string_view bytes, std::string& utf8);
// The package's text as it stands, paragraph by paragraph, in runs of one font each.
struct PackageRun {
    std::u16string text;
    std::string font;
};
// Returns an empty string, or what is wrong with the package.
std::string packageParagraphs(std::string_view bytes, std::vector<std::vector<PackageRun>>& paragraphs);

// The fonts of the package's text, with their characters, in the order first used.
// Returns an empty string, or what is wrong with the package.
std::string packageFonts(std::string_view bytes, std::vector<std::pair<std::string, std::size_t>>& fonts);

}  // namespace tolvarin
