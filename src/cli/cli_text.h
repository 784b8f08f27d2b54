// Text helpers of the command line's outputs: JSON strings and padded columns.
#pragma once

#include <string>
#include <string_view>

namespace brelvik {

// A JSON string literal of UTF-8 text.
std::string JsonString(std::string_view text);

// The text padded with spaces to `width` characters, on the left when `right`.
std::string Padded(std::string_view text, std::size_t width, bool right);

}  // namespace brelvik
