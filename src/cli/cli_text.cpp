// Padded columns for the command line's outputs.
#include "cli/cli_text.h"

#include "support/codepage.h"

namespace brelvik {

std::string Padded(std::string_view text, std::size_t width, bool right) {
  const std::size_t length = Utf8Length(text);
  const std::string pad(width > length ? width - length : 0, ' ');
  return right ? pad + std::string(text) : std::string(text) + pad;
}

}  // namespace brelvik
