// A user's playlist of 1 000 000 entries, each with a name of its own, read
// and matched against a provider's list of 2 000 channels, as `match` does:
// the time of one whole run and the process's peak resident size, which
// must stay within a small multiple of the file (targets: 10 s and 1 GB).
//   playlist_bench --benchmark_filter=BM_ReadAndMatchPlaylist
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <string>

#include "matching/matcher.h"
#include "matching/playlist.h"

namespace brelvik {
namespace {

// An M3U file as IPTV services write them: attributes, a group, an address.
std::string PlaylistText(std::size_t entries) {
  std::string text = "#EXTM3U\n";
  text.reserve(entries * 110);
  for (std::size_t i = 0; i < entries; ++i) {
    const std::string n = std::to_string(i);
    text += "#EXTINF:-1 tvg-id=\"\" group-title=\"Group " + std::to_string(i % 50) + "\",Channel " +
            n + " Name" + std::to_string(i * 7919 % 1000003) + "\nhttp://stream.example/" + n +
            ".m3u8\n";
  }
  return text;
}

ChannelRows ProviderRows(std::size_t count) {
  ChannelRows rows;
  for (std::size_t i = 0; i < count; ++i) {
    rows.push_back(
        {"Channel " + std::to_string(i * 500) + " Name" + std::to_string(i * 500 * 7919 % 1000003),
         std::to_string(i)});
  }
  return rows;
}

void BM_ReadAndMatchPlaylist(benchmark::State& state) {
  const std::string text = PlaylistText(static_cast<std::size_t>(state.range(0)));
  const ChannelRows rows = ProviderRows(2000);
  for (auto _ : state) {
    const Playlist playlist = ParsePlaylist(text);
    benchmark::DoNotOptimize(MatchPlaylist(rows, playlist));
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["file_MB"] = static_cast<double>(text.size()) / (1024.0 * 1024.0);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ReadAndMatchPlaylist)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The reader alone on the same file, for the share of the run it takes.
void BM_ReadPlaylist(benchmark::State& state) {
  const std::string text = PlaylistText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ParsePlaylist(text));
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_ReadPlaylist)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace brelvik
