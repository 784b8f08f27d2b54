// Any bytes as the tricolor programme page: the body must not fail, and its
// lines (as the trace file keeps them), rows and empty-list cause must be those
// of the cleaning chain applied one replacement at a time over the whole text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_rows.h"
#include "loaders/loader_references.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page = brelvik::fuzz::AsPage(data, size);
  const brelvik::TricolorPage parsed = brelvik::ParseTricolorPage(page);
  const brelvik::TricolorPage reference = brelvik::test::ParseTricolorPageReference(page);
  if (parsed.lines != reference.lines) __builtin_trap();
  brelvik::fuzz::CheckSameRows(parsed.rows, parsed.empty_list, reference.rows,
                               reference.empty_list);
  if (parsed.rows.size() > parsed.lines.size()) __builtin_trap();
  brelvik::fuzz::CheckUtf8Rows(parsed.rows);
  const std::string trace = brelvik::TricolorTraceBytes(parsed.lines);
  if (trace.empty() != parsed.lines.empty()) __builtin_trap();
  return 0;
}
