// The files the simulator writes for its user: the paper roll and the counters.
//
// A target is either a regular file (or none yet), which the simulator creates
// with mode 0600 (the paper) or replaces as a whole (the counters), or a
// character device or FIFO, written in place, also when named through a
// symbolic link. Anything else (a directory, a socket, a symbolic link to a
// regular file, ...) is refused with a message. Writes never wait more than a
// second for a target that takes no bytes.
#pragma once

#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

namespace sim {

// A stream buffer over a file descriptor it owns. Each flush writes what was
// gathered; a write that fails makes the flush fail (the stream turns bad)
// and keeps its reason in failure().
class OutputFile : public std::streambuf {
 public:
  // Opens `path` for the paper roll: a regular file is created 0600 or
  // emptied. Nothing, with `error` set, when it cannot be opened or is refused.
  static std::unique_ptr<OutputFile> openStream(const std::string& path, std::string& error);

  ~OutputFile() override;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Why the last write failed ("No space left on device"); empty while none has.
  const std::string& failure() const { return failure_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char_type* text, std::streamsize count) override;
  int sync() override;

 private:
  explicit OutputFile(int fd) : fd_(fd) {}

  int fd_;
  std::string pending_;
  std::string failure_;
};

// A stream buffer that takes every byte and keeps none.
class DiscardingOutput : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char_type*, std::streamsize count) override { return count; }
};

// Puts `text` into `path` as a whole: a regular file is replaced at once
// through a temporary file (mode 0600) in the same folder, so a reader never
// sees half of it; a device or FIFO gets the text written in place. False,
// with `error` set, when it cannot be done or the target is refused.
bool replaceFileContents(const std::string& path, std::string_view text, std::string& error);

}  // namespace sim
