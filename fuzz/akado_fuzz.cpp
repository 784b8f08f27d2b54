// Feeds arbitrary bytes to the akado body (fixed rows, then sorted, distinct
// channel links): the rows of the steps as first written, one line each, named,
// the fixed ones first.
#include <cstddef>
#include <cstdint>

#include "fuzz_rows.h"
#include "loaders/loader_references.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page = brelvik::fuzz::AsPage(data, size);
  brelvik::EmptyListCause cause = brelvik::EmptyListCause::kNone;
  brelvik::EmptyListCause reference_cause = brelvik::EmptyListCause::kNone;
  const brelvik::ChannelRows rows = brelvik::ParseAkadoPage(page, &cause);
  brelvik::fuzz::CheckSameRows(
      rows, cause, brelvik::test::ParseAkadoPageReference(page, &reference_cause), reference_cause);
  if (rows.size() < 5 || rows[0].code != "3456" || rows[4].code != "52580") __builtin_trap();
  brelvik::fuzz::CheckOneLineRows(rows);
  brelvik::fuzz::CheckNamed(rows);
  return 0;
}
