// A printer reached over a raw TCP connection (a serial device server, ser2net
// in raw mode): the bytes of the line, nothing added.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "libfiscalprinter/src/transport.h"

namespace fp::lib {

class TcpPort : public Transport {
 public:
  TcpPort() = default;
  ~TcpPort() override { close(); }
  TcpPort(const TcpPort&) = delete;
  TcpPort& operator=(const TcpPort&) = delete;

  // Looks `host` up and connects, all before `deadline`; false with failure() set.
  bool open(const std::string& host, std::uint16_t port,
            std::chrono::steady_clock::time_point deadline);
  void close() noexcept;
  bool isOpen() const { return fd_ >= 0; }
  const std::string& address() const { return address_; }  // "127.0.0.1:2000"
  const std::string& failure() const { return failure_; }

  IoStatus writeAll(std::span<const std::uint8_t> bytes,
                    std::chrono::milliseconds timeout) override;
  IoStatus readSome(std::vector<std::uint8_t>& out, std::chrono::milliseconds timeout) override;
  void discardInput() override;
  std::string lossReason() const override { return lossReason_; }
  void releaseInForkedChild() noexcept override { close(); }

 private:
  IoStatus lost(int error);

  int fd_ = -1;
  std::string address_;
  std::string failure_;
  std::string lossReason_;
};

}  // namespace fp::lib
