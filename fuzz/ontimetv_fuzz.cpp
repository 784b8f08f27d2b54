// Feeds arbitrary bytes to the ontimetv body (channel blocks in page order):
// the rows of the steps as first written, well-formed UTF-8.
#include <cstddef>
#include <cstdint>

#include "fuzz_rows.h"
#include "loaders/loader_references.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page = brelvik::fuzz::AsPage(data, size);
  brelvik::EmptyListCause cause = brelvik::EmptyListCause::kNone;
  brelvik::EmptyListCause reference_cause = brelvik::EmptyListCause::kNone;
  const brelvik::ChannelRows rows = brelvik::ParseOntimetvPage(page, &cause);
  brelvik::fuzz::CheckSameRows(rows, cause,
                               brelvik::test::ParseOntimetvPageReference(page, &reference_cause),
                               reference_cause);
  brelvik::fuzz::CheckUtf8Rows(rows);
  return 0;
}
