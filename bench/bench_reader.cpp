// The web page reader on pages of the size a loader accepts: an ordinary page, and the hostile
// shapes whose cost grew faster than their size (deep nesting, many attributes, a long word).
#include <benchmark/benchmark.h>

#include <string>

#include "arquorel/platform/web/reader/HtmlReader.h"

namespace {

std::string repeated(const std::string& part, std::size_t bytes) {
    std::string out;
    while (out.size() + part.size() <= bytes) out += part;
    return out;
}

constexpr std::size_t kPage = 995'000;  // under the 1 MB cap

void readPage(benchmark::State& state, const std::string& html) {
    for (auto _ : state) benchmark::DoNotOptimize(arquorel::readHtml(html));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(html.size()));
}

void BM_ReadOrdinaryPage(benchmark::State& state) {
    readPage(state, "<title>Casino</title>" +
                        repeated("<p>Open every day from two in the afternoon.</p>\n", kPage));
}

void BM_ReadNestedDivs(benchmark::State& state) {
    readPage(state, repeated("<div>", kPage) + "bottom");
}

void BM_ReadManyAttributes(benchmark::State& state) {
    readPage(state, "<p" + repeated(" a=1", kPage) + ">kept</p>");
}

void BM_ReadOneLongWord(benchmark::State& state) {
    readPage(state, "<p>" + std::string(64 * 1024, 'x') + "</p>");
}

}  // namespace

BENCHMARK(BM_ReadOrdinaryPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadNestedDivs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadManyAttributes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadOneLongWord)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
