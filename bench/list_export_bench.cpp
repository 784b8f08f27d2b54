// Time to build each list export over 100 000 rows (the guide formats with a
// tenth of the rows renamed and pairs of rows sharing a code), and to write
// the workbook to disk whole (temporary file, fsync, rename).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "outputs/list_export.h"

namespace {

const brelvik::ListColumns kTitles{"Название канала", "Код канала"};

const brelvik::ChannelRows& HundredThousandRows() {
  static const brelvik::ChannelRows rows = [] {
    brelvik::ChannelRows r;
    r.reserve(100000);
    for (int i = 0; i < 100000; ++i) r.push_back({"Канал " + std::to_string(i), std::to_string(i)});
    return r;
  }();
  return rows;
}

void BM_ExportText(benchmark::State& state) {
  const auto& rows = HundredThousandRows();
  for (auto _ : state) {
    std::string bytes = brelvik::ExportText(rows, kTitles);
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_ExportText)->Unit(benchmark::kMillisecond);

void BM_ExportExcel(benchmark::State& state) {
  const auto& rows = HundredThousandRows();
  for (auto _ : state) {
    std::string bytes = brelvik::ExportExcel(rows, kTitles);
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_ExportExcel)->Unit(benchmark::kMillisecond);

void BM_ExportHtml(benchmark::State& state) {
  const auto& rows = HundredThousandRows();
  for (auto _ : state) {
    std::string bytes = brelvik::ExportHtml(rows, kTitles);
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_ExportHtml)->Unit(benchmark::kMillisecond);

const brelvik::ListedChannels& HundredThousandListed() {
  static const brelvik::ListedChannels channels = [] {
    brelvik::ListedChannels c;
    c.reserve(100000);
    for (int i = 0; i < 100000; ++i) {
      std::string name = "Канал " + std::to_string(i);
      std::string provider = i % 10 == 0 ? "Провайдер " + std::to_string(i) : name;
      c.push_back({{std::move(name), std::to_string(i / 2)}, std::move(provider)});
    }
    return c;
  }();
  return channels;
}

void BM_ExportXmltv(benchmark::State& state) {
  const auto& channels = HundredThousandListed();
  for (auto _ : state) {
    brelvik::GuideExportReport report;
    std::string bytes = brelvik::ExportXmltv(channels, ": http://www.vsetv.com", "ru", report);
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_ExportXmltv)->Unit(benchmark::kMillisecond);

void BM_ExportGrabberChannels(benchmark::State& state) {
  const auto& channels = HundredThousandListed();
  for (auto _ : state) {
    brelvik::GuideExportReport report;
    std::string bytes =
        brelvik::ExportGrabberChannels(channels, ": http://www.vsetv.com", "ru", report);
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_ExportGrabberChannels)->Unit(benchmark::kMillisecond);

void BM_ExportListExcelToFile(benchmark::State& state) {
  const auto& rows = HundredThousandRows();
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / "brelvik_list_export_bench.xls";
  for (auto _ : state) brelvik::ExportList(file, brelvik::ListFormat::kExcel, rows, kTitles);
  std::filesystem::remove(file);
}
BENCHMARK(BM_ExportListExcelToFile)->Unit(benchmark::kMillisecond);

}  // namespace
