// Feeds arbitrary bytes to the zakon body (entries of the channels object in order): clean rows.
#include <cstddef>
#include <cstdint>

#include "fuzz_rows.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  brelvik::fuzz::CheckCleanRows(brelvik::ParseZakonPage(brelvik::fuzz::AsPage(data, size)));
  return 0;
}
