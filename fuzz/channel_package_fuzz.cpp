// Any bytes as a channel-package service answer: rows or a clear error, and
// every row's text well-formed UTF-8.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "fuzz_rows.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    brelvik::fuzz::CheckUtf8Rows(brelvik::ParseChannelPackage(brelvik::fuzz::AsPage(data, size)));
  } catch (const std::runtime_error&) {
    // A document not of the expected shape is refused; that is the answer.
  }
  return 0;
}
