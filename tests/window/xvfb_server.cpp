#include "tests/window/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string>

extern char** environ;

namespace window_test {
namespace {

// How long the server may take to start before the test gives up on it.
constexpr int kStartLimitMs = 60000;

}  // namespace

XvfbServer::XvfbServer() {
  start();
}

XvfbServer::~XvfbServer() {
  stop();
}

void XvfbServer::start() {
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) {
    failure_ = std::string("pipe: ") + std::strerror(errno);
    return;
  }
  // The write end is handed to the server, which writes its display number there.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::array<const char*, 9> argv{"Xvfb",         "-displayfd", "3",   "-screen", "0",
                                  "1280x1024x24", "-nolisten",  "tcp", nullptr};
  pid_t pid = -1;
  const int spawned =
      posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv.data()), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ready[1]);
  if (spawned != 0) {
    close(ready[0]);
    failure_ = std::string("cannot start Xvfb: ") + std::strerror(spawned);
    return;
  }
  pid_ = pid;

  std::string number;
  pollfd wait{ready[0], POLLIN, 0};
  while (number.find('\n') == std::string::npos && poll(&wait, 1, kStartLimitMs) > 0) {
    char chunk[16];
    const ssize_t got = read(ready[0], chunk, sizeof chunk);
    if (got <= 0) break;
    number.append(chunk, static_cast<std::size_t>(got));
  }
  close(ready[0]);
  if (number.find('\n') == std::string::npos) {
    failure_ = "Xvfb did not report a display (it exited or never became ready)";
    stop();
    return;
  }
  display_ = ":" + number.substr(0, number.find('\n'));
}

void XvfbServer::stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

}  // namespace window_test
