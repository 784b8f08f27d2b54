// Feeds arbitrary bytes to the vsetv body (options of the channel selector):
// the rows of the steps as first written, one line each.
#include <cstddef>
#include <cstdint>

#include "fuzz_rows.h"
#include "loaders/loader_references.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page = brelvik::fuzz::AsPage(data, size);
  brelvik::EmptyListCause cause = brelvik::EmptyListCause::kNone;
  brelvik::EmptyListCause reference_cause = brelvik::EmptyListCause::kNone;
  const brelvik::ChannelRows rows = brelvik::ParseVsetvPage(page, &cause);
  brelvik::fuzz::CheckSameRows(
      rows, cause, brelvik::test::ParseVsetvPageReference(page, &reference_cause), reference_cause);
  brelvik::fuzz::CheckOneLineRows(rows);
  return 0;
}
