#include "simulator/link/pseudo_terminal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "line/posix_line.h"

namespace sim {
namespace {

std::string failure(const char* step) {
  return std::string(step) + ": " + std::strerror(errno);
}

// Raw, reads waiting for at least one byte.
bool makeRaw(int fd) {
  int error = 0;
  const bool done = fp::line::makeRaw(fd, std::nullopt, 1, error);
  errno = error;
  return done;
}

}  // namespace

std::optional<PseudoTerminal> PseudoTerminal::open(std::string& error) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0) {
    error = failure("posix_openpt");
    return std::nullopt;
  }
  const char* name = (grantpt(master) == 0 && unlockpt(master) == 0) ? ptsname(master) : nullptr;
  const int slave = name ? ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
  if (slave < 0 || fchmod(slave, S_IRUSR | S_IWUSR) != 0 || !makeRaw(slave) ||
      fcntl(master, F_SETFL, O_NONBLOCK) != 0 || fcntl(master, F_SETFD, FD_CLOEXEC) != 0) {
    error = failure(name ? "pseudo-terminal set-up" : "grantpt/unlockpt");
    if (slave >= 0) ::close(slave);
    ::close(master);
    return std::nullopt;
  }
  return PseudoTerminal(master, slave, name);
}

PseudoTerminal::PseudoTerminal(PseudoTerminal&& other) noexcept
    : master_(other.master_), slave_(other.slave_), path_(std::move(other.path_)) {
  other.master_ = other.slave_ = -1;
}

PseudoTerminal::~PseudoTerminal() {
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

}  // namespace sim
