// The vsetv body, filling the channel table, building and checking the
// channel-id map over 100 000 channels.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "loaders/loaders.h"
#include "outputs/channel_id_map.h"
#include "outputs/channel_search.h"
#include "outputs/channel_table.h"
#include "outputs/m3u_line.h"
#include "support/codepage.h"

namespace brelvik {
namespace {

std::string VsetvPage(int options) {
  std::string page = "<html><body><select name=ch><option value=\"\">--</option>";
  for (int i = 0; i < options; ++i) {
    page += "<option value=channel_" + std::to_string(i) + ">";
    // Windows-1251 Cyrillic names, as the site serves them.
    page += (i % 2) ? "\xCA\xE0\xED\xE0\xEB " : "Channel ";
    page += std::to_string(i * 7919 % 100000) + "</option>";
  }
  return page + "</select></body></html>";
}

ChannelRows Rows(int n) {
  ChannelRows rows;
  for (int i = 0; i < n; ++i) {
    rows.push_back({(i % 2 ? "Канал " : "Channel ") + std::to_string(i * 7919 % 100000),
                    std::to_string(i)});
  }
  return rows;
}

void BM_VsetvBody(benchmark::State& state) {
  const std::string page = VsetvPage(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ParseVsetvPage(page));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_VsetvBody)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FillChannelTable(benchmark::State& state) {
  const ChannelRows rows = Rows(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    ChannelTable table;
    table.Assign(rows);
    benchmark::DoNotOptimize(table.Count());
  }
}
BENCHMARK(BM_FillChannelTable)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The table fill as it was before keys went into one arena, kept as the
// baseline the fill's speed-up is measured against: a key string made
// through a fresh UnicodeString per row, then a stable sort of whole entries.
void BM_FillChannelTableBaseline(benchmark::State& state) {
  struct Entry {
    ChannelRow row;
    std::optional<std::string> provider_name;
    std::string name_key;
    std::string code_key;
  };
  const ChannelRows rows = Rows(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::vector<Entry> entries;
    entries.reserve(rows.size());
    for (const ChannelRow& r : rows) {
      entries.push_back({{Utf8Truncate(r.name, 200), Utf8Truncate(r.code, 20)}, {}, {}, {}});
    }
    for (Entry& e : entries) {
      if (!e.row.name.empty()) e.name_key = CollationKey(e.row.name);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
      if (a.row.name.empty() || b.row.name.empty()) return a.row.name.empty() && !b.row.name.empty();
      const int cmp = a.name_key.compare(b.name_key);
      return cmp != 0 ? cmp < 0 : a.row.name < b.row.name;
    });
    benchmark::DoNotOptimize(entries.data());
  }
}
BENCHMARK(BM_FillChannelTableBaseline)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CreateList(benchmark::State& state) {
  const ChannelRows rows = Rows(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(CreateList(rows));
}
BENCHMARK(BM_CreateList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CreateListRussianLower(benchmark::State& state) {
  const ChannelRows rows = Rows(static_cast<int>(state.range(0)));
  const ChannelIdOptions options{.remove_hyphen = true, .remove_dot = true, .lower_russian = true};
  for (auto _ : state) benchmark::DoNotOptimize(CreateList(rows, options));
}
BENCHMARK(BM_CreateListRussianLower)->Arg(100000)->Unit(benchmark::kMillisecond);

// The check a save runs beside CreateList: every row hashed once more and
// looked up by key.
void BM_CheckChannelIdList(benchmark::State& state) {
  const ChannelRows rows = Rows(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(CheckChannelIdList(rows));
}
BENCHMARK(BM_CheckChannelIdList)->Arg(100000)->Unit(benchmark::kMillisecond);

// The worst search step: nothing matches, so every name is compared.
void BM_SearchStepNoMatch(benchmark::State& state) {
  ChannelTable table;
  table.Assign(Rows(static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(SearchChannels(table, "нет такого", false, 0));
}
BENCHMARK(BM_SearchStepNoMatch)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SortToggle(benchmark::State& state) {
  ChannelTable table;
  table.Assign(Rows(static_cast<int>(state.range(0))));
  bool descending = false;
  for (auto _ : state) {
    descending = !descending;
    table.SetOrder({ChannelField::kCode, descending});
  }
}
BENCHMARK(BM_SortToggle)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ChannelHashAndM3u(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(ChannelHash("Первый канал HD", {.lower_russian = true}));
    benchmark::DoNotOptimize(M3uLine(": http://www.vsetv.com", "101", "Первый канал HD"));
  }
}
BENCHMARK(BM_ChannelHashAndM3u);

}  // namespace
}  // namespace brelvik
