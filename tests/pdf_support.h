// PDFs made for the tests: text in fonts of given names, not embedded, as a producer
// that keeps a legacy font's codes writes them.
#pragma once

#include <string>
#include <vector>

namespace tolvarin::test {

struct PdfFont {
    std::string baseFont;      // as the PDF names it: "ML-TTKarthika", "ABCDEF+ML-TTKarthika,Bold"
    bool symbolCodes = false;  // a ToUnicode map gives each code c as U+F000 + c, as Word writes a symbol font
};
struct PdfText {
    int font = 0;  // its place among the fonts
    double x = 72, y = 720;
    std::string codes;
    double size = 12;
};
using PdfPage = std::vector<PdfText>;  // empty: a page with a drawing and no text

std::string makePdf(const std::vector<PdfFont>& fonts, const std::vector<PdfPage>& pages);

}  // namespace tolvarin::test
