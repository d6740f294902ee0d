#include "libfiscalprinter/src/trace.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace fp::lib {
namespace {

std::string timestamp() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  tm utc{};
  ::gmtime_r(&now.tv_sec, &utc);
  char text[40];
  const std::size_t used = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + used, sizeof text - used, ".%06ldZ", now.tv_nsec / 1000);
  return text;
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

std::string traceBytes(std::span<const std::uint8_t> bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex;
  std::string printable;
  for (std::uint8_t byte : bytes) {
    if (!hex.empty()) hex.push_back(' ');
    hex.push_back(kHex[byte >> 4]);
    hex.push_back(kHex[byte & 0x0F]);
    printable.push_back(byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.');
  }
  return hex + "  |" + printable + "|";
}

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
  writeDroppedCount(timestamp());
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
  if (fd_ >= 0) writeLine('#', text);
}

void Trace::bytesLine(char direction, std::span<const std::uint8_t> bytes) {
  if (fd_ >= 0 && !bytes.empty()) writeLine(direction, traceBytes(bytes));
}

void Trace::writeLine(char direction, std::string_view rest) {
  const std::string stamp = timestamp();
  writeDroppedCount(stamp);
  std::string line = stamp;
  line.push_back(' ');
  line.push_back(direction);
  line.push_back(' ');
  line.append(rest);
  line.push_back('\n');
  if (dropped_ > 0 || !flushPending() || !put(line)) ++dropped_;
}

void Trace::writeDroppedCount(const std::string& stamp) {
  if (dropped_ > 0 && flushPending() &&
      put(stamp + " # " + std::to_string(dropped_) + " trace lines dropped\n"))
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
