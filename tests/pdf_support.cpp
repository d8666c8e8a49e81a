#include "pdf_support.h"

#include <cstdio>

namespace tolvarin::test {

std::string makePdf(const std::vector<PdfFont>& fonts, const std::vector<PdfPage>& pages) {
    // Objects: 1 the catalog, 2 the page tree, then each font and its ToUnicode map, then
    // each page and its content.
    std::vector<std::string> objects(2);
    std::vector<int> fontObject;
    for (const PdfFont& f : fonts) {
        const int font = int(objects.size()) + 1;
        fontObject.push_back(font);
        std::string dict = "<< /Type /Font /Subtype /Type1 /BaseFont /" + f.baseFont + " /Encoding /WinAnsiEncoding";
        if (f.symbolCodes) dict += " /ToUnicode " + std::to_string(font + 1) + " 0 R";
        objects.push_back(dict + " >>");
        const std::string cmap =
            "/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /Symbol-UCS def "
            "1 begincodespacerange <00> <FF> endcodespacerange 1 beginbfrange <20> <FF> <F020> endbfrange "
            "endcmap CMapName currentdict /CMap defineresource pop end end";
        objects.push_back(f.symbolCodes ? "<< /Length " + std::to_string(cmap.size()) + " >>\nstream\n" + cmap +
                                              "\nendstream"
                                        : "null");
    }
    std::string kids;
    for (const PdfPage& page : pages) {
        const int at = int(objects.size()) + 1;
        kids += std::to_string(at) + " 0 R ";
        std::string resources = "<< /Font << ";
        for (std::size_t f = 0; f < fonts.size(); ++f)
            resources += "/F" + std::to_string(f) + " " + std::to_string(fontObject[f]) + " 0 R ";
        resources += ">> >>";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources " + resources +
                          " /Contents " + std::to_string(at + 1) + " 0 R >>");
        std::string content = page.empty() ? "0 0 m 300 300 l 100 400 l S\n" : "";
        for (const PdfText& t : page) {
            char head[96];
            std::snprintf(head, sizeof head, "BT /F%d %.1f Tf %.1f %.1f Td <", t.font, t.size, t.x, t.y);
            content += head;
            static const char hex[] = "0123456789ABCDEF";
            for (unsigned char c : t.codes) {
                content += hex[c >> 4];
                content += hex[c & 15];
            }
            content += "> Tj ET\n";
        }
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream");
    }
    objects[0] = "<< /Type /Catalog /Pages 2 0 R >>";
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>";
    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t o : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", o);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

}  // namespace tolvarin::test
