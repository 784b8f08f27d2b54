// Runs one of the built programs as a child process, its standard output
// sent to a pipe, to /dev/full or nowhere (closed), and collects what it
// printed and how it ended; a child that does not end in time is killed.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace brelvik::test {

enum class StdoutTo { kPipe, kDevFull, kClosed };

struct ProgramRun {
  int exit_code = -1;  // -1 when ended by a signal
  int signal = 0;
  bool killed = false;  // did not end within the limit
  std::string out;
  std::string err;
};

inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                             StdoutTo stdout_to = StdoutTo::kPipe,
                             const std::vector<std::string>& unset_env = {},
                             std::chrono::seconds limit = std::chrono::seconds(20)) {
  int out_pipe[2];
  int err_pipe[2];
  ProgramRun run;
  if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0) return run;
  const pid_t child = ::fork();
  if (child == 0) {
    if (stdout_to == StdoutTo::kPipe) {
      ::dup2(out_pipe[1], 1);
    } else if (stdout_to == StdoutTo::kDevFull) {
      const int full = ::open("/dev/full", O_WRONLY);
      ::dup2(full, 1);
    } else {
      ::close(1);
    }
    ::dup2(err_pipe[1], 2);
    for (const std::string& name : unset_env) ::unsetenv(name.c_str());
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  const auto until = std::chrono::steady_clock::now() + limit;
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&run.out, &run.err};
  int open_pipes = 2;
  while (open_pipes > 0) {
    if (std::chrono::steady_clock::now() > until) {
      ::kill(child, SIGKILL);
      run.killed = true;
      break;
    }
    if (::poll(fds, 2, 100) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open_pipes;
      }
    }
  }
  for (const pollfd& fd : fds) {
    if (fd.fd >= 0) ::close(fd.fd);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  return run;
}

}  // namespace brelvik::test
