// The requests of the control socket: one line of words, one line of answer
// (or, after `watch`, a stream of events: watch_event.h). Each request is one
// row of the table in control_requests.cpp: its words, the number it takes
// and what it does to the printer. A new request is a new row (and, when it
// needs a new effect, a method of ControlledPrinter); its parsing, its line,
// ctl's help and completion come from the row.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sim {

// What requests act on: the running printer seen from outside its line
// (program/live_printer.h is the one that carries requests out).
class ControlledPrinter {
 public:
  enum class Paper { kNearEnd, kOut, kNewRoll };
  enum class Fault { kNone, kCorrupt, kDrop };

  virtual void setPaper(Paper paper) = 0;
  virtual void setCover(bool open) = 0;
  virtual void setDrawer(bool open) = 0;
  // The line goes silent for `ms`, then the printer restarts from its memory.
  virtual void cutPower(std::uint32_t ms) = 0;
  // The next `replies` command replies are damaged so (kNone: no more).
  virtual void forceFaults(Fault fault, std::uint32_t replies) = 0;
  // Every Nth command reply from now on is damaged (0: never).
  virtual void setCorruptEvery(std::uint32_t every) = 0;
  virtual void setDropEvery(std::uint32_t every) = 0;
  virtual void setDelay(std::uint32_t ms) = 0;
  virtual void setBaud(std::uint32_t baud) = 0;

 protected:
  ~ControlledPrinter() = default;
};

// One request: its words and number, and its action.
struct RequestRow {
  std::string_view words;        // "paper out", "fault corrupt-every"
  std::string_view placeholder;  // its number in the help ("MS", "N"); empty: it takes none
  std::string_view meaning;      // what the number is, for an error ("milliseconds")
  std::uint32_t minimum;
  std::uint32_t maximum;
  void (*act)(ControlledPrinter& printer, std::uint32_t number);  // null: changes nothing
  bool watch;  // the connection stays open for the event stream
};

// Every request, in the order of ctl's help.
std::span<const RequestRow> requestRows();

struct ControlRequest {
  const RequestRow* row = nullptr;
  std::uint32_t number = 0;  // milliseconds, replies, bit/s; 0 for a request without one

  bool watches() const { return row != nullptr && row->watch; }
  // Carries the request out on `printer` (nothing for status and watch).
  void carryOut(ControlledPrinter& printer) const;
  bool operator==(const ControlRequest&) const = default;
};

// Largest numbers a request may carry.
inline constexpr std::uint32_t kMaxPowerCutMs = 600'000;
inline constexpr std::uint32_t kMaxFaultReplies = 1'000'000;
inline constexpr std::uint32_t kMaxEvery = 1'000'000'000;  // as --corrupt-every
inline constexpr std::uint32_t kMaxDelayMs = 3'600'000;    // as --delay-ms
inline constexpr std::uint32_t kMaxBaud = 1'000'000'000;   // as --baud

// Reads one request ("paper out", "power-cut 500"); words are separated by
// spaces. Nothing, with `error` set, for anything else.
std::optional<ControlRequest> parseControlRequest(std::string_view line, std::string& error);

// The request as a line (without the newline) that parseControlRequest reads back.
std::string formatControlRequest(const ControlRequest& request);

// The requests, one form a line ("paper near-end|out|ok", "power-cut MS"),
// requests that share their first word and number put together; for usage
// texts and completion.
std::string requestForms();

}  // namespace sim
