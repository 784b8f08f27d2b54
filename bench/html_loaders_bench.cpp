// Throughput of the HTML loader bodies on generated pages of 10 000 and
// 100 000 channels, so a body that grows faster than its page shows up.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "loaders/loaders.h"

namespace {

using brelvik::ChannelRows;

// "Канал N" in UTF-8 or in Windows-1251.
std::string Name(int n, bool cp1251) {
  return (cp1251 ? std::string("\xCA\xE0\xED\xE0\xEB ") : std::string("Канал ")) +
         std::to_string(n);
}

std::string TeleguidePage(int channels) {
  std::string page = "<html><body><h1>Каналы</h1>\n";
  for (int i = 0; i < channels; ++i) {
    if (i % 100 == 0) {
      if (i > 0) page += "</div>\n";
      page += "<div id=\"programm_group\"><h2>Группа</h2>\n";
    }
    const std::string name = Name(i, false);
    page += "<div id=\"programm_logo3\"><div id=\"programm_logo2\"><a href=\"/kanal" +
            std::to_string(i) + ".html\" title=\"" + name + "\"alt=\"" + name +
            "\" /></a></div></div>\n";
  }
  return page + "</div>\n<div id=\"footer\">(c)</div></body></html>";
}

std::string AkadoPage(int channels) {
  std::string page = "<table><thead><tr><th><a href=\"?s\">Канал</a></th></tr></thead>\n<tbody>\n";
  for (int i = 0; i < channels; ++i) {
    page +=
        "<tr><td><a href=\"" + std::to_string(i) + ".html\">" + Name(i, false) + "</a></td></tr>\n";
  }
  return page + "</tbody>\n<tbody class=\"tv-special\"></tbody></table>";
}

std::string NtvplusPage(int channels) {
  std::string page = "<div><h1><a href=\"/\">ТВ</a></h1></div>\n<select name=\"ch\">";
  for (int i = 0; i < channels; ++i) {
    if (i % 100 == 0)
      page += i > 0 ? "</optgroup><optgroup label=\"Г\">" : "<optgroup label=\"Г\">";
    page += "<option value=\"" + std::to_string(i) + "\">" + Name(i, false) + "</option>\n";
  }
  return page + "</optgroup></select>\n<div class=\"rightentry\"></div>";
}

std::string OntimetvPage(int channels) {
  std::string page = "<div id=\"tv_left_side\"><h2>Кино</h2>\n<table>\n";
  for (int i = 0; i < channels; ++i) {
    const std::string name = Name(i, true);
    page += "<tr><td><div class=\"normal_div1\">" + name +
            "</div><a href=\"/tv/?ch0=" + std::to_string(i) + "\" title=\"" + name + "\">" + name +
            "</a></td></tr>\n";
  }
  return page + "</table>\n</div>";
}

std::string ZakonPage(int channels) {
  std::string page = "<script type=\"text/javascript\">\nvar channels = {\n";
  for (int i = 0; i < channels; ++i) {
    page += "\t'" + std::to_string(i) + "':{'id':'" + std::to_string(i + 1000) + "','name':'" +
            Name(i, true) + "','logo':'l.png'},\n";
  }
  return page + "};\n</script>";
}

void RunBody(benchmark::State& state, const std::function<std::string(int)>& make_page,
             ChannelRows (*parse)(std::string_view, brelvik::EmptyListCause*),
             std::size_t fixed_rows = 0) {
  const int channels = static_cast<int>(state.range(0));
  const std::string page = make_page(channels);
  for (auto _ : state) {
    brelvik::EmptyListCause empty = brelvik::EmptyListCause::kNone;
    ChannelRows rows = parse(page, &empty);
    if (rows.size() != static_cast<std::size_t>(channels) + fixed_rows ||
        empty != brelvik::EmptyListCause::kNone) {
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
}

void BM_Teleguide(benchmark::State& state) {
  RunBody(state, TeleguidePage, brelvik::ParseTeleguidePage);
}
void BM_Akado(benchmark::State& state) { RunBody(state, AkadoPage, brelvik::ParseAkadoPage, 5); }
void BM_Ntvplus(benchmark::State& state) { RunBody(state, NtvplusPage, brelvik::ParseNtvplusPage); }
void BM_Ontimetv(benchmark::State& state) {
  RunBody(state, OntimetvPage, brelvik::ParseOntimetvPage);
}
void BM_Zakon(benchmark::State& state) { RunBody(state, ZakonPage, brelvik::ParseZakonPage); }

BENCHMARK(BM_Teleguide)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Akado)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ntvplus)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ontimetv)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Zakon)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
