// A printer reached through the telnet COM port control option (RFC 2217):
// a TCP connection whose data is telnet-escaped (0xFF doubled both ways), and
// whose server sets the real serial line as the client asks.
//
// Opening asks for the line settings (the speed, 8 data bits, no parity, 1 stop
// bit) and for no flow control with DTR and RTS on, and waits for the server
// to confirm the four line settings as asked. The control settings are best
// effort: their answers are not awaited, since servers in front of a
// pseudo-terminal never acknowledge DTR and RTS.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "libfiscalprinter/src/tcp_port.h"
#include "libfiscalprinter/src/transport.h"
#include "line/telnet.h"

namespace fp::lib {

class Rfc2217Port : public Transport {
 public:
  enum class Opened {
    kReady,
    kBusy,     // the server ended the connection before agreeing (another client has it)
    kInvalid,  // no connection, or the server refused or changed the settings
  };

  // Connects and negotiates, all before `deadline`. text() says what the server
  // confirmed (kReady) or why not.
  Opened open(const std::string& host, std::uint16_t port, std::uint32_t baud,
              std::chrono::steady_clock::time_point deadline);
  void close() { tcp_.close(); }
  bool isOpen() const { return tcp_.isOpen(); }
  const std::string& address() const { return tcp_.address(); }
  const std::string& text() const { return text_; }

  IoStatus writeAll(std::span<const std::uint8_t> bytes,
                    std::chrono::milliseconds timeout) override;
  IoStatus readSome(std::vector<std::uint8_t>& out, std::chrono::milliseconds timeout) override;
  void discardInput() override;
  std::string lossReason() const override { return tcp_.lossReason(); }
  void releaseInForkedChild() noexcept override { tcp_.releaseInForkedChild(); }

 private:
  // Reads, decodes and answers the server's telnet commands; data to `out`.
  IoStatus receive(std::vector<std::uint8_t>& out, std::chrono::milliseconds timeout);

  TcpPort tcp_;
  line::telnet::Decoder decoder_;
  line::telnet::ComPortClient client_{line::telnet::SerialSettings{}};
  std::string text_;
};

}  // namespace fp::lib
