// Feeds arbitrary bytes to the built-in lists' reading ("name;code" a line):
// the rows of the steps as first written.
#include <cstddef>
#include <cstdint>

#include "fuzz_rows.h"
#include "loaders/loader_references.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = brelvik::fuzz::AsPage(data, size);
  if (brelvik::ParseBuiltinList(text) != brelvik::test::ParseBuiltinListReference(text)) {
    __builtin_trap();
  }
  return 0;
}
