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

// The settings of the port, as in the console: port 1, protocol 1.
struct PortSettings {
  int baud = 115200;
};

class Session {
 public:
  explicit Session(PrinterApi& api) : api_(api) {}
  ~Session() { close(); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Purge, GetAPIVersion, the settings and OpenPort, as the console opens it.
  Outcome open(const PortSettings& settings);
  // ClosePort, once after each open (also a failed one); harmless otherwise.
  void close();

  // Sends the request exactly as the console's button would (for a console
  // command) and reads the outcome.
  Outcome run(const Request& request);

  const std::string& version() const { return version_; }
  const std::string& identification() const { return identification_; }

 private:
  Outcome finish(Outcome outcome, bool sent);

  PrinterApi& api_;
  bool open_ = false;
  std::string version_;
  std::string identification_;
  // The areas the console hands over: zero bytes at the start, 256 bytes each.
  std::array<char, 256> connectionArea_{};
  std::array<char, 256> closingArea_{};
  std::array<char, 256> commandArea_{};
};

// Whether a code says the printer could not be reached at all (rather than refused).
bool isLinkFailure(int code);

// Whether an OpenPort code says the port itself did not open (busy, invalid, bad
// settings): then nothing was sent.
bool portRefused(int code);

}  // namespace fiscalctl
