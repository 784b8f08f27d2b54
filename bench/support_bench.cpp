// Throughput of the MD5 digest on 1 MiB, next to the system crypto library's MD5 on the same
// bytes, and of the HTML reference decoder.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "support/html_references.h"
#include "support/md5.h"

namespace {

std::string MebibyteOfText() {
  std::string text(std::size_t{1} << 20, '\0');
  std::uint32_t x = 12345;
  for (char& c : text) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return text;
}

void BM_Md5Hex_1MiB(benchmark::State& state) {
  const std::string text = MebibyteOfText();
  for (auto _ : state) {
    std::string hex = brelvik::Md5Hex(text);
    benchmark::DoNotOptimize(hex);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_Md5Hex_1MiB);

void BM_OpenSslMd5_1MiB(benchmark::State& state) {
  const std::string text = MebibyteOfText();
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  for (auto _ : state) {
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr) != 1) {
      state.SkipWithError("EVP_Digest failed");
      break;
    }
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_OpenSslMd5_1MiB);

void BM_Md5Hex_ChannelName(benchmark::State& state) {
  const std::string name = "first national channel hd";
  for (auto _ : state) {
    std::string hex = brelvik::Md5Hex(name);
    benchmark::DoNotOptimize(hex);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(name.size()));
}
BENCHMARK(BM_Md5Hex_ChannelName);

// Decoding the references of about a mebibyte of channel names that are full
// of them, named and numeric, with a few that stay as written.
void BM_DecodeHtmlReferences_1MiB(benchmark::State& state) {
  std::string text;
  while (text.size() < (std::size_t{1} << 20)) {
    text += "Fast &amp; FunBox &quot;&#1058;&#x412;&quot; 3 &nbsp;AT&T &bogus; ";
  }
  for (auto _ : state) {
    std::string decoded = brelvik::DecodeHtmlReferences(text);
    benchmark::DoNotOptimize(decoded);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_DecodeHtmlReferences_1MiB);

}  // namespace
