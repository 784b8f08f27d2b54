// Feeds arbitrary bytes to the ontimetv body (channel blocks in page order): one-line rows.
#include <cstddef>
#include <cstdint>

#include "fuzz_rows.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  brelvik::fuzz::CheckOneLineRows(brelvik::ParseOntimetvPage(brelvik::fuzz::AsPage(data, size)));
  return 0;
}
