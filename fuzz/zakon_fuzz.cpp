// Feeds arbitrary bytes to the zakon body (entries of the channels object in
// order): the rows of the steps as first written, clean ones.
#include <cstddef>
#include <cstdint>

#include "fuzz_rows.h"
#include "loaders/loader_references.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page = brelvik::fuzz::AsPage(data, size);
  brelvik::EmptyListCause cause = brelvik::EmptyListCause::kNone;
  brelvik::EmptyListCause reference_cause = brelvik::EmptyListCause::kNone;
  const brelvik::ChannelRows rows = brelvik::ParseZakonPage(page, &cause);
  brelvik::fuzz::CheckSameRows(
      rows, cause, brelvik::test::ParseZakonPageReference(page, &reference_cause), reference_cause);
  brelvik::fuzz::CheckCleanRows(rows);
  return 0;
}
