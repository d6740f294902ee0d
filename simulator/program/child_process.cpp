#include "simulator/program/child_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sim {

std::optional<pid_t> startWithPort(const std::vector<std::string>& command, const std::string& port,
                                   std::string& error) {
  std::vector<char*> argv;
  for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    return std::nullopt;
  }
  if (child == 0) {
    signal(SIGPIPE, SIG_DFL);  // ignored here, but the command expects the default
    setenv("FISCALPRINTER_PORT1", port.c_str(), 1);
    execvp(argv[0], argv.data());
    std::fprintf(stderr, "fiscal-printer-sim: cannot run %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
  }
  return child;
}

std::optional<int> exitCodeIfEnded(pid_t child) {
  int status = 0;
  const pid_t ended = waitpid(child, &status, WNOHANG);
  if (ended < 0 && errno != EINTR) return 1;  // no such child any more
  if (ended != child) return std::nullopt;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 1;
}

}  // namespace sim
