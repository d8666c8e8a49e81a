// Writes a generated PANCHARI document: make_sample FILE [MEGABYTES]
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "sample_document.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_sample FILE [MEGABYTES]\n");
        return 2;
    }
    std::size_t mb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 10;
    std::string doc = tolvarin::bench::makePanchariDocument(mb * 1024 * 1024);
    std::ofstream(argv[1], std::ios::binary).write(doc.data(), std::streamsize(doc.size()));
    return 0;
}
