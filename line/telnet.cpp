#include "line/telnet.h"

#include <utility>

namespace fp::line::telnet {

void appendEscaped(std::span<const std::uint8_t> data, Bytes& out) {
  for (const std::uint8_t byte : data) {
    out.push_back(byte);
    if (byte == kIac) out.push_back(kIac);
  }
}

Bytes negotiation(std::uint8_t verb, std::uint8_t option) {
  return {kIac, verb, option};
}

Bytes subnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload) {
  Bytes out{kIac, kSb, option};
  appendEscaped(payload, out);
  out.push_back(kIac);
  out.push_back(kSe);
  return out;
}

void Decoder::feed(std::span<const std::uint8_t> bytes, Bytes& data, std::vector<Event>& events) {
  for (const std::uint8_t byte : bytes) {
    switch (state_) {
      case State::kData:
        if (byte == kIac) {
          state_ = State::kAfterIac;
        } else {
          data.push_back(byte);
        }
        break;
      case State::kAfterIac:
        if (byte == kIac) {
          data.push_back(kIac);
          state_ = State::kData;
        } else if (byte >= kWill) {
          pending_ = Event{Event::Kind::kNegotiation, byte, 0, {}, false};
          state_ = State::kOption;
        } else if (byte == kSb) {
          pending_ = Event{Event::Kind::kSubnegotiation, kSb, 0, {}, false};
          state_ = State::kSubOption;
        } else {
          events.push_back(Event{Event::Kind::kCommand, byte, 0, {}, false});
          state_ = State::kData;
        }
        break;
      case State::kOption:
        pending_.option = byte;
        events.push_back(std::move(pending_));
        state_ = State::kData;
        break;
      case State::kSubOption:
        pending_.option = byte;
        state_ = State::kSub;
        break;
      case State::kSub:
        if (byte == kIac) {
          state_ = State::kSubAfterIac;
        } else if (pending_.payload.size() < kMaxSubnegotiation) {
          pending_.payload.push_back(byte);
        } else {
          pending_.cut = true;
        }
        break;
      case State::kSubAfterIac:
        if (byte == kSe) {
          events.push_back(std::move(pending_));
          state_ = State::kData;
        } else if (byte == kIac) {
          if (pending_.payload.size() < kMaxSubnegotiation) {
            pending_.payload.push_back(kIac);
          } else {
            pending_.cut = true;
          }
          state_ = State::kSub;
        } else {
          // IAC and another command inside a subnegotiation: the subnegotiation
          // ends there unfinished (as telnet implementations take it); the
          // command is read as one.
          pending_.cut = true;
          events.push_back(std::move(pending_));
          state_ = State::kAfterIac;
          const std::uint8_t again[1] = {byte};
          feed(again, data, events);
        }
        break;
    }
  }
}

Options::Options(std::initializer_list<std::uint8_t> ours,
                 std::initializer_list<std::uint8_t> theirs) {
  for (const std::uint8_t option : ours) ours_[option].wanted = true;
  for (const std::uint8_t option : theirs) theirs_[option].wanted = true;
}

Bytes Options::opening() {
  Bytes out;
  for (std::size_t option = 0; option < ours_.size(); ++option) {
    if (!ours_[option].wanted || ours_[option].state != State::kNo) continue;
    ours_[option].state = State::kAsked;
    const Bytes asked = negotiation(kWill, static_cast<std::uint8_t>(option));
    out.insert(out.end(), asked.begin(), asked.end());
  }
  for (std::size_t option = 0; option < theirs_.size(); ++option) {
    if (!theirs_[option].wanted || theirs_[option].state != State::kNo) continue;
    theirs_[option].state = State::kAsked;
    const Bytes asked = negotiation(kDo, static_cast<std::uint8_t>(option));
    out.insert(out.end(), asked.begin(), asked.end());
  }
  return out;
}

// The peer asks for (`yes`) or refuses an option of one side. Wanted options
// are agreed to with `agree`, others declined; nothing is sent when the state
// does not change (an answer to our own request, or a repeat).
void Options::apply(Side& side, bool yes, std::uint8_t agree, std::uint8_t decline,
                    std::uint8_t option, Bytes& out) {
  const State before = side.state;
  if (yes && side.wanted) {
    side.state = State::kYes;
    if (before == State::kNo) {
      const Bytes answer = negotiation(agree, option);
      out.insert(out.end(), answer.begin(), answer.end());
    }
    return;
  }
  if (yes) {  // not wanted: declined every time it is asked, and it stays off
    const Bytes answer = negotiation(decline, option);
    out.insert(out.end(), answer.begin(), answer.end());
    return;
  }
  side.state = State::kNo;
  if (side.wanted) side.refused = true;
  if (before == State::kYes) {
    const Bytes answer = negotiation(decline, option);
    out.insert(out.end(), answer.begin(), answer.end());
  }
}

void Options::take(std::uint8_t verb, std::uint8_t option, Bytes& out) {
  switch (verb) {
    case kDo:
    case kDont:
      apply(ours_[option], verb == kDo, kWill, kWont, option, out);
      break;
    case kWill:
    case kWont:
      apply(theirs_[option], verb == kWill, kDo, kDont, option, out);
      break;
    default:
      break;
  }
}

std::uint32_t readUint32(std::span<const std::uint8_t> value) {
  if (value.size() != 4) return 0;
  return (std::uint32_t{value[0]} << 24) | (std::uint32_t{value[1]} << 16) |
         (std::uint32_t{value[2]} << 8) | value[3];
}

namespace {

Bytes comCommand(std::uint8_t command, std::span<const std::uint8_t> value) {
  Bytes payload{command};
  payload.insert(payload.end(), value.begin(), value.end());
  return subnegotiation(kComPort, payload);
}

void append(Bytes& out, const Bytes& more) {
  out.insert(out.end(), more.begin(), more.end());
}

Bytes uint32Bytes(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
          static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

std::string parityName(std::uint8_t parity) {
  switch (parity) {
    case 1:
      return "no parity";
    case 2:
      return "odd parity";
    case 3:
      return "even parity";
    case 4:
      return "mark parity";
    case 5:
      return "space parity";
    default:
      return "parity " + std::to_string(parity);
  }
}

std::string stopName(std::uint8_t stop) {
  switch (stop) {
    case 1:
      return "1 stop bit";
    case 2:
      return "2 stop bits";
    case 3:
      return "1.5 stop bits";
    default:
      return "stop size " + std::to_string(stop);
  }
}

std::string settingsText(std::uint32_t baud, std::uint8_t dataSize, std::uint8_t parity,
                         std::uint8_t stop) {
  return std::to_string(baud) + " bit/s, " + std::to_string(dataSize) + " data bits, " +
         parityName(parity) + ", " + stopName(stop);
}

constexpr std::uint8_t kAllConfirmed = 0x0F;

}  // namespace

ComPortClient::ComPortClient(SerialSettings settings)
    : settings_(settings),
      options_({kComPort, kBinary, kSuppressGoAhead}, {kBinary, kSuppressGoAhead}) {}

void ComPortClient::requestSettings(Bytes& out) {
  if (requested_) return;
  requested_ = true;
  append(out, comCommand(com::kSetBaudRate, uint32Bytes(settings_.baud)));
  for (const auto& [command, value] :
       {std::pair{com::kSetDataSize, settings_.dataSize},
        std::pair{com::kSetParity, settings_.parity},
        std::pair{com::kSetStopSize, settings_.stopSize},
        std::pair{com::kSetControl, com::kNoFlowControl}, std::pair{com::kSetControl, com::kDtrOn},
        std::pair{com::kSetControl, com::kRtsOn}}) {
    const std::uint8_t bytes[1] = {value};
    append(out, comCommand(command, bytes));
  }
}

void ComPortClient::confirm(std::uint8_t command, std::span<const std::uint8_t> value) {
  const auto mismatch = [&](const std::string& what) {
    state_ = State::kMismatch;
    text_ = what;
  };
  switch (command) {
    case com::kServerReply + com::kSetBaudRate:
      if (readUint32(value) != settings_.baud) {
        return mismatch("the server set " + std::to_string(readUint32(value)) + " bit/s, not " +
                        std::to_string(settings_.baud));
      }
      confirmed_ |= 1;
      break;
    case com::kServerReply + com::kSetDataSize:
      if (value.size() != 1 || value[0] != settings_.dataSize) {
        return mismatch("the server set " + std::to_string(value.empty() ? 0 : value[0]) +
                        " data bits, not " + std::to_string(settings_.dataSize));
      }
      confirmed_ |= 2;
      break;
    case com::kServerReply + com::kSetParity:
      if (value.size() != 1 || value[0] != settings_.parity) {
        return mismatch("the server set " + parityName(value.empty() ? 0 : value[0]) + ", not " +
                        parityName(settings_.parity));
      }
      confirmed_ |= 4;
      break;
    case com::kServerReply + com::kSetStopSize:
      if (value.size() != 1 || value[0] != settings_.stopSize) {
        return mismatch("the server set " + stopName(value.empty() ? 0 : value[0]) + ", not " +
                        stopName(settings_.stopSize));
      }
      confirmed_ |= 8;
      break;
    default:
      return;  // control settings, line and modem state: best effort, not awaited
  }
  if (confirmed_ == kAllConfirmed) {
    state_ = State::kReady;
    text_ = "the server confirms " +
            settingsText(settings_.baud, settings_.dataSize, settings_.parity, settings_.stopSize);
  }
}

void ComPortClient::take(const Event& event, Bytes& out) {
  if (state_ == State::kRefused || state_ == State::kMismatch) return;
  switch (event.kind) {
    case Event::Kind::kNegotiation:
      options_.take(event.verb, event.option, out);
      if (options_.refusedOurs(kComPort)) {
        state_ = State::kRefused;
        text_ = "the server refuses COM port control (RFC 2217)";
      } else if (options_.ourEnabled(kComPort)) {
        requestSettings(out);
      }
      break;
    case Event::Kind::kSubnegotiation:
      if (event.option != kComPort || event.cut || event.payload.empty()) break;
      // Answers may come before the server's DO (some servers take our WILL as agreed).
      if (state_ == State::kNegotiating) {
        confirm(event.payload[0], std::span(event.payload).subspan(1));
      }
      break;
    case Event::Kind::kCommand:
      break;
  }
}

ComPortServer::ComPortServer()
    : options_({kBinary, kSuppressGoAhead}, {kComPort, kBinary, kSuppressGoAhead}) {
  settings_[com::kSetDataSize] = 8;
  settings_[com::kSetParity] = com::kParityNone;
  settings_[com::kSetStopSize] = com::kStopOne;
}

namespace {

// SET-CONTROL values come in groups, each led by the value that asks for the
// group's setting: 0-3 outbound flow control, 4-6 break, 7-9 DTR, 10-12 RTS,
// 13-19 inbound flow control.
constexpr std::array<std::uint8_t, 5> kControlGroupStart = {0, 4, 7, 10, 13};

std::size_t controlGroup(std::uint8_t value) {
  std::size_t group = 0;
  while (group + 1 < kControlGroupStart.size() && value >= kControlGroupStart[group + 1]) ++group;
  return group;
}

constexpr std::uint8_t kFlowSuspend = 8;  // notifications: no answer
constexpr std::uint8_t kFlowResume = 9;

}  // namespace

void ComPortServer::take(const Event& event, Bytes& out) {
  if (event.kind == Event::Kind::kNegotiation) {
    options_.take(event.verb, event.option, out);
    return;
  }
  if (event.kind != Event::Kind::kSubnegotiation || event.option != kComPort || event.cut ||
      event.payload.empty()) {
    return;
  }
  const std::uint8_t command = event.payload[0];
  const std::span<const std::uint8_t> value = std::span(event.payload).subspan(1);
  if (command == 0 || command > com::kLastClientCommand || command == kFlowSuspend ||
      command == kFlowResume) {
    return;
  }
  Bytes answer;
  if (command == com::kSetBaudRate) {
    if (const std::uint32_t asked = readUint32(value); asked != 0) baud_ = asked;
    answer = uint32Bytes(baud_);
  } else if (command == com::kSetControl && value.size() == 1) {
    // Kept per group; an ask gets the group's setting.
    const std::size_t group = controlGroup(value[0]);
    if (value[0] != kControlGroupStart[group]) controls_[group] = value[0];
    answer = {controls_[group]};
  } else if (value.size() == 1 && command >= com::kSetDataSize && command <= com::kSetStopSize) {
    if (value[0] != 0) settings_[command] = value[0];
    answer = {settings_[command]};
  } else {
    answer.assign(value.begin(), value.end());  // masks, purge: taken as asked
  }
  answer.insert(answer.begin(), static_cast<std::uint8_t>(com::kServerReply + command));
  append(out, subnegotiation(kComPort, answer));
}

}  // namespace fp::line::telnet
