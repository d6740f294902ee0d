// The library on network ports, against scripted servers on the loopback
// interface: the cases where a socket differs from a serial line (a server
// that accepts and says nothing, hangs up at once, floods, resets mid-reply),
// the RFC 2217 negotiation refused or answered with another speed, and 0xFF
// crossing the telnet layer both ways.
#include <signal.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "libfiscalprinter/src/tcp_port.h"
#include "line/telnet.h"
#include "tests/library/fake_server.h"
#include "tests/library/library_fixture.h"

namespace fp::testing {
namespace {

namespace telnet = line::telnet;
using Clock = std::chrono::steady_clock;

struct Peer {
  bool telnet = false;                         // an RFC 2217 server before the printer
  bool refuseComPort = false;                  // answers our WILL COM-PORT with DONT
  std::optional<std::uint32_t> confirmedBaud;  // answers SET-BAUDRATE with this speed
  bool silent = false;                         // accepts, reads, never answers
  bool hangUp = false;                         // "Port already in use", then closes (ser2net)
  bool flood = false;                          // sends 'A' from the connection on, without end
  bool resetMidReply = false;                  // a command's reply: ACK, half of it, a reset
};

// A peer with the given behaviours (and a speed it confirms instead of the one asked).
Peer peer(std::initializer_list<bool Peer::*> behaviours,
          std::optional<std::uint32_t> confirmedBaud = std::nullopt) {
  Peer made;
  for (bool Peer::*behaviour : behaviours) made.*behaviour = true;
  made.confirmedBaud = confirmedBaud;
  return made;
}

// A printer on the far side of `fd`: acknowledges every intact command and
// replies with its fields echoed (the handshake with an identification).
class NetworkPrinter {
 public:
  NetworkPrinter(int fd, const Peer& peer) : fd_(fd), peer_(peer) {}

  void run(const std::atomic<bool>& stopping) {
    if (peer_.hangUp)
      return writeBytes(fd_, {'P', 'o', 'r', 't', ' ', 'i', 'n', ' ', 'u', 's', 'e', '\r', '\n'});
    if (peer_.telnet && !peer_.silent) writeBytes(fd_, server_.opening());
    while (!stopping) {
      if (peer_.flood) writeBytes(fd_, protocol::Bytes(512, 'A'));
      protocol::Bytes raw;
      if (!readFor(fd_, peer_.flood ? 1 : 20, raw)) return;
      if (peer_.silent || raw.empty()) continue;
      protocol::Bytes data;
      if (peer_.telnet) {
        std::vector<telnet::Event> events;
        decoder_.feed(raw, data, events);
        protocol::Bytes answer;
        for (const telnet::Event& event : events) answerTelnet(event, answer);
        writeBytes(fd_, answer);
      } else {
        data = raw;
      }
      std::vector<protocol::DecodedEvent> frames;
      frames_.feed(data, frames);
      for (const protocol::DecodedEvent& frame : frames) {
        if (frame.kind == protocol::DecodedEvent::Kind::Frame && !answer(frame.body)) return;
      }
    }
  }

 private:
  void answerTelnet(const telnet::Event& event, protocol::Bytes& out) {
    if (event.kind == telnet::Event::Kind::kNegotiation && event.option == telnet::kComPort &&
        peer_.refuseComPort) {
      const protocol::Bytes no = telnet::negotiation(
          event.verb == telnet::kWill ? telnet::kDont : telnet::kWont, telnet::kComPort);
      out.insert(out.end(), no.begin(), no.end());
      return;
    }
    if (event.kind == telnet::Event::Kind::kSubnegotiation && peer_.confirmedBaud &&
        !event.payload.empty() && event.payload[0] == telnet::com::kSetBaudRate) {
      const std::uint32_t baud = *peer_.confirmedBaud;
      const protocol::Bytes value{
          telnet::com::kServerReply + telnet::com::kSetBaudRate,
          static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
          static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
      const protocol::Bytes sent = telnet::subnegotiation(telnet::kComPort, value);
      out.insert(out.end(), sent.begin(), sent.end());
      return;
    }
    server_.take(event, out);
  }

  // False once the connection is to end.
  bool answer(const protocol::Bytes& body) {
    protocol::CommandMessage command;
    if (protocol::parseCommand(body, command) != protocol::MessageError::None) return true;
    const bool hello = command.command == protocol::kHelloCommand;
    protocol::ReplyMessage reply{
        command.sequence, 0, 0, 0,
        hello ? std::vector<std::string>{"NET PRINTER", "1.0"} : command.fields};
    protocol::Bytes replyBody;
    protocol::encodeReply(reply, replyBody);
    protocol::Bytes frame = protocol::encodeFrame(replyBody);
    frame.insert(frame.begin(), protocol::kAck);
    if (!hello && peer_.resetMidReply) {
      frame.resize(frame.size() / 2);
      send(frame);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      resetConnection(fd_);
      return false;
    }
    send(frame);
    return true;
  }

  void send(const protocol::Bytes& bytes) {
    if (!peer_.telnet) return writeBytes(fd_, bytes);
    protocol::Bytes escaped;
    telnet::appendEscaped(bytes, escaped);
    writeBytes(fd_, escaped);
  }

  int fd_;
  Peer peer_;
  telnet::ComPortServer server_;
  telnet::Decoder decoder_;
  protocol::FrameDecoder frames_;
};

bool rfc2217(const char* scheme) {
  return std::string(scheme) == "rfc2217";
}

class NetworkPort : public LibraryTest {
 protected:
  // Starts a server playing `peer` and opens port 1 on it with `scheme`.
  int openOn(const char* scheme, const Peer& peer) {
    server_ = std::make_unique<FakeServer>([peer](int fd, const std::atomic<bool>& stopping) {
      NetworkPrinter(fd, peer).run(stopping);
    });
    return openTarget(server_->target(scheme));
  }

  int openTarget(const std::string& target) {
    ::setenv("FISCALPRINTER_PORT1", target.c_str(), 1);
    const Clock::time_point start = Clock::now();
    OpenPort(area_);
    openMs_ = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    return getLastError();
  }

  std::unique_ptr<FakeServer> server_;
  long long openMs_ = 0;
};

struct OpenCase {
  const char* name;
  const char* scheme;
  Peer peer;
  int code;
  const char* area;  // part of the area after OpenPort
  long long atLeastMs;
};

// Every case ends within the opening handshake's 3 s, whatever the server does
// (generous slack above it, for a loaded machine).
TEST_F(NetworkPort, EachServerGetsTheCodeOfItsSerialCounterpartWithinTheHandshakeBound) {
  const OpenCase cases[] = {
      {"a printer, raw", "tcp", peer({}), FP_OK, "NET PRINTER|1.0", 0},
      {"a printer, RFC 2217", "rfc2217", peer({&Peer::telnet}), FP_OK, "NET PRINTER|1.0", 0},
      {"accepts and never answers, raw", "tcp", peer({&Peer::silent}), FP_NO_PRINTER, "", 2500},
      {"accepts and never answers the negotiation", "rfc2217", peer({&Peer::telnet, &Peer::silent}),
       FP_PORT_INVALID, "no RFC 2217 answer", 1500},
      {"hangs up at once (another client has it), raw", "tcp", peer({&Peer::hangUp}), FP_PORT_BUSY,
       "before the printer answered", 0},
      {"hangs up at once, RFC 2217", "rfc2217", peer({&Peer::hangUp}), FP_PORT_BUSY,
       "during the RFC 2217 negotiation", 0},
      {"floods from the connection on, and answers", "tcp", peer({&Peer::flood}), FP_OK,
       "NET PRINTER|1.0", 0},
      {"floods from the connection on, and never answers", "tcp",
       peer({&Peer::flood, &Peer::silent}), FP_NO_PRINTER, "", 2500},
      {"refuses COM port control", "rfc2217", peer({&Peer::telnet, &Peer::refuseComPort}),
       FP_PORT_INVALID, "refuses COM port control", 0},
      {"sets another speed", "rfc2217", peer({&Peer::telnet}, 9600), FP_PORT_INVALID,
       "the server set 9600 bit/s, not 115200", 0},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(openOn(c.scheme, c.peer), c.code);
    EXPECT_NE(std::string(area_).find(c.area), std::string::npos) << area_;
    EXPECT_GE(openMs_, c.atLeastMs);
    EXPECT_LE(openMs_, 4500);
    ClosePort(area_);
    server_.reset();
  }
}

TEST_F(NetworkPort, TargetsThatCannotBeReachedOrReadAreInvalidWithTheReason) {
  const std::pair<std::string, std::string> cases[] = {
      {"tcp:127.0.0.1:" + std::to_string(closedPort()), "Connection refused"},
      {"rfc2217:localhost", "no port (rfc2217:HOST:PORT)"},
      {"tcp:[::1:2000", "no ']'"},
  };
  for (const auto& [target, reason] : cases) {
    SCOPED_TRACE(target);
    EXPECT_EQ(openTarget(target), FP_PORT_INVALID);
    EXPECT_NE(std::string(area_).find(reason), std::string::npos) << area_;
  }
}

TEST_F(NetworkPort, EveryByteValueCrossesBothWaysOnEachTransport) {
  const std::string field{'\xFF', 'A', '\xFF', '\xFF', '\x03', '\x00', '\x1B', '\r', '\n'};
  for (const char* scheme : {"tcp", "rfc2217"}) {
    SCOPED_TRACE(scheme);
    ASSERT_EQ(openOn(scheme, rfc2217(scheme) ? peer({&Peer::telnet}) : peer({})), FP_OK);
    addWord(0x0E02);
    addWord(0x0000);
    AddDataField(field.data(), static_cast<int>(field.size()));
    EXPECT_EQ(SendCommand(area_), FP_OK);
    char echoed[32] = {};
    ASSERT_EQ(getReplyField(0, echoed, sizeof echoed), static_cast<int>(field.size()));
    EXPECT_EQ(std::string(echoed, field.size()), field);
    ClosePort(area_);
    server_.reset();
  }
}

TEST_F(NetworkPort, AResetMidReplyLosesTheLineAndClosesThePortLikeAVanishedDevice) {
  const std::string trace = ::testing::TempDir() + "fiscal-network-" + std::to_string(::getpid());
  for (const char* scheme : {"tcp", "rfc2217"}) {
    SCOPED_TRACE(scheme);
    std::remove(trace.c_str());
    ::setenv("FISCALPRINTER_TRACE", trace.c_str(), 1);
    ASSERT_EQ(openOn(scheme, rfc2217(scheme) ? peer({&Peer::telnet, &Peer::resetMidReply})
                                             : peer({&Peer::resetMidReply})),
              FP_OK);
    EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_LINE_LOST);
    EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_NOT_OPEN);
    ClosePort(area_);
    ::unsetenv("FISCALPRINTER_TRACE");
    std::ifstream in(trace);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("# open " + server_->target(scheme)), std::string::npos);
    EXPECT_NE(text.str().find("# connected to 127.0.0.1:"), std::string::npos);
    EXPECT_NE(text.str().find("# connection lost: Connection reset by peer"), std::string::npos)
        << text.str();
    server_.reset();
  }
  std::remove(trace.c_str());
}

// Writing to a connection the server has ended raises no SIGPIPE (whose default
// would end this test program): the write reports the line lost.
TEST(NetworkTransport, WritingToAClosedConnectionRaisesNoSignal) {
  ::signal(SIGPIPE, SIG_DFL);
  FakeServer server([](int, const std::atomic<bool>&) {});  // closes every connection at once
  lib::TcpPort port;
  ASSERT_TRUE(port.open("127.0.0.1", server.port(), Clock::now() + std::chrono::seconds(2)));
  const protocol::Bytes bytes(64, 'x');
  lib::IoStatus status = lib::IoStatus::kOk;
  for (int tries = 0; tries < 200 && status == lib::IoStatus::kOk; ++tries) {
    status = port.writeAll(bytes, std::chrono::milliseconds(100));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(status, lib::IoStatus::kLost);
  // Once reset, every further write would raise the signal.
  EXPECT_EQ(port.writeAll(bytes, std::chrono::milliseconds(100)), lib::IoStatus::kLost);
  EXPECT_NE(port.lossReason().find("Broken pipe"), std::string::npos) << port.lossReason();
}

}  // namespace
}  // namespace fp::testing
