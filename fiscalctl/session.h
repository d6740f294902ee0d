// One open port and the commands sent on it, with what the library reports
// after each: the code, the two status words and the reply's fields.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fiscalctl/printer_api.h"
#include "fiscalctl/request.h"
#include "host/library_calls.h"

namespace fiscalctl {

struct Outcome {
  std::string label;  // "ticket-item", "send 0E02|0000", "open"
  std::string words;  // "0A02|0000", "" for status
  bool sent = true;   // false for status (reads the words) and a port that did not open
  int code = 0;       // getLastError() after the command
  int printerStatus = 0;
  int fiscalStatus = 0;
  bool fieldsKnown = false;  // the library can tell the reply's fields
  std::vector<std::string> replyFields;
};

// The settings of the port: port 1 and protocol 1 as in the console, its
// speed unless the user gives another.
struct PortSettings {
  int baud = fp::host::kBaudRate;
};

class Session {
 public:
  explicit Session(PrinterApi& api) : api_(api) {}
  ~Session() { close(); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The console's opening (fp::host::openPort), at `settings`.
  Outcome open(const PortSettings& settings);
  // ClosePort, once after each open (also a failed one); harmless otherwise.
  void close();

  // Sends the request by the console's own sequence (a console command exactly
  // as its button) and reads the outcome.
  Outcome run(const Request& request);

  const std::string& version() const { return version_; }
  const std::string& identification() const { return identification_; }

 private:
  // The outcome of a call sent (`code`: its getLastError) or of none (status):
  // the status words and the reply's fields.
  Outcome finish(Outcome outcome, std::optional<int> code);

  PrinterApi& api_;
  bool open_ = false;
  std::string version_;
  std::string identification_;
  // The areas the console hands over: zero bytes at the start.
  std::array<char, fp::host::kAreaSize> connectionArea_{};
  std::array<char, fp::host::kAreaSize> closingArea_{};
  std::array<char, fp::host::kAreaSize> commandArea_{};
};

// Whether a code says the printer could not be reached at all (rather than refused).
bool isLinkFailure(int code);

// Whether an OpenPort code says the port itself did not open (busy, invalid, bad
// settings): then nothing was sent.
bool portRefused(int code);

}  // namespace fiscalctl
