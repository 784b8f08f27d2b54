// The probe a loader runs before it fetches anything from a provider's site.
#pragma once

#include <chrono>
#include <string>

#include "support/cancel.h"

namespace brelvik {

struct ProbeLimits {
  std::chrono::milliseconds connect_timeout{15000};
  std::chrono::milliseconds total_timeout{30000};
};

// The address probed: "http://" is put in front unless the address, compared
// without regard to case, already contains "http://" or "https://" somewhere.
std::string ProbeAddress(const std::string& address);

// True exactly when the final answer (redirections followed) has status 200
// or 302. Every failure is false; nothing is raised.
bool SiteAvailable(const std::string& address, const ProbeLimits& limits = {},
                   const CancelToken& cancel = {});

}  // namespace brelvik
