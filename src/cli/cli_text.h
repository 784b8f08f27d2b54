// Text helpers of the command line's outputs: padded columns (and JSON strings).
#pragma once

#include <string>
#include <string_view>

#include "support/json_text.h"

namespace brelvik {

// The text padded with spaces to `width` characters, on the left when `right`.
std::string Padded(std::string_view text, std::size_t width, bool right);

}  // namespace brelvik
