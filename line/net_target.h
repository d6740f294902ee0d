// What a port name means: a device path, or a printer reached over TCP, raw
// ("tcp:HOST:PORT") or through the telnet COM port control option of RFC 2217
// ("rfc2217:HOST:PORT"). Shared by the printer library (its ports) and the
// virtual printer (where it listens). Pure: no name is looked up here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fp::line {

enum class TargetKind { kDevice, kTcp, kRfc2217 };

struct Target {
  TargetKind kind = TargetKind::kDevice;
  std::string device;  // kDevice: the path, as given
  std::string host;    // otherwise: a name, an IPv4 address or an IPv6 address (no brackets)
  std::uint16_t port = 0;
};

struct ParsedTarget {
  std::optional<Target> target;
  std::string error;  // why not, naming the part at fault
};

// Longest host name (RFC 1035: 253 characters, labels of at most 63).
inline constexpr std::size_t kMaxHostName = 253;

// A name starting "tcp:" or "rfc2217:" is a network target: HOST is a host name
// (letters, digits, '-' and '.', labels of 1 to 63 characters, 253 in all), an
// IPv4 address, or an IPv6 address in brackets ("[::1]"); PORT is decimal, 1 to
// 65535 (0 too with `portZeroAllowed`: "any free port", for a listener). Any
// other name is a device path (not empty).
ParsedTarget parseTarget(std::string_view text, bool portZeroAllowed = false);

// The target as written ("rfc2217:[::1]:2217", or the device path).
std::string targetText(const Target& target);

}  // namespace fp::line
