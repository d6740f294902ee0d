#include "line/net_target.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>

namespace fp::line {
namespace {

struct Scheme {
  std::string_view prefix;
  TargetKind kind;
};
constexpr std::array<Scheme, 2> kSchemes{
    {{"tcp:", TargetKind::kTcp}, {"rfc2217:", TargetKind::kRfc2217}}};

constexpr std::size_t kMaxLabel = 63;

bool isLabelCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

// A host name or dotted IPv4 address; empty when fine, else the reason.
std::string hostNameProblem(std::string_view host) {
  if (host.empty()) return "no host";
  if (host.size() > kMaxHostName) {
    return "host name longer than " + std::to_string(kMaxHostName) + " characters";
  }
  if (host.find(':') != std::string_view::npos) return "an IPv6 address needs brackets: [::1]";
  std::size_t start = 0;
  while (start <= host.size()) {
    const std::size_t end = std::min(host.find('.', start), host.size());
    const std::string_view label = host.substr(start, end - start);
    // A trailing dot (a fully qualified name) leaves one empty label at the end.
    if (label.empty() && end != host.size()) return "empty label in host name";
    if (label.size() > kMaxLabel) {
      return "host name label longer than " + std::to_string(kMaxLabel) + " characters";
    }
    if (!std::all_of(label.begin(), label.end(), isLabelCharacter)) {
      return "bad character in host name";
    }
    if (!label.empty() && (label.front() == '-' || label.back() == '-')) {
      return "host name label starting or ending with '-'";
    }
    start = end + 1;
  }
  // A name's last label is never all digits (RFC 3696), so such a host is an
  // IPv4 address, and must be a whole one: the resolver would take "1.2.3"
  // for 1.2.0.3 and "10" for 0.0.0.10, another host than the one meant.
  std::string_view last = host.substr(0, host.size() - (host.back() == '.' ? 1 : 0));
  last = last.substr(last.rfind('.') == std::string_view::npos ? 0 : last.rfind('.') + 1);
  const bool numeric = !last.empty() && std::all_of(last.begin(), last.end(),
                                                    [](char c) { return c >= '0' && c <= '9'; });
  in_addr address{};
  if (numeric && ::inet_pton(AF_INET, std::string(host).c_str(), &address) != 1) {
    return "not an IPv4 address (four numbers from 0 to 255, dotted) nor a host name";
  }
  return {};
}

std::optional<std::uint16_t> parsePort(std::string_view text, bool zeroAllowed) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > 65535 || (value == 0 && !zeroAllowed)) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

ParsedTarget refused(std::string_view text, const std::string& reason) {
  return ParsedTarget{std::nullopt, "\"" + std::string(text) + "\": " + reason};
}

}  // namespace

ParsedTarget parseTarget(std::string_view text, bool portZeroAllowed) {
  const auto scheme = std::find_if(kSchemes.begin(), kSchemes.end(), [&](const Scheme& s) {
    return text.substr(0, s.prefix.size()) == s.prefix;
  });
  if (scheme == kSchemes.end()) {
    if (text.empty()) return refused(text, "empty device name");
    return ParsedTarget{Target{TargetKind::kDevice, std::string(text), {}, 0}, {}};
  }
  const std::string_view rest = text.substr(scheme->prefix.size());
  std::string_view host;
  std::string_view portText;
  if (!rest.empty() && rest.front() == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string_view::npos) return refused(text, "no ']' after the IPv6 address");
    host = rest.substr(1, close - 1);
    if (close + 1 >= rest.size() || rest[close + 1] != ':') {
      return refused(text, "no ':PORT' after the IPv6 address");
    }
    portText = rest.substr(close + 2);
    in6_addr address{};
    if (::inet_pton(AF_INET6, std::string(host).c_str(), &address) != 1) {
      return refused(text, "not an IPv6 address in the brackets");
    }
  } else {
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string_view::npos) {
      return refused(text, "no port (" + std::string(scheme->prefix) + "HOST:PORT)");
    }
    host = rest.substr(0, colon);
    portText = rest.substr(colon + 1);
    if (const std::string problem = hostNameProblem(host); !problem.empty()) {
      return refused(text, problem);
    }
  }
  const std::optional<std::uint16_t> port = parsePort(portText, portZeroAllowed);
  if (!port) {
    return refused(
        text, std::string("port not a number from ") + (portZeroAllowed ? "0" : "1") + " to 65535");
  }
  return ParsedTarget{Target{scheme->kind, {}, std::string(host), *port}, {}};
}

std::string targetText(const Target& target) {
  if (target.kind == TargetKind::kDevice) return target.device;
  const bool ipv6 = target.host.find(':') != std::string::npos;
  const std::string host = ipv6 ? "[" + target.host + "]" : target.host;
  return std::string(target.kind == TargetKind::kTcp ? "tcp:" : "rfc2217:") + host + ":" +
         std::to_string(target.port);
}

}  // namespace fp::line
