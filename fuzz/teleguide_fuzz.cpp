// Feeds arbitrary bytes to the teleguide body (sorted, distinct channel links):
// the rows of the steps as first written, one line each, codes starting with a digit.
#include <cstddef>
#include <cstdint>

#include "fuzz_rows.h"
#include "loaders/loader_references.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page = brelvik::fuzz::AsPage(data, size);
  brelvik::EmptyListCause cause = brelvik::EmptyListCause::kNone;
  brelvik::EmptyListCause reference_cause = brelvik::EmptyListCause::kNone;
  const brelvik::ChannelRows rows = brelvik::ParseTeleguidePage(page, &cause);
  brelvik::fuzz::CheckSameRows(rows, cause,
                               brelvik::test::ParseTeleguidePageReference(page, &reference_cause),
                               reference_cause);
  brelvik::fuzz::CheckOneLineRows(rows);
  brelvik::fuzz::CheckCodesStartWithDigits(rows);
  return 0;
}
