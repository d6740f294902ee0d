// A serial device opened raw 8N1, locked against other openers, read and written
// without blocking past a given time. Modem lines are never consulted.
#pragma once

#include <termios.h>

#include <string>

#include "libfiscalprinter/src/transport.h"
#include "line/posix_line.h"

namespace fp::lib {

enum class OpenResult {
  kOpened,
  kBusy,     // another open file description holds the lock (or the driver says EBUSY)
  kInvalid,  // missing, not a terminal, or its settings cannot be applied
};

class SerialPort : public Transport {
 public:
  SerialPort() = default;
  ~SerialPort() override { close(); }
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens `device` (O_NOCTTY, non-blocking), takes an exclusive flock and sets
  // raw 8N1 at `speed`, discarding whatever was pending. Closes an open device first.
  OpenResult open(const std::string& device, speed_t speed);
  void close();
  void releaseInForkedChild() noexcept override;
  bool isOpen() const { return fd_ >= 0; }
  // Why the last open() failed, as text ("Permission denied (errno 13)").
  std::string openFailure() const { return line::systemErrorText(openError_); }

  // Writes every byte, waiting at most `timeout` for the line to take them.
  IoStatus writeAll(std::span<const std::uint8_t> bytes,
                    std::chrono::milliseconds timeout) override;
  // Waits at most `timeout` for input and appends what is there to `out`.
  IoStatus readSome(std::vector<std::uint8_t>& out, std::chrono::milliseconds timeout) override;
  // Drops input received but not yet read.
  void discardInput() override;
  // Why the last read or write lost the line: the system's reason (errno), or
  // a hang-up.
  std::string lossReason() const override;

 private:
  IoStatus kept(IoStatus status, int error);

  int fd_ = -1;
  int openError_ = 0;  // errno of the step of open() that failed
  int lossError_ = 0;  // errno of the read or write that lost the line; 0 for a hang-up
};

}  // namespace fp::lib
