// The text of a PDF, as poppler lays it out: page by page, line by line in reading order,
// each line in spans of one font. A PDF keeps the font of every span, so text set in a
// legacy font converts as a document's would.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvarin {

// Whether this build reads PDFs (the Linux build, with poppler).
bool pdfSupported();

struct PdfSpan {
    std::u16string text;
    std::string font;  // as the PDF names it, its subset prefix (ABCDEF+) dropped
};
// One line of a page; the first line of every page after the first begins with a form feed.
using PdfLine = std::vector<PdfSpan>;

// Returns an empty string, or why the PDF cannot be read (damaged, password-protected, no
// text in it).
std::string pdfLines(std::string_view bytes, std::vector<PdfLine>& lines);

}  // namespace tolvarin
