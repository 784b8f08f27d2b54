// The program's version, as the build gives it.
#pragma once

#include <string_view>

namespace brelvik {

// "2.0.3": the project version of the build.
std::string_view ProgramVersion();

}  // namespace brelvik
