// Feeds arbitrary bytes to the ntvplus body (sorted, distinct channel options):
// one-line, named rows whose codes start with a digit.
#include <cstddef>
#include <cstdint>

#include "fuzz_rows.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const brelvik::ChannelRows rows = brelvik::ParseNtvplusPage(brelvik::fuzz::AsPage(data, size));
  brelvik::fuzz::CheckOneLineRows(rows);
  brelvik::fuzz::CheckCodesStartWithDigits(rows);
  brelvik::fuzz::CheckNamed(rows);
  return 0;
}
