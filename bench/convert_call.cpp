// Times the engine's one entry point on a document, as a front end calls it, with the
// output handed on in pieces and dropped:
//   convert_call [--unicode | --to FONT] [--one-thread] FILE [RUNS]
// Prints each run's milliseconds and the best. --one-thread runs it as the browser page
// does, with no threads.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "api/convert_document.h"
#include "core/conversion_options.h"
#include "io/file_io.h"

using namespace tolvarin;

int main(int argc, char** argv) {
    ConversionOptions options;
    bool oneThread = false;
    int a = 1;
    for (; a < argc && argv[a][0] == '-' && argv[a][1] == '-'; ++a) {
        if (std::strcmp(argv[a], "--unicode") == 0) options.unicode = true;
        else if (std::strcmp(argv[a], "--one-thread") == 0) oneThread = true;
        else if (std::strcmp(argv[a], "--to") == 0 && a + 1 < argc) {
            std::string error;
            if (!legacyTargetCalled(argv[++a], options, error)) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return 2;
            }
        }
    }
    if (a >= argc) {
        std::fprintf(stderr, "usage: convert_call [--unicode | --to FONT] [--one-thread] FILE [RUNS]\n");
        return 2;
    }
    std::string bytes;
    if (std::string error = readWholeFile(argv[a], bytes); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const int runs = a + 1 < argc ? std::atoi(argv[a + 1]) : 5;
    ContainedEnvironment contained;
    Environment& environment = oneThread ? static_cast<Environment&>(contained) : desktopEnvironment();
    double best = 1e300;
    std::size_t written = 0;
    for (int run = 0; run < runs; ++run) {
        written = 0;
        const Destination dropped = [&](const ContentProducer& produce) {
            return produce([&](std::string_view piece) { written += piece.size(); });
        };
        const auto began = std::chrono::steady_clock::now();
        const ConversionReport report = convertDocument(bytes, options, dropped, environment);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
        if (!report.ok) {
            std::fprintf(stderr, "%s\n", report.error.c_str());
            return 1;
        }
        std::printf("run %d: %.1f ms\n", run + 1, ms);
        if (ms < best) best = ms;
    }
    std::printf("best: %.1f ms (%zu bytes written)\n", best, written);
    return 0;
}
