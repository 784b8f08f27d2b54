// Feeds arbitrary bytes to the vsetv body (options of the channel selector). Whatever the
// page, it must return rows of well-formed UTF-8 that hold neither ">" nor a line break.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "loaders/loaders.h"
#include "support/codepage.h"

namespace {
bool Clean(std::string_view text) {
  return brelvik::IsValidUtf8(text) && text.find_first_of(">\r\n") == std::string_view::npos;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const brelvik::ChannelRows rows =
      brelvik::ParseVsetvPage(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const brelvik::ChannelRow& row : rows) {
    if (!Clean(row.name) || !Clean(row.code)) __builtin_trap();
  }
  return 0;
}
