// Any bytes as a channel-package service answer: rows or a clear error, and
// every row's text well-formed UTF-8.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "loaders/loaders.h"
#include "support/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view answer(reinterpret_cast<const char*>(data), size);
  try {
    for (const brelvik::ChannelRow& row : brelvik::ParseChannelPackage(answer)) {
      if (!brelvik::IsValidUtf8(row.name) || !brelvik::IsValidUtf8(row.code)) __builtin_trap();
    }
  } catch (const std::runtime_error&) {
    // A document not of the expected shape is refused; that is the answer.
  }
  return 0;
}
