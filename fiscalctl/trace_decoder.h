// Turns a library trace, line by line, into a log a technician reads: each
// command by name with its fields, the printer's answers (ACK, NAK, a run of
// "still working" as one line with its duration, the reply with its return code
// and status bits by name), retransmissions and bad frames marked, and one
// verdict line per command. Malformed lines are shown as they are, marked, and
// decoding goes on. It also keeps every command seen, for replay.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contract/command_set.h"
#include "protocol/frame.h"
#include "protocol/message.h"

namespace fiscalctl {

namespace protocol = fp::protocol;

// A command found in the trace and how it ended.
struct TracedCommand {
  std::uint8_t sequence = 0;
  std::uint16_t command = 0;
  std::uint16_t extension = 0;
  std::vector<std::string> fields;
  int transmissions = 1;
  std::int64_t sentAt = 0;  // microseconds since the epoch
  // The library code this ended with, as getLastError would report it: 0,
  // FP_REFUSED_BASE + the return code, FP_TIMEOUT (no answer), FP_BAD_FRAMES,
  // FP_LINE_LOST; nothing when the trace does not tell.
  std::optional<int> code;
  std::int64_t endedAt = 0;  // when its verdict was known
  // The fields of its reply, when a reply came.
  std::optional<std::vector<std::string>> replyFields;
};

// One command and its verdict as a JSON object: sequence, command, words,
// fields, transmissions, code (null when not recorded), verdict, milliseconds,
// reply (its fields, null without a reply).
std::string tracedJson(const TracedCommand& command);

using fp::contract::commandLabel;
// "0 no error", "1002 refused: out of order", "11 no answer", "? not recorded".
std::string verdictText(const std::optional<int>& code);

class TraceDecoder {
 public:
  // Called with each command (not a handshake) as its verdict becomes known.
  using VerdictSink = std::function<void(const TracedCommand&)>;

  explicit TraceDecoder(std::ostream& out, VerdictSink onVerdict = {})
      : out_(out), onVerdict_(std::move(onVerdict)) {}

  void line(std::string_view text);
  // Ends the trace: a pending "still working" run and a command without an
  // ending are reported.
  void finish();

  // Every command but the opening handshakes, in order.
  const std::vector<TracedCommand>& commands() const { return commands_; }
  int malformedLines() const { return malformed_; }
  // Lines that were trace lines (sent, received, notes); 0 for a file that is
  // not a trace at all.
  int traceLines() const { return traceLines_; }
  int failedCommands() const;

 private:
  void sent(std::int64_t at, const std::vector<std::uint8_t>& bytes);
  void received(std::int64_t at, const std::vector<std::uint8_t>& bytes);
  void note(std::int64_t at, const std::string& text);
  void reply(std::int64_t at, const protocol::ReplyMessage& message);
  void endWorking(std::int64_t at);
  void conclude(std::int64_t at, std::optional<int> code, std::string_view why);
  void newSession();
  std::ostream& stamp(std::int64_t at, char direction);

  struct Pending {
    TracedCommand command;
    bool handshake = false;
    std::size_t index = 0;  // in commands_, when not a handshake
  };

  std::ostream& out_;
  VerdictSink onVerdict_;
  protocol::FrameDecoder sentFrames_;
  protocol::FrameDecoder receivedFrames_;
  std::optional<Pending> pending_;
  std::vector<TracedCommand> commands_;
  std::string date_;
  std::int64_t workingSince_ = 0;
  std::int64_t workingLast_ = 0;
  int workingCount_ = 0;
  int malformed_ = 0;
  int traceLines_ = 0;
};

}  // namespace fiscalctl
