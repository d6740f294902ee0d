#include "libfiscalprinter/src/trace.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "protocol/trace_notes.h"

namespace fp::lib {
namespace {

using protocol::TraceMark;

std::int64_t microsecondsNow() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

// write() that cannot raise SIGPIPE and leaves the host's signal settings as they
// were: SIGPIPE is blocked in this thread for the call, and one it raised is taken
// back before the mask is restored (one already pending stays pending).
ssize_t writeWithoutSignal(int fd, const char* data, std::size_t size) {
  sigset_t pipeOnly;
  sigset_t previous;
  sigset_t pending;
  ::sigemptyset(&pipeOnly);
  ::sigaddset(&pipeOnly, SIGPIPE);
  ::sigpending(&pending);
  const bool pendingBefore = ::sigismember(&pending, SIGPIPE) == 1;
  ::pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
  const ssize_t written = ::write(fd, data, size);
  const int error = errno;
  if (written < 0 && error == EPIPE && !pendingBefore) {
    const timespec now{};
    while (::sigtimedwait(&pipeOnly, nullptr, &now) < 0 && errno == EINTR) {
    }
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  errno = error;
  return written;
}

}  // namespace

void Trace::startFromEnvironment() {
  stop();
  const char* path = std::getenv("FISCALPRINTER_TRACE");
  if (path == nullptr || *path == '\0') return;
  // O_NONBLOCK: a FIFO without a reader fails at once (ENXIO) instead of waiting
  // for one, and a full pipe or a slow device refuses a write instead of stalling.
  fd_ = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
               S_IRUSR | S_IWUSR);
}

void Trace::stop() {
  if (fd_ < 0) return;
  writeDroppedCount(microsecondsNow());
  ::close(fd_);
  fd_ = -1;
  pending_.clear();
  dropped_ = 0;
}

void Trace::releaseInForkedChild() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void Trace::note(std::string_view text) {
  if (fd_ >= 0) writeLine(TraceMark::Note, text);
}

void Trace::bytesLine(TraceMark mark, std::span<const std::uint8_t> bytes) {
  if (fd_ >= 0 && !bytes.empty()) writeLine(mark, protocol::traceBytes(bytes));
}

void Trace::writeLine(TraceMark mark, std::string_view rest) {
  const std::int64_t now = microsecondsNow();
  writeDroppedCount(now);
  const std::string line = protocol::traceLine(now, mark, rest) + '\n';
  if (dropped_ > 0 || !flushPending() || !put(line)) ++dropped_;
}

void Trace::writeDroppedCount(std::int64_t microseconds) {
  if (dropped_ > 0 && flushPending() &&
      put(protocol::traceLine(microseconds, TraceMark::Note,
                              protocol::note::linesDropped(dropped_)) +
          '\n'))
    dropped_ = 0;
}

bool Trace::flushPending() {
  while (!pending_.empty()) {
    const ssize_t written = writeWithoutSignal(fd_, pending_.data(), pending_.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    pending_.erase(0, static_cast<std::size_t>(written));
  }
  return true;
}

bool Trace::put(const std::string& line) {
  ssize_t written;
  do {
    written = writeWithoutSignal(fd_, line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  if (written <= 0) return false;
  // A pipe may take a long line in part: the rest goes before the next line.
  if (static_cast<std::size_t>(written) < line.size())
    pending_.assign(line, static_cast<std::size_t>(written));
  return true;
}

}  // namespace fp::lib
