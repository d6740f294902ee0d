// The port OpenPort opens: a serial device, or a printer on the network, raw
// TCP or RFC 2217 (docs/library.md, "Ports"). The link sees only a Transport;
// this class opens the one the target names and traces the connection's events.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "libfiscalprinter/src/serial_port.h"
#include "libfiscalprinter/src/trace.h"
#include "libfiscalprinter/src/transport.h"
#include "line/net_target.h"

namespace fp::lib {

// A network target's connection (name lookup, TCP connection and, for
// rfc2217, the negotiation) must be made within this, inside the opening
// handshake's bound: what is left of that goes to the handshake itself.
inline constexpr std::chrono::milliseconds kConnectLimit{2000};

class Port : public Transport {
 public:
  explicit Port(Trace& trace) : trace_(trace) {}

  // Opens `target` at `bitsPerSecond` (checked by the caller), the connection
  // made before `deadline`; a failure's reason goes to openFailure().
  OpenResult open(const line::Target& target, int bitsPerSecond,
                  std::chrono::steady_clock::time_point deadline);
  void close();
  bool isOpen() const { return open_ != nullptr; }
  // True for a port on the network (its server closing it is not a dead line).
  bool networked() const { return networked_; }
  const std::string& openFailure() const { return failure_; }

  IoStatus writeAll(std::span<const std::uint8_t> bytes,
                    std::chrono::milliseconds timeout) override;
  IoStatus readSome(std::vector<std::uint8_t>& out, std::chrono::milliseconds timeout) override;
  void discardInput() override;
  std::string lossReason() const override;
  void releaseInForkedChild() noexcept override {
    if (open_) open_->releaseInForkedChild();
  }

 private:
  IoStatus traced(IoStatus status);

  Trace& trace_;
  std::unique_ptr<Transport> open_;
  bool networked_ = false;
  bool lossTraced_ = false;
  std::string failure_;
};

}  // namespace fp::lib
