// The event stream of the control socket: after a `watch` request the
// virtual printer writes one JSON object a line (UTF-8) for everything that
// happens, and a watcher reads them back with parseEvent(). Both ends of the
// grammar live here; docs/simulator.md lists every key.
//
// Texts handed to formatEvent() are the printer's own (ISO-8859-1); texts that
// parseEvent() returns are UTF-8.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace sim::watch {

inline constexpr int kVersion = 1;
// The longest line a reader takes (the newline not counted); the printer's
// own lines stay far below it.
inline constexpr std::size_t kMaxLine = 64 * 1024;

// The first line a watcher gets: what the stream is.
struct Watching {
  int version = kVersion;
  std::uint32_t columns = 0;  // of the paper roll
  bool operator==(const Watching&) const = default;
};

// A line printed on the paper roll, trailing spaces as printed.
struct Paper {
  std::string text;
  bool operator==(const Paper&) const = default;
};

// The status words as the printer's next reply would carry them (the refusal
// bit: that of the last command). The stream adds the bits' names.
struct Status {
  std::uint16_t printer = 0;
  std::uint16_t fiscal = 0;
  bool operator==(const Status&) const = default;
};

enum class PaperState { kOk, kNearEnd, kOut };
enum class Fault { kNone, kCorrupt, kDrop };

// The live conditions: what the printer itself holds, set from outside or by
// its own work (the roll ends, the drawer command opens the drawer).
struct Conditions {
  PaperState paper = PaperState::kOk;
  bool coverOpen = false;
  bool drawerOpen = false;
  bool powerCut = false;
  std::uint32_t delayMs = 0;
  std::uint32_t baud = 0;          // 0: unpaced
  std::uint32_t corruptEvery = 0;  // 0: never
  std::uint32_t dropEvery = 0;     // 0: never
  Fault forced = Fault::kNone;     // forced on the next `forcedLeft` replies
  std::uint32_t forcedLeft = 0;
  bool operator==(const Conditions&) const = default;
};

// A command executed or refused (a repeat answered from the stored reply is
// not one: its frame is marked instead).
struct Command {
  std::uint32_t sequence = 0;
  std::string name;   // as the trace decoder names it: "ticket-item", "0A09|0000"
  std::string words;  // "0A02|0000", empty for an unreadable command
  std::vector<std::string> fields;
  std::uint16_t code = 0;  // the return code
  std::vector<std::string> replyFields;
  bool operator==(const Command&) const = default;
};

enum class Direction { kIn, kOut };

// A frame or a link byte on the line. In: a command ("hello", "ticket-item",
// "0A09|0000"), "unreadable" (an intact frame whose body cannot be read) or
// "bad frame" (damaged, answered with NAK). Out: "ACK", "NAK", "still
// working", "reply" (also the handshake's answer).
struct Frame {
  Direction direction = Direction::kIn;
  std::string name;
  std::optional<std::uint32_t> sequence;
  std::string words;                // in: the command's words
  std::vector<std::string> fields;  // in: the command's fields; out: the reply's
  std::optional<std::uint16_t> code;
  std::optional<Status> status;  // out: the reply's status words
  bool repeat = false;           // in: a retransmission, answered from the stored reply
  Fault fault = Fault::kNone;    // out: damaged on purpose (then nothing more is read from it)
  bool complete = true;          // out: false when a stop or a power cut cut it short
  bool operator==(const Frame&) const = default;
};

enum class DocumentKind { kNone, kTicket, kInvoice, kNonFiscal };

// The fiscal state a panel shows. Amounts in cents, rates in hundredths of a
// percent.
struct Fiscal {
  struct Document {
    DocumentKind kind = DocumentKind::kNone;
    std::uint32_t number = 0;
    std::int64_t total = 0;  // tax included
    std::uint32_t items = 0;
    std::int64_t paid = 0;
    std::uint32_t payments = 0;
    std::uint32_t lines = 0;  // text lines of a non-fiscal document
    bool operator==(const Document&) const = default;
  };
  struct Rate {
    std::int64_t rate = 0;
    std::int64_t gross = 0;
    std::int64_t net = 0;
    std::int64_t tax = 0;
    bool operator==(const Rate&) const = default;
  };
  struct Day {
    std::uint32_t tickets = 0;
    std::uint32_t invoices = 0;
    std::uint32_t nonFiscal = 0;
    std::uint32_t cancelled = 0;
    std::int64_t total = 0;
    std::int64_t tax = 0;
    std::int64_t returns = 0;
    std::vector<Rate> rates;
    bool operator==(const Day&) const = default;
  };
  Document document;
  Day day;
  std::uint32_t lastZ = 0;
  std::string lastZDate;        // "YYYY-MM-DD HH:MM:SS" local time, empty when unknown
  std::uint32_t zCapacity = 0;  // Z closings the fiscal memory has room for
  bool memoryFile = false;      // kept in a file (--memory) or forgotten at exit
  bool operator==(const Fiscal&) const = default;
};

// Lines this watcher missed because it did not read them in time.
struct Dropped {
  std::uint64_t lines = 0;
  bool operator==(const Dropped&) const = default;
};

using Event = std::variant<Watching, Paper, Status, Conditions, Command, Frame, Fiscal, Dropped>;

// One line, without its newline.
std::string formatEvent(const Event& event);

// Reads one line (without its newline). Nothing, with `error` set, for a line
// that is not one of the events above, or that is longer than kMaxLine, not
// JSON, or has a key missing, of the wrong type or out of range. Keys not
// known are ignored, so that a newer printer's additions do not stop a reader.
std::optional<Event> parseEvent(std::string_view line, std::string& error);

// The stream's words for the values it shows, one table each, written by
// formatEvent and read back by the reader.
template <typename T, std::size_t N>
using Words = std::array<std::pair<std::string_view, T>, N>;

inline constexpr Words<PaperState, 3> kPaperWords = {{
    {"ok", PaperState::kOk},
    {"near-end", PaperState::kNearEnd},
    {"out", PaperState::kOut},
}};
inline constexpr Words<Fault, 3> kFaultWords = {{
    {"none", Fault::kNone},
    {"corrupt", Fault::kCorrupt},
    {"drop", Fault::kDrop},
}};
inline constexpr Words<bool, 2> kOpenWords = {{{"open", true}, {"closed", false}}};
inline constexpr Words<bool, 2> kPowerWords = {{{"cut", true}, {"on", false}}};
inline constexpr Words<Direction, 2> kDirectionWords = {{
    {"in", Direction::kIn},
    {"out", Direction::kOut},
}};
inline constexpr Words<DocumentKind, 4> kDocumentWords = {{
    {"none", DocumentKind::kNone},
    {"ticket", DocumentKind::kTicket},
    {"invoice", DocumentKind::kInvoice},
    {"non-fiscal", DocumentKind::kNonFiscal},
}};

// The word for `value` in `words` (every value has one).
template <typename T, std::size_t N>
constexpr std::string_view wordFor(const Words<T, N>& words, T value) {
  for (const auto& [word, meaning] : words) {
    if (meaning == value) return word;
  }
  return words.front().first;
}

}  // namespace sim::watch
