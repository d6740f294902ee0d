// The telnet layer of an RFC 2217 port, as pure functions over bytes: data
// escaping (0xFF doubled both ways), a decoder that splits a stream into data
// and telnet commands however it is cut, option negotiation, and the COM port
// control option (RFC 2217) from the client's side (the printer library) and
// the server's (the virtual printer's listener). Nothing here reads or writes
// a socket: callers feed received bytes in and send what comes out.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace fp::line::telnet {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kIac = 255;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kSe = 240;

inline constexpr std::uint8_t kBinary = 0;
inline constexpr std::uint8_t kEcho = 1;
inline constexpr std::uint8_t kSuppressGoAhead = 3;
inline constexpr std::uint8_t kComPort = 44;

// COM port control commands, client to server; the server answers with the
// same number plus kServerReply.
namespace com {
inline constexpr std::uint8_t kSetBaudRate = 1;
inline constexpr std::uint8_t kSetDataSize = 2;
inline constexpr std::uint8_t kSetParity = 3;
inline constexpr std::uint8_t kSetStopSize = 4;
inline constexpr std::uint8_t kSetControl = 5;
inline constexpr std::uint8_t kPurgeData = 12;
inline constexpr std::uint8_t kLastClientCommand = 12;
inline constexpr std::uint8_t kServerReply = 100;
// Values of the line settings asked for here.
inline constexpr std::uint8_t kParityNone = 1;
inline constexpr std::uint8_t kStopOne = 1;
inline constexpr std::uint8_t kNoFlowControl = 1;
inline constexpr std::uint8_t kDtrOn = 8;
inline constexpr std::uint8_t kRtsOn = 11;
}  // namespace com

// A subnegotiation longer than this is cut there (and marked so); COM port
// control needs six bytes at most.
inline constexpr std::size_t kMaxSubnegotiation = 64;

// `data` with every 0xFF doubled, appended to `out`.
void appendEscaped(std::span<const std::uint8_t> data, Bytes& out);

// IAC `verb` `option`.
Bytes negotiation(std::uint8_t verb, std::uint8_t option);
// IAC SB `option` `payload` IAC SE, the payload escaped.
Bytes subnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload);

struct Event {
  enum class Kind {
    kNegotiation,     // verb (WILL, WONT, DO, DONT) and option
    kSubnegotiation,  // option and payload (unescaped)
    kCommand,         // any other IAC command (NOP, GA, ...): verb only
  };
  Kind kind = Kind::kCommand;
  std::uint8_t verb = 0;
  std::uint8_t option = 0;
  Bytes payload;
  bool cut = false;  // the subnegotiation was longer than kMaxSubnegotiation
};

// Splits a telnet stream into data and events; the same result however the
// stream is split into feeds.
class Decoder {
 public:
  void feed(std::span<const std::uint8_t> bytes, Bytes& data, std::vector<Event>& events);
  void reset() { *this = Decoder{}; }

 private:
  enum class State { kData, kAfterIac, kOption, kSubOption, kSub, kSubAfterIac };
  State state_ = State::kData;
  Event pending_;
};

// Which options each side wants, and where the negotiation of each stands.
// Answers a request only when it changes an option's state, so two peers never
// loop. Options not wanted are refused.
class Options {
 public:
  Options(std::initializer_list<std::uint8_t> ours, std::initializer_list<std::uint8_t> theirs);
  // WILL for each option of ours, DO for each of theirs.
  Bytes opening();
  // Applies a negotiation from the peer; appends the answer, if any, to `out`.
  void take(std::uint8_t verb, std::uint8_t option, Bytes& out);
  bool ourEnabled(std::uint8_t option) const { return ours_[option].state == State::kYes; }
  bool refusedOurs(std::uint8_t option) const { return ours_[option].refused; }

 private:
  enum class State { kNo, kAsked, kYes };
  struct Side {
    bool wanted = false;
    State state = State::kNo;
    bool refused = false;  // the peer said no to it
  };
  static void apply(Side& side, bool yes, std::uint8_t agree, std::uint8_t decline,
                    std::uint8_t option, Bytes& out);
  std::array<Side, 256> ours_{};    // WILL / WONT from us, DO / DONT from the peer
  std::array<Side, 256> theirs_{};  // DO / DONT from us, WILL / WONT from the peer
};

// The line settings an RFC 2217 client asks for and checks.
struct SerialSettings {
  std::uint32_t baud = 115200;
  std::uint8_t dataSize = 8;
  std::uint8_t parity = com::kParityNone;
  std::uint8_t stopSize = com::kStopOne;
};

// The client's side: asks for COM port control and, once the server agrees,
// for `settings`, no flow control, DTR and RTS on. Ready when the server has
// confirmed the speed, data size, parity and stop size as asked; the answers to
// the control settings are not awaited (servers on a pseudo-terminal never
// acknowledge DTR and RTS): they are best effort.
class ComPortClient {
 public:
  enum class State { kNegotiating, kReady, kRefused, kMismatch };

  explicit ComPortClient(SerialSettings settings);
  Bytes opening() { return options_.opening(); }
  // Applies one event from the server; appends what to send back to `out`.
  void take(const Event& event, Bytes& out);
  State state() const { return state_; }
  // Why kRefused or kMismatch, or what the server confirmed once kReady.
  const std::string& text() const { return text_; }

 private:
  void requestSettings(Bytes& out);
  void confirm(std::uint8_t command, std::span<const std::uint8_t> value);

  SerialSettings settings_;
  Options options_;
  State state_ = State::kNegotiating;
  bool requested_ = false;
  std::uint8_t confirmed_ = 0;  // bit per setting confirmed
  std::string text_;
};

// The server's side: agrees to COM port control, binary and no go-ahead, and
// answers every COM port control command with the value it now has (the value
// asked for; a query, value 0, gets the current one).
class ComPortServer {
 public:
  ComPortServer();
  Bytes opening() { return options_.opening(); }
  void take(const Event& event, Bytes& out);
  std::uint32_t baud() const { return baud_; }

 private:
  Options options_;
  std::uint32_t baud_ = 115200;
  std::array<std::uint8_t, com::kLastClientCommand + 1> settings_{};
  // SET-CONTROL by group: outbound flow none, break off, DTR on, RTS on, inbound flow none.
  std::array<std::uint8_t, 5> controls_ = {com::kNoFlowControl, 6, com::kDtrOn, com::kRtsOn, 14};
};

// A 4-byte high-first value (the speed), or 0 when `value` is not 4 bytes.
std::uint32_t readUint32(std::span<const std::uint8_t> value);

}  // namespace fp::line::telnet
