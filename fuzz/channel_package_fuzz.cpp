// Any bytes as a channel-package service answer: rows or a clear error, and
// every row's text well-formed UTF-8. The same bytes, split at their first
// NUL into a name and a code, give the entry's row as the "name>code" line cut
// again would.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "fuzz_rows.h"
#include "loaders/loader_references.h"
#include "loaders/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = brelvik::fuzz::AsPage(data, size);
  try {
    brelvik::fuzz::CheckUtf8Rows(brelvik::ParseChannelPackage(bytes));
  } catch (const std::runtime_error&) {
    // A document not of the expected shape is refused; that is the answer.
  }
  const std::size_t split = bytes.find('\0');
  const std::string_view name = bytes.substr(0, split);
  const std::string_view code =
      split == std::string_view::npos ? std::string_view() : bytes.substr(split + 1);
  if (brelvik::ChannelPackageRow(name, code) !=
      brelvik::test::ChannelPackageRowReference(name, code)) {
    __builtin_trap();
  }
  return 0;
}
