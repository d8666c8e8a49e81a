// Writes a generated PANCHARI document:
//   make_sample [--libreoffice | --mltt | --font NAME | --english | --docx] FILE [MEGABYTES]
//   make_sample --pdf FILE PAGES   a book in ML-TTKarthika as a PDF
//   make_sample --pptx FILE [MEGABYTES] | --xlsx FILE [MEGABYTES]
//                                  a deck of slides, a workbook of 100,000 shared strings
// WordPad's and Word's style by default; --libreoffice writes LibreOffice's; --mltt the
// same as the default, typed in ML-TTKarthika, --font NAME in the font NAME; --english
// English prose in ordinary fonts, with no legacy text; --docx a DOCX as Word writes it, of about
// MEGABYTES packed.
#include <cstdio>
#include <vector>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "pdf_support.h"
#include "sample_document.h"
#include "sample_packages.h"

#ifdef TOLVARIN_OFFICE
#include <zip.h>

// The DOCX around a generated word/document.xml, its members deflated as Word does.
static int writeDocx(const char* path, std::size_t packedBytes) {
    // Random PANCHARI text and its markup pack to about a third.
    const std::string document = tolvarin::bench::makeDocxDocumentXml(packedBytes * 10 / 3);
    const std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/><Override PartName=\"/word/document.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";
    const std::string rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"word/document.xml\"/></Relationships>";
    int error = 0;
    zip_t* z = zip_open(path, ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) return 1;
    for (const auto& [name, content] : {std::pair<const char*, const std::string*>{"[Content_Types].xml", &types},
                                        {"_rels/.rels", &rels},
                                        {"word/document.xml", &document}})
        zip_file_add(z, name, zip_source_buffer(z, content->data(), content->size(), 0), 0);
    return zip_close(z) == 0 ? 0 : 1;
}

static int writeParts(const char* path, const tolvarin::bench::PackageParts& parts) {
    int error = 0;
    zip_t* z = zip_open(path, ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) return 1;
    for (const auto& [name, content] : parts)
        zip_file_add(z, name.c_str(), zip_source_buffer(z, content.data(), content.size(), 0), 0);
    return zip_close(z) == 0 ? 0 : 1;
}
#endif

// A book of `pages` pages in ML-TTKarthika, a heading in Helvetica on each, as a PDF.
std::string makePdfBook(std::size_t pages) {
    tolvarin::bench::Random next;
    std::vector<tolvarin::test::PdfPage> book(pages);
    for (auto& page : book) {
        page.push_back({1, 72, 750, "Chapter heading in Helvetica", 14});
        for (int line = 0; line < 45; ++line) {
            std::string codes;
            while (codes.size() < 70) {
                for (int n = 3 + int(next() % 5); n > 0; --n) codes += char(0xA1 + next() % 0x4F);
                codes += ' ';
            }
            codes.pop_back();
            page.push_back({0, 72, 730.0 - 15 * line, codes, 11});
        }
    }
    return tolvarin::test::makePdf({{"ML-TTKarthika"}, {"Helvetica"}}, book);
}

int main(int argc, char** argv) {
    const bool libreOffice = argc > 1 && std::strcmp(argv[1], "--libreoffice") == 0;
    const bool mltt = argc > 1 && std::strcmp(argv[1], "--mltt") == 0;
    const bool docx = argc > 1 && std::strcmp(argv[1], "--docx") == 0;
    const bool english = argc > 1 && std::strcmp(argv[1], "--english") == 0;
    if (argc > 2 && (std::strcmp(argv[1], "--pptx") == 0 || std::strcmp(argv[1], "--xlsx") == 0)) {
#ifdef TOLVARIN_OFFICE
        // Random PANCHARI text and its markup pack to about a third.
        const std::size_t packed = (argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 10) << 20;
        return writeParts(argv[2], argv[1][2] == 'p' ? tolvarin::bench::makePptxParts(packed * 28 / 10)
                                                     : tolvarin::bench::makeXlsxParts(100000, packed * 17 / 10));
#else
        std::fprintf(stderr, "make_sample: built without libzip\n");
        return 1;
#endif
    }
    if (argc > 3 && std::strcmp(argv[1], "--pdf") == 0) {
        std::ofstream(argv[2], std::ios::binary) << makePdfBook(std::strtoul(argv[3], nullptr, 10));
        return 0;
    }
    std::string font = mltt ? "ML-TTKarthika" : "PANCHARI";
    if (argc > 2 && std::strcmp(argv[1], "--font") == 0) {
        font = argv[2];
        argc -= 2;
        argv += 2;
    } else if (libreOffice || mltt || docx || english) {
        --argc;
        ++argv;
    }
    // A file name never begins with "--": that is an option this does not know.
    if (argc < 2 || std::strncmp(argv[1], "--", 2) == 0) {
        std::fprintf(stderr, "usage: make_sample [--libreoffice | --mltt | --font NAME | --english | --docx] FILE [MEGABYTES]\n");
        return 2;
    }
    std::size_t mb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 10;
    const std::size_t bytes = mb * 1024 * 1024;
    if (docx) {
#ifdef TOLVARIN_OFFICE
        return writeDocx(argv[1], bytes);
#else
        std::fprintf(stderr, "make_sample: built without libzip\n");
        return 1;
#endif
    }
    std::string doc = libreOffice ? tolvarin::bench::makeLibreOfficeDocument(bytes)
                      : english   ? tolvarin::bench::makeEnglishDocument(bytes)
                                  : tolvarin::bench::makePanchariDocument(bytes, font);
    std::ofstream(argv[1], std::ios::binary).write(doc.data(), std::streamsize(doc.size()));
    return 0;
}
