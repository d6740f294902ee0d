// A scripted printer on the master side of a pseudo-terminal, run by a thread of
// the test process. The library opens the slave side like a serial port.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/frame.h"
#include "protocol/message.h"

namespace fp::testing {

// How the printer behaves. Faults apply to commands only; the opening handshake
// (command 0x0000) is always answered cleanly unless the printer is silent.
struct Script {
  bool silent = false;           // reads everything, answers nothing
  int nakFrames = 0;             // the first N command frames are answered with NAK
  int corruptReplies = 0;        // the first N replies go out with one CRC bit flipped
  int dropReplies = 0;           // the first N replies are not sent (the ACK still is)
  int truncateReplies = 0;       // the first N replies stop halfway
  int oversizeReplies = 0;       // the first N replies are a frame far over the limit
  int workingBeats = 0;          // "still working" bytes sent before each executed reply
  bool holdWork = false;         // then "still working" until release()
  bool staleReplyFirst = false;  // a reply under another sequence number comes first
  bool garbageFirst = false;     // stray bytes precede the ACK
  bool vanishOnCommand = false;  // the line disappears when a command arrives
  bool echoCommand = false;      // each reply starts with a field "HHHH": the command word
  int helloDelayMs = 0;          // the first handshake is answered this late
  int slowReplies = 0;           // the first N executed replies come late and slowly:
  int replyDelayMs = 0;          //   this long after the ACK,
  int byteGapMs = 0;             //   one byte at a time, this far apart
  // Babble: instead of replying to the first command, send `babbleByte` every
  // `babbleGapMs` (after an STX when `babbleInFrame`: a frame that never ends),
  // reading but not answering repeats, until a new command arrives or `maxBeats`.
  std::optional<std::uint8_t> babbleByte;
  int babbleGapMs = 0;
  bool babbleInFrame = false;
  bool babbleFrameStarts = false;  // each beat begins a new frame: STX, then the byte
  int maxBeats = 0;
  std::uint16_t returnCode = 0;
  std::uint16_t helloReturnCode = 0;  // the handshake's: not 0 refuses it
  std::uint16_t printerStatus = 0;
  std::uint16_t fiscalStatus = 0;
  std::vector<std::string> replyFields;
};

class FakePrinter {
 public:
  explicit FakePrinter(Script script);
  ~FakePrinter();
  FakePrinter(const FakePrinter&) = delete;
  FakePrinter& operator=(const FakePrinter&) = delete;

  // The slave device, for FISCALPRINTER_PORT<N>.
  const std::string& device() const { return device_; }

  // Every intact command frame, repeats and handshakes included, in arrival order.
  std::vector<protocol::CommandMessage> framesReceived() const;
  // The commands executed: not handshakes, not repeats of the last sequence number.
  std::vector<protocol::CommandMessage> executed() const;
  // Babbled bytes sent so far.
  int beatsSent() const { return beats_; }
  // Ends the work held by Script::holdWork: the reply goes out.
  void release() { released_ = true; }
  // The line disappears between two commands; true once it has (within 5 s).
  bool vanishNow();

 private:
  // Waits up to `timeoutMs` for bytes from the host and appends the intact
  // commands among them to `commands`. False when the line woke with nothing to
  // read (no slave open at the moment).
  bool readCommands(int timeoutMs, std::vector<protocol::CommandMessage>& commands);
  void run();
  void handle(const protocol::CommandMessage& command);
  void answer(const protocol::CommandMessage& command);
  void sendReply(protocol::Bytes frame);
  void send(const protocol::Bytes& bytes);
  void vanish();
  void babble(const protocol::CommandMessage& command);
  void sendSlowly(const protocol::Bytes& frame);
  void record(const protocol::CommandMessage& command);

  Script script_;
  int master_ = -1;
  std::string device_;
  std::atomic<bool> stop_{false};
  std::atomic<int> beats_{0};
  std::atomic<bool> released_{false};
  std::atomic<bool> vanishAsked_{false};
  std::atomic<bool> vanished_{false};
  mutable std::mutex mutex_;
  std::vector<protocol::CommandMessage> frames_;
  std::vector<protocol::CommandMessage> executed_;
  std::optional<std::uint8_t> lastSequence_;
  protocol::Bytes lastReply_;
  protocol::FrameDecoder decoder_;
  std::thread thread_;
};

// The frame of a reply to `sequence`; with `echoed`, its first field names that command word.
protocol::Bytes replyFrame(std::uint8_t sequence, const Script& script,
                           std::optional<std::uint16_t> echoed = std::nullopt);

}  // namespace fp::testing
