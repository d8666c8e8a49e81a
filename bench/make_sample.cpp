// Writes a generated PANCHARI document: make_sample [--libreoffice | --mltt] FILE [MEGABYTES]
// WordPad's and Word's style by default; --libreoffice writes LibreOffice's; --mltt the
// same as the default, typed in ML-TTKarthika.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "sample_document.h"

int main(int argc, char** argv) {
    const bool libreOffice = argc > 1 && std::strcmp(argv[1], "--libreoffice") == 0;
    const bool mltt = argc > 1 && std::strcmp(argv[1], "--mltt") == 0;
    if (libreOffice || mltt) {
        --argc;
        ++argv;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_sample [--libreoffice | --mltt] FILE [MEGABYTES]\n");
        return 2;
    }
    std::size_t mb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 10;
    const std::size_t bytes = mb * 1024 * 1024;
    std::string doc = libreOffice ? tolvarin::bench::makeLibreOfficeDocument(bytes)
                                  : tolvarin::bench::makePanchariDocument(bytes, mltt ? "ML-TTKarthika" : "PANCHARI");
    std::ofstream(argv[1], std::ios::binary).write(doc.data(), std::streamsize(doc.size()));
    return 0;
}
