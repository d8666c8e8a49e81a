// Reading, writing and converting a generated 10 MB PANCHARI document.
#include <benchmark/benchmark.h>

#include "conversion_pass.h"
#include "model/document.h"
#include "sample_document.h"

using namespace tolvarin;

namespace {

constexpr std::size_t kSize = 10 * 1024 * 1024;

const std::string& input() {
    static const std::string s = bench::makePanchariDocument(kSize);
    return s;
}

void BM_Read(benchmark::State& state) {
    for (auto _ : state) {
        Document d;
        if (!d.setRtf(input())) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(d.length());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(input().size()));
}
BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond);

void BM_Write(benchmark::State& state) {
    Document d;
    d.setRtf(input());
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string out = d.rtf();
        bytes += out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(std::int64_t(bytes));
}
BENCHMARK(BM_Write)->Unit(benchmark::kMillisecond);

// The walk alone (its save fails at once on an impossible path).
void BM_ConvertWalk(benchmark::State& state) {
    Document src;
    src.setRtf(input());
    WindowlessHost host("/dev/null/none");
    for (auto _ : state) {
        Document working, out;
        runConversionPass(src, working, out, host);
        benchmark::DoNotOptimize(out.length());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(input().size()));
}
BENCHMARK(BM_ConvertWalk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
