// brelvik-cli: the provider list and loads from the command line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace brelvik {

// Exit codes.
inline constexpr int kExitLoaded = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoConnect = 3;
// Loaded, but the page held no channel list (the site may have changed).
inline constexpr int kExitNoChannelList = 4;

// Runs the command line (without the program name).
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace brelvik
