// Any bytes through the HTML reference decoder: well-formed UTF-8 stays
// well-formed, no line break or other control character appears that was not
// there, and the text never grows (no reference is shorter than what it gives).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_rows.h"
#include "support/html_references.h"

namespace {
std::size_t Controls(const std::string& text) {
  return std::count_if(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(brelvik::fuzz::AsPage(data, size));
  const std::string decoded = brelvik::DecodeHtmlReferences(text);
  if (decoded.size() > text.size()) __builtin_trap();
  if (Controls(decoded) != Controls(text)) __builtin_trap();
  if (brelvik::IsValidUtf8(text) && !brelvik::IsValidUtf8(decoded)) __builtin_trap();
  return 0;
}
