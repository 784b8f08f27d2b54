// Throughput of the channel-package (XML) and tricolor bodies on generated
// answers of 10 000 and 100 000 channels; equal time per channel at both
// sizes shows that neither body is quadratic.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "loaders/loaders.h"

namespace {

// An indented service answer, about 52 bytes per channel.
std::string ChannelPackageAnswer(int channels) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r>\n<l>\n";
  for (int i = 0; i < channels; ++i) {
    const std::string code = std::to_string(100000 + i);
    xml += " <c><i>" + code + "</i><n>" + std::to_string(i % 1000) + "</n><t>Канал " + code +
           "</t></c>\n";
  }
  return xml + "</l>\n</r>\n";
}

// A programme page whose filter holds the channels in ten tabs, one check box
// a line, indented with tabs, lines ending in CR LF.
std::string TricolorPage(int channels) {
  std::string page = "<html><body><div class=\"check-group\">\r\n";
  const int per_tab = (channels + 9) / 10;
  for (int i = 0; i < channels; ++i) {
    if (i == 0) {
      page += "\t<div id=\"fav-ch-4\" class=\"active\">\r\n";
    } else if (i % per_tab == 0) {
      page += "\t</div><div id=\"fav-ch-" + std::to_string(i / per_tab) + "\">\r\n";
    }
    page += "\t\t<label><input type=\"checkbox\" value=\"" + std::to_string(i) +
            "\" name=\"fc\"><span>Канал " + std::to_string(i) + "</span></label>\r\n";
  }
  return page + "\t</div>\r\n<table class=\"redbutton\"><tr><td></td></tr></table></body></html>";
}

void Report(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_ParseChannelPackage(benchmark::State& state) {
  const std::string answer = ChannelPackageAnswer(static_cast<int>(state.range(0)));
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

void BM_ParseTricolorPage(benchmark::State& state) {
  const std::string page = TricolorPage(static_cast<int>(state.range(0)));
  // The first line holds no check box here, so every channel gives a row.
  if (brelvik::ParseTricolorPage(page).rows.size() != static_cast<std::size_t>(state.range(0))) {
    throw std::logic_error("the generated page does not give one row per channel");
  }
  for (auto _ : state) {
    brelvik::TricolorPage parsed = brelvik::ParseTricolorPage(page);
    benchmark::DoNotOptimize(parsed);
  }
  Report(state, page.size());
}
BENCHMARK(BM_ParseTricolorPage)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
