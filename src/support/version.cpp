// The version comes from the build's project version, so it is set in one place.
#include "support/version.h"

namespace brelvik {

std::string_view ProgramVersion() { return BRELVIK_VERSION; }

}  // namespace brelvik
