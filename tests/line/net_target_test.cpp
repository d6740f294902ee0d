// Port targets: devices, tcp: and rfc2217: with names, IPv4 and bracketed IPv6,
// and every way a target can fail to parse, each with a reason.
#include "line/net_target.h"

#include <gtest/gtest.h>

#include <string>

namespace fp::line {
namespace {

struct GoodCase {
  std::string text;
  TargetKind kind;
  std::string deviceOrHost;
  std::uint16_t port;
};

TEST(NetTarget, GoodTargetsParseAndPrintBackAsWritten) {
  const std::string longest(63, 'a');
  const std::string longName = longest + "." + longest + "." + longest + "." + std::string(61, 'b');
  const GoodCase cases[] = {
      {"/dev/ttyUSB0", TargetKind::kDevice, "/dev/ttyUSB0", 0},
      {"tcpish", TargetKind::kDevice, "tcpish", 0},  // no scheme: a device path
      {"tcp:printer-1.shop.example:2000", TargetKind::kTcp, "printer-1.shop.example", 2000},
      {"tcp:192.168.0.7:1", TargetKind::kTcp, "192.168.0.7", 1},
      {"tcp:3com.example:1", TargetKind::kTcp, "3com.example", 1},
      {"rfc2217:localhost:65535", TargetKind::kRfc2217, "localhost", 65535},
      {"rfc2217:[::1]:2217", TargetKind::kRfc2217, "::1", 2217},
      {"tcp:[fe80::1:2]:7", TargetKind::kTcp, "fe80::1:2", 7},
      {"tcp:" + longName + ":9", TargetKind::kTcp, longName, 9},
      {"tcp:host.:9", TargetKind::kTcp, "host.", 9},  // fully qualified
  };
  for (const GoodCase& c : cases) {
    SCOPED_TRACE(c.text);
    ASSERT_EQ(longName.size(), kMaxHostName);
    const ParsedTarget parsed = parseTarget(c.text);
    ASSERT_TRUE(parsed.target) << parsed.error;
    EXPECT_EQ(parsed.target->kind, c.kind);
    EXPECT_EQ(c.kind == TargetKind::kDevice ? parsed.target->device : parsed.target->host,
              c.deviceOrHost);
    EXPECT_EQ(parsed.target->port, c.port);
    EXPECT_EQ(targetText(*parsed.target), c.text);
  }
}

struct BadCase {
  std::string text;
  std::string reason;  // part of the error
};

TEST(NetTarget, BadTargetsAreRefusedWithTheirReason) {
  const std::string label64(64, 'a');
  const std::string tooLong = std::string(63, 'a') + "." + std::string(63, 'a') + "." +
                              std::string(63, 'a') + "." + std::string(62, 'b');
  const BadCase cases[] = {
      {"", "empty device name"},
      {"tcp:printer", "no port"},
      {"rfc2217:", "no port"},
      {"tcp::2000", "no host"},
      {"tcp:printer:", "port not a number"},
      {"tcp:printer:0", "port not a number from 1"},
      {"tcp:printer:65536", "port not a number"},
      {"tcp:printer:123456", "port not a number"},
      {"tcp:printer:+80", "port not a number"},
      {"tcp:printer:80x", "port not a number"},
      {"tcp:::1:2000", "IPv6 address needs brackets"},
      {"tcp:[::1]2000", "no ':PORT' after the IPv6 address"},
      {"tcp:[::1:2000", "no ']'"},
      {"tcp:[printer]:2000", "not an IPv6 address"},
      {"tcp:[]:2000", "not an IPv6 address"},
      {"tcp:" + tooLong + ":1", "longer than 253"},
      {"tcp:" + label64 + ".shop:1", "label longer than 63"},
      {"tcp:shop..example:1", "empty label"},
      {"tcp:-shop:1", "starting or ending with '-'"},
      {"tcp:shop_1:1", "bad character"},
      {"tcp:sh op:1", "bad character"},
      // An all-digit last label is an IPv4 address and must be a whole one.
      {"tcp:1.2.3:1", "not an IPv4 address"},
      {"tcp:10:1", "not an IPv4 address"},
      {"tcp:1.2.3.256:1", "not an IPv4 address"},
      {"tcp:printer.3:1", "not an IPv4 address"},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.text);
    const ParsedTarget parsed = parseTarget(c.text);
    EXPECT_FALSE(parsed.target);
    EXPECT_NE(parsed.error.find(c.reason), std::string::npos) << parsed.error;
  }
}

TEST(NetTarget, PortZeroOnlyForAListener) {
  EXPECT_FALSE(parseTarget("tcp:127.0.0.1:0").target);
  const ParsedTarget any = parseTarget("tcp:127.0.0.1:0", true);
  ASSERT_TRUE(any.target);
  EXPECT_EQ(any.target->port, 0);
}

}  // namespace
}  // namespace fp::line
