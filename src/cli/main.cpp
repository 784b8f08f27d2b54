// brelvik-cli entry point.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
  // A standard descriptor the program was started without would be handed
  // to the next file opened, and output meant for it would land there. A
  // read-only /dev/null in its place makes writes to it fail instead.
  for (int fd = 1; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      const int null = ::open("/dev/null", O_RDONLY);
      if (null >= 0 && null != fd) {
        ::dup2(null, fd);
        ::close(null);
      }
    }
  }
  std::vector<std::string> args(argv + 1, argv + argc);
  return brelvik::RunCli(args, std::cout, std::cerr);
}
