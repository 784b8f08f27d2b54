// Throughput of the HTML loader bodies on generated pages of 10 000 and
// 100 000 channels, so a body that grows faster than its page shows up; each
// beside the steps as first written (the "Reference" runs) on the same page.
// Every run also times a memmem scan for the page's row marker over the same
// bytes and reports the body's speed as a share of that scan's
// ("memmem_pct": 100 means as fast as finding the markers alone).
#include <benchmark/benchmark.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "loaders/generated_pages.h"
#include "loaders/loader_references.h"
#include "loaders/loaders.h"

namespace {

using brelvik::ChannelRows;
using brelvik::EmptyListCause;
using Clock = std::chrono::steady_clock;

// The median time of finding every `marker` of `page` with memmem.
double MemmemSeconds(const std::string& page, std::string_view marker) {
  std::vector<double> times;
  for (int run = 0; run < 9; ++run) {
    const auto start = Clock::now();
    std::size_t found = 0;
    const char* at = page.data();
    const char* const end = page.data() + page.size();
    while (const void* hit = memmem(at, end - at, marker.data(), marker.size())) {
      ++found;
      at = static_cast<const char*>(hit) + marker.size();
    }
    benchmark::DoNotOptimize(found);
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  return times[times.size() / 2];
}

template <typename Parse>
void RunBody(benchmark::State& state, std::string (*make_page)(int), std::string_view marker,
             Parse parse, std::size_t fixed_rows = 0) {
  const int channels = static_cast<int>(state.range(0));
  const std::string page = make_page(channels);
  const double scan = MemmemSeconds(page, marker);
  double body = 0;
  for (auto _ : state) {
    EmptyListCause empty = EmptyListCause::kNone;
    const auto start = Clock::now();
    ChannelRows rows = parse(page, &empty);
    body += std::chrono::duration<double>(Clock::now() - start).count();
    if (rows.size() != static_cast<std::size_t>(channels) + fixed_rows ||
        empty != EmptyListCause::kNone) {
      state.SkipWithError("the generated page did not give one row per channel");
      break;
    }
    benchmark::DoNotOptimize(rows);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(page.size()));
  state.counters["page_MB"] = static_cast<double>(page.size()) / 1e6;
  state.counters["channels/s"] = benchmark::Counter(static_cast<double>(channels),
                                                    benchmark::Counter::kIsIterationInvariantRate);
  if (state.iterations() > 0 && body > 0) {
    state.counters["memmem_pct"] = 100 * scan / (body / static_cast<double>(state.iterations()));
  }
}

constexpr std::string_view kVsetvRow = "<option value=channel_";
constexpr std::string_view kTeleguideRow =
    "<div id=\"programm_logo3\"><div id=\"programm_logo2\"><a href=\"/kanal";
constexpr std::string_view kAkadoRow = "<a href=\"";
constexpr std::string_view kNtvplusRow = "<option value=\"";
constexpr std::string_view kOntimetvRow = "<div class=\"normal_div1\">";
constexpr std::string_view kZakonRow = "':{'id':'";

void BM_Vsetv(benchmark::State& state) {
  RunBody(state, brelvik::test::GeneratedVsetvPage, kVsetvRow, brelvik::ParseVsetvPage);
}
void BM_VsetvReference(benchmark::State& state) {
  RunBody(state, brelvik::test::GeneratedVsetvPage, kVsetvRow,
          brelvik::test::ParseVsetvPageReference);
}
void BM_Teleguide(benchmark::State& state) {
  RunBody(state, brelvik::test::GeneratedTeleguidePage, kTeleguideRow, brelvik::ParseTeleguidePage);
}
void BM_TeleguideReference(benchmark::State& state) {
  RunBody(state, brelvik::test::GeneratedTeleguidePage, kTeleguideRow,
          brelvik::test::ParseTeleguidePageReference);
}
void BM_Akado(benchmark::State& state) {
  RunBody(state, brelvik::test::GeneratedAkadoPage, kAkadoRow, brelvik::ParseAkadoPage, 5);
}
void BM_AkadoReference(benchmark::State& state) {
  RunBody(state, brelvik::test::GeneratedAkadoPage, kAkadoRow,
          brelvik::test::ParseAkadoPageReference, 5);
}
void BM_Ntvplus(benchmark::State& state) {
  RunBody(state, brelvik::test::GeneratedNtvplusPage, kNtvplusRow, brelvik::ParseNtvplusPage);
}
void BM_NtvplusReference(benchmark::State& state) {
  RunBody(state, brelvik::test::GeneratedNtvplusPage, kNtvplusRow,
          brelvik::test::ParseNtvplusPageReference);
}
void BM_Ontimetv(benchmark::State& state) {
  RunBody(state, brelvik::test::GeneratedOntimetvPage, kOntimetvRow, brelvik::ParseOntimetvPage);
}
void BM_OntimetvReference(benchmark::State& state) {
  RunBody(state, brelvik::test::GeneratedOntimetvPage, kOntimetvRow,
          brelvik::test::ParseOntimetvPageReference);
}
void BM_Zakon(benchmark::State& state) {
  RunBody(state, brelvik::test::GeneratedZakonPage, kZakonRow, brelvik::ParseZakonPage);
}
void BM_ZakonReference(benchmark::State& state) {
  RunBody(state, brelvik::test::GeneratedZakonPage, kZakonRow,
          brelvik::test::ParseZakonPageReference);
}

BENCHMARK(BM_Vsetv)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VsetvReference)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Teleguide)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TeleguideReference)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Akado)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AkadoReference)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ntvplus)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NtvplusReference)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ontimetv)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OntimetvReference)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Zakon)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZakonReference)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
