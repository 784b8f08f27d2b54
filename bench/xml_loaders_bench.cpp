// Throughput of the channel-package (XML) and tricolor bodies on generated
// answers of 10 000 and 100 000 channels; equal time per channel at both
// sizes shows that neither body is quadratic. The tricolor body runs beside
// the steps as first written on the same page.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "loaders/generated_pages.h"
#include "loaders/loader_references.h"
#include "loaders/loaders.h"

namespace {

void Report(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_ParseChannelPackage(benchmark::State& state) {
  const std::string answer =
      brelvik::test::GeneratedChannelPackageAnswer(static_cast<int>(state.range(0)));
  if (brelvik::ParseChannelPackage(answer).size() != static_cast<std::size_t>(state.range(0))) {
    throw std::logic_error("the generated answer does not give one row per channel");
  }
  for (auto _ : state) {
    brelvik::ChannelRows rows = brelvik::ParseChannelPackage(answer);
    benchmark::DoNotOptimize(rows);
  }
  Report(state, answer.size());
}
BENCHMARK(BM_ParseChannelPackage)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

template <typename Parse>
void RunTricolor(benchmark::State& state, Parse parse) {
  const std::string page = brelvik::test::GeneratedTricolorPage(static_cast<int>(state.range(0)));
  // The first line holds no check box here, so every channel gives a row.
  if (parse(page).rows.size() != static_cast<std::size_t>(state.range(0))) {
    throw std::logic_error("the generated page does not give one row per channel");
  }
  for (auto _ : state) {
    brelvik::TricolorPage parsed = parse(page);
    benchmark::DoNotOptimize(parsed);
  }
  Report(state, page.size());
}

void BM_ParseTricolorPage(benchmark::State& state) {
  RunTricolor(state, brelvik::ParseTricolorPage);
}
void BM_ParseTricolorPageReference(benchmark::State& state) {
  RunTricolor(state, brelvik::test::ParseTricolorPageReference);
}
BENCHMARK(BM_ParseTricolorPage)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseTricolorPageReference)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
