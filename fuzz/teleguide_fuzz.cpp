// Feeds arbitrary bytes to the teleguide body (sorted, distinct channel links):
// one-line rows whose codes start with a digit.
#include <cstddef>
#include <cstdint>

#include "fuzz_rows.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const brelvik::ChannelRows rows = brelvik::ParseTeleguidePage(brelvik::fuzz::AsPage(data, size));
  brelvik::fuzz::CheckOneLineRows(rows);
  brelvik::fuzz::CheckCodesStartWithDigits(rows);
  return 0;
}
