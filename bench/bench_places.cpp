// Loading the bundled Monaco places (612 records, 467 kB): from text already in memory and
// from the file.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "arquorel/places/PlacesFile.h"

namespace {

const std::string kMonacoPath = std::string(ARQUOREL_DATA_DIR) + "/monaco/places.json";

void BM_LoadMonacoFromText(benchmark::State& state) {
    std::ifstream in(kMonacoPath, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    std::size_t records = 0;
    for (auto _ : state) {
        const auto file = arquorel::PlacesFile::fromText(text);
        records = file.records.size();
        benchmark::DoNotOptimize(records);
    }
    if (records != 612) state.SkipWithError("the Monaco places did not load");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_LoadMonacoFromText)->Unit(benchmark::kMillisecond);

void BM_LoadMonacoFromFile(benchmark::State& state) {
    std::size_t records = 0;
    for (auto _ : state) {
        const auto file = arquorel::PlacesFile::fromPath(kMonacoPath);
        records = file.records.size();
        benchmark::DoNotOptimize(records);
    }
    if (records != 612) state.SkipWithError("the Monaco places did not load");
    state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_LoadMonacoFromFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
