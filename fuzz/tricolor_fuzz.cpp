// Any bytes as the tricolor programme page: the body must not fail, its texts
// must be well-formed UTF-8, and its lines must be those of the cleaning chain
// applied one replacement at a time over the whole text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "loaders/loader_references.h"
#include "fuzz_rows.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page = brelvik::fuzz::AsPage(data, size);
  const brelvik::TricolorPage parsed = brelvik::ParseTricolorPage(page);
  if (parsed.lines != brelvik::test::TricolorReferenceLines(page)) __builtin_trap();
  if (parsed.rows.size() > parsed.lines.size()) __builtin_trap();
  brelvik::fuzz::CheckUtf8Rows(parsed.rows);
  const std::string trace = brelvik::TricolorTraceBytes(parsed.lines);
  if (trace.empty() != parsed.lines.empty()) __builtin_trap();
  return 0;
}
