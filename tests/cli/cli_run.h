// Runs the command line in the test's process and keeps what it said.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace brelvik::test {

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

inline CliRun Cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = RunCli(args, out, err);
  return {code, out.str(), err.str()};
}

}  // namespace brelvik::test
