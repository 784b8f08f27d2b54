// JSON text for the outputs other programs read.
#pragma once

#include <string>
#include <string_view>

namespace brelvik {

// A JSON string literal of UTF-8 text: quotes, backslashes and control
// characters escaped.
std::string JsonString(std::string_view text);

}  // namespace brelvik
