// Matching a provider's list against a playlist of the same size: 10 000 and
// 100 000 names each, with the playlist naming each channel once or in three
// copies, and the peak resident size of the process reported.
// Run one size per process for a peak of its own:
//   matching_bench --benchmark_filter=BM_Match/100000
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <random>
#include <string>
#include <vector>

#include "matching/matcher.h"

namespace brelvik {
namespace {

// Words as channel names are made of: a few very common ones, and many rare
// ones made of syllables, in Cyrillic and in Latin letters.
struct Vocabulary {
  std::vector<std::string> common = {"Спорт", "Кино", "ТВ",   "Канал",  "News",    "Music", "Sport",
                                     "Мир",   "Дом",  "Live", "Россия", "Premium", "Kids",  "Хит"};
  std::vector<std::string> rare;

  Vocabulary() {
    const char* cyrillic[] = {"ка", "ро", "ми", "на", "до", "те",
                              "ли", "зо", "ву", "ша", "пе", "ты"};
    const char* latin[] = {"ka", "ro", "mi", "na", "do", "te", "li", "zo", "vu", "sha", "pe", "ty"};
    std::mt19937 random(7);
    for (int i = 0; i < 6000; ++i) {
      const bool cyr = i % 2 == 0;
      std::string word;
      const int syllables = 2 + static_cast<int>(random() % 3);
      for (int s = 0; s < syllables; ++s)
        word += cyr ? cyrillic[random() % 12] : latin[random() % 12];
      rare.push_back(std::move(word));
    }
  }
};

std::string Name(const Vocabulary& v, std::mt19937& random) {
  std::string name = v.rare[random() % v.rare.size()];
  if (random() % 3 == 0) name += " " + v.rare[random() % v.rare.size()];
  if (random() % 3 == 0) name = v.common[random() % v.common.size()] + " " + name;
  if (random() % 4 == 0) name += " " + std::to_string(random() % 30);
  return name;
}

struct Lists {
  ChannelRows rows;
  std::vector<PlaylistName> names;
};

// Most playlist names are the provider's names as playlists write them; the
// rest are channels the provider does not have.
Lists MakeLists(std::size_t n) {
  static const Vocabulary vocabulary;
  std::mt19937 random(42);
  Lists lists;
  const char* decorations[] = {"%s HD", "RU: %s",      "%s (720p)",
                               "%s",    "|RU| %s FHD", "%s [Not 24/7]"};
  for (std::size_t i = 0; i < n; ++i) {
    const std::string name = Name(vocabulary, random) + " " + std::to_string(i % 97);
    lists.rows.push_back({name, std::to_string(i)});
    std::string shown;
    if (random() % 10 < 6) {
      const std::string pattern = decorations[random() % 6];
      shown = pattern.substr(0, pattern.find("%s")) + name + pattern.substr(pattern.find("%s") + 2);
    } else {
      shown = Name(vocabulary, random) + " " + std::to_string(i % 89);
    }
    lists.names.push_back({shown, i, 1, {}});
  }
  return lists;
}

// Public playlists carry one channel under several names: each channel the
// playlist has comes in `copies` spellings (a resolution, a remark, a
// marker), so 100 000 names hold a third as many channels.
Lists MakeListsWithCopies(std::size_t n, std::size_t copies) {
  static const Vocabulary vocabulary;
  std::mt19937 random(43);
  Lists lists;
  const char* decorations[] = {"%s (576p)", "%s (1080p)", "RU: %s",      "%s [Not 24/7]",
                               "%s HD",     "%s",         "%s (резерв)", "%s [Geo-blocked]"};
  for (std::size_t i = 0; i < n; ++i) {
    const std::string name = Name(vocabulary, random) + " " + std::to_string(i % 97);
    lists.rows.push_back({name, std::to_string(i)});
    if (lists.names.size() >= n || i % copies != 0) continue;
    const std::string base = random() % 10 < 7 ? name : Name(vocabulary, random);
    for (std::size_t c = 0; c < copies && lists.names.size() < n; ++c) {
      const std::string pattern = decorations[(i + c * 3) % 8];
      const std::string shown =
          pattern.substr(0, pattern.find("%s")) + base + pattern.substr(pattern.find("%s") + 2);
      lists.names.push_back({shown, lists.names.size(), 1, {}});
    }
  }
  return lists;
}

// Matches the lists once an iteration; the process's peak resident size.
void RunMatch(benchmark::State& state, const Lists& lists) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(MatchNames(lists.rows, lists.names));
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_MatchCopies(benchmark::State& state) {
  RunMatch(state, MakeListsWithCopies(static_cast<std::size_t>(state.range(0)), 3));
}
BENCHMARK(BM_MatchCopies)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_Match(benchmark::State& state) {
  RunMatch(state, MakeLists(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_Match)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace brelvik
