// Feeds arbitrary bytes to the akado body (fixed rows, then sorted, distinct
// channel links): one-line, named rows, the fixed ones first.
#include <cstddef>
#include <cstdint>

#include "fuzz_rows.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const brelvik::ChannelRows rows = brelvik::ParseAkadoPage(brelvik::fuzz::AsPage(data, size));
  if (rows.size() < 5 || rows[0].code != "3456" || rows[4].code != "52580") __builtin_trap();
  brelvik::fuzz::CheckOneLineRows(rows);
  brelvik::fuzz::CheckNamed(rows);
  return 0;
}
