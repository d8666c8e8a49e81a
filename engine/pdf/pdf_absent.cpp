// A build without poppler (Windows, the page): PDFs are refused, saying where they convert.
#include "pdf/pdf_text.h"

namespace tolvarin {

bool pdfSupported() { return false; }

std::string pdfLines(std::string_view, std::vector<PdfLine>&) {
    return "a PDF document: this build of Tolvarin does not read PDFs; the Linux build converts them to "
           "Unicode text";
}

}  // namespace tolvarin
