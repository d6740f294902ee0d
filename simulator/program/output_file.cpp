#include "simulator/program/output_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace sim {
namespace {

constexpr int kBlockedLimitMs = 1000;

std::string reason() {
  return std::strerror(errno);
}

// Writes all of `text` to `fd`, waiting at most kBlockedLimitMs in all while
// a non-blocking target takes nothing.
bool writeAll(int fd, std::string_view text, std::string& error) {
  int waitedMs = 0;
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written > 0) {
      text.remove_prefix(static_cast<std::size_t>(written));
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      error = reason();
      return false;
    }
    constexpr int kSliceMs = 50;
    pollfd ready{fd, POLLOUT, 0};
    if (waitedMs >= kBlockedLimitMs || (::poll(&ready, 1, kSliceMs) < 0 && errno != EINTR)) {
      error = "takes no bytes";
      return false;
    }
    waitedMs += kSliceMs;
  }
  return true;
}

// What the target at a path is, and how to write it.
enum class TargetKind { kRegular, kInPlace, kRefused };

// A regular file or no file yet is kRegular. A character device or FIFO (also
// behind a symbolic link) is kInPlace, with `fd` open for writing, non-blocking.
TargetKind inspect(const std::string& path, int& fd, std::string& error) {
  struct stat entry {};
  if (::lstat(path.c_str(), &entry) != 0) {
    if (errno == ENOENT) return TargetKind::kRegular;
    error = reason();
    return TargetKind::kRefused;
  }
  if (S_ISREG(entry.st_mode)) return TargetKind::kRegular;
  fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    // A FIFO with no reader and a socket both give ENXIO; say which it is.
    const int openError = errno;
    struct stat target {};
    const bool known = ::stat(path.c_str(), &target) == 0;
    errno = openError;
    if (known && S_ISSOCK(target.st_mode)) {
      error = "a socket, not a file";
    } else if (known && S_ISFIFO(target.st_mode) && openError == ENXIO) {
      error = "a FIFO with no reader";
    } else {
      error = reason();
    }
    return TargetKind::kRefused;
  }
  struct stat target {};
  if (::fstat(fd, &target) == 0 && (S_ISCHR(target.st_mode) || S_ISFIFO(target.st_mode))) {
    return TargetKind::kInPlace;
  }
  ::close(fd);
  fd = -1;
  error = S_ISLNK(entry.st_mode) ? "a symbolic link to a file: name the file itself"
                                 : "not a regular file, a character device or a FIFO";
  return TargetKind::kRefused;
}

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes `text` to a fresh temporary beside `path` and renames it over `path`.
bool replaceRegular(const std::string& path, std::string_view text, std::string& error) {
  std::string temporary = folderOf(path) + "/." + nameOf(path) + ".XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);  // mode 0600, never an existing name
  if (fd < 0) {
    error = reason();
    return false;
  }
  bool written = writeAll(fd, text, error);
  if (::close(fd) != 0 && written) {
    error = reason();
    written = false;
  }
  if (written && ::rename(temporary.c_str(), path.c_str()) != 0) {
    error = reason();
    written = false;
  }
  if (!written) ::unlink(temporary.c_str());
  return written;
}

}  // namespace

std::unique_ptr<OutputFile> OutputFile::openStream(const std::string& path, std::string& error) {
  int fd = -1;
  switch (inspect(path, fd, error)) {
    case TargetKind::kRefused:
      return nullptr;
    case TargetKind::kInPlace:
      return std::unique_ptr<OutputFile>(new OutputFile(fd));
    case TargetKind::kRegular:
      break;
  }
  fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC,
              S_IRUSR | S_IWUSR);
  if (fd < 0) {
    error = reason();
    return nullptr;
  }
  return std::unique_ptr<OutputFile>(new OutputFile(fd));
}

OutputFile::~OutputFile() {
  sync();
  ::close(fd_);
}

OutputFile::int_type OutputFile::overflow(int_type c) {
  if (!traits_type::eq_int_type(c, traits_type::eof())) pending_ += traits_type::to_char_type(c);
  return traits_type::not_eof(c);
}

std::streamsize OutputFile::xsputn(const char_type* text, std::streamsize count) {
  pending_.append(text, static_cast<std::size_t>(count));
  return count;
}

int OutputFile::sync() {
  if (pending_.empty()) return 0;
  const bool written = failure_.empty() && writeAll(fd_, pending_, failure_);
  pending_.clear();
  return written ? 0 : -1;
}

bool replaceFileContents(const std::string& path, std::string_view text, std::string& error) {
  int fd = -1;
  switch (inspect(path, fd, error)) {
    case TargetKind::kRefused:
      return false;
    case TargetKind::kRegular:
      return replaceRegular(path, text, error);
    case TargetKind::kInPlace:
      break;
  }
  const bool written = writeAll(fd, text, error);
  ::close(fd);
  return written;
}

}  // namespace sim
