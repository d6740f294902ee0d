#include "libfiscalprinter/src/rfc2217_port.h"

#include <algorithm>

namespace fp::lib {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
namespace telnet = line::telnet;

// An answer to the server's telnet commands goes out at once or not at all.
constexpr milliseconds kAnswerTimeout{100};
// Input dropped before a transmission, at most (as for raw TCP).
constexpr std::size_t kDiscardLimit = 65536;

milliseconds until(Clock::time_point deadline) {
  return std::max(milliseconds{0}, std::chrono::ceil<milliseconds>(deadline - Clock::now()));
}

}  // namespace

Rfc2217Port::Opened Rfc2217Port::open(const std::string& host, std::uint16_t port,
                                      std::uint32_t baud, Clock::time_point deadline) {
  decoder_.reset();
  client_ = telnet::ComPortClient(telnet::SerialSettings{baud});
  if (!tcp_.open(host, port, deadline)) {
    text_ = tcp_.failure();
    return Opened::kInvalid;
  }
  const telnet::Bytes opening = client_.opening();
  IoStatus status = tcp_.writeAll(opening, until(deadline));
  std::vector<std::uint8_t> early;  // data before the settings: nobody asked for it
  while (status != IoStatus::kLost &&
         client_.state() == telnet::ComPortClient::State::kNegotiating) {
    const milliseconds left = until(deadline);
    if (left.count() == 0) break;
    status = receive(early, left);
  }
  switch (client_.state()) {
    case telnet::ComPortClient::State::kReady:
      text_ = client_.text();
      return Opened::kReady;
    case telnet::ComPortClient::State::kRefused:
    case telnet::ComPortClient::State::kMismatch:
      text_ = client_.text();
      break;
    case telnet::ComPortClient::State::kNegotiating:
      if (status == IoStatus::kLost) {
        // Closed or reset (our bytes reaching a socket it had closed): either
        // way the server turned us away, as one serving another client does.
        text_ = tcp_.lossReason() + " during the RFC 2217 negotiation";
        tcp_.close();
        return Opened::kBusy;
      }
      text_ = "no RFC 2217 answer from the server in time (not a telnet COM port?)";
      break;
  }
  tcp_.close();
  return Opened::kInvalid;
}

IoStatus Rfc2217Port::receive(std::vector<std::uint8_t>& out, milliseconds timeout) {
  std::vector<std::uint8_t> raw;
  const IoStatus status = tcp_.readSome(raw, timeout);
  std::vector<telnet::Event> events;
  decoder_.feed(raw, out, events);
  telnet::Bytes answer;
  for (const telnet::Event& event : events) client_.take(event, answer);
  // An answer the server does not take at once is dropped: the printer's bytes come first.
  if (!answer.empty()) tcp_.writeAll(answer, kAnswerTimeout);
  return status;
}

IoStatus Rfc2217Port::writeAll(std::span<const std::uint8_t> bytes, milliseconds timeout) {
  telnet::Bytes escaped;
  telnet::appendEscaped(bytes, escaped);
  return tcp_.writeAll(escaped, timeout);
}

IoStatus Rfc2217Port::readSome(std::vector<std::uint8_t>& out, milliseconds timeout) {
  return receive(out, timeout);
}

// Through the decoder, so that a telnet command cut by the discarding is not
// taken for data afterwards.
void Rfc2217Port::discardInput() {
  std::vector<std::uint8_t> dropped;
  std::size_t seen = 0;
  while (seen < kDiscardLimit) {
    dropped.clear();
    if (receive(dropped, milliseconds{0}) != IoStatus::kOk) break;
    if (dropped.empty()) break;
    seen += dropped.size();
  }
}

}  // namespace fp::lib
