// The telnet layer of RFC 2217: 0xFF both ways, a stream split anywhere, the
// negotiation from both ends (each against the other, and against servers that
// refuse, change a setting or never confirm the control settings).
#include "line/telnet.h"

#include <gtest/gtest.h>

#include <string>

namespace fp::line::telnet {
namespace {

struct Decoded {
  Bytes data;
  std::vector<Event> events;
};

Decoded decodeByteByByte(const Bytes& stream) {
  Decoder decoder;
  Decoded decoded;
  for (const std::uint8_t byte : stream)
    decoder.feed(std::span(&byte, 1), decoded.data, decoded.events);
  return decoded;
}

TEST(Telnet, DataWithEveryByteValueSurvivesEscapingSplitAnywhere) {
  Bytes data;
  for (int value = 0; value < 256; ++value) data.push_back(static_cast<std::uint8_t>(value));
  data.push_back(kIac);
  data.push_back(kIac);
  Bytes escaped;
  appendEscaped(data, escaped);
  EXPECT_EQ(escaped.size(), data.size() + 3);  // each 0xFF doubled
  const Decoded decoded = decodeByteByByte(escaped);
  EXPECT_EQ(decoded.data, data);
  EXPECT_TRUE(decoded.events.empty());
}

TEST(Telnet, CommandsBetweenDataAreEventsAndNeverData) {
  Bytes stream{'A'};
  for (const Bytes& part : {negotiation(kWill, kComPort), Bytes{kIac, 241 /* NOP */},
                            subnegotiation(kComPort, Bytes{101, 0, 1, 0xC2, 0x00}),
                            Bytes{'B', kIac, kIac}, subnegotiation(kComPort, Bytes{102, kIac})}) {
    stream.insert(stream.end(), part.begin(), part.end());
  }
  const Decoded decoded = decodeByteByByte(stream);
  EXPECT_EQ(decoded.data, (Bytes{'A', 'B', kIac}));
  ASSERT_EQ(decoded.events.size(), 4u);
  EXPECT_EQ(decoded.events[0].kind, Event::Kind::kNegotiation);
  EXPECT_EQ(decoded.events[0].verb, kWill);
  EXPECT_EQ(decoded.events[0].option, kComPort);
  EXPECT_EQ(decoded.events[1].kind, Event::Kind::kCommand);
  EXPECT_EQ(decoded.events[2].payload, (Bytes{101, 0, 1, 0xC2, 0x00}));
  EXPECT_EQ(readUint32(std::span(decoded.events[2].payload).subspan(1)), 115200u);
  EXPECT_EQ(decoded.events[3].payload, (Bytes{102, kIac}));  // escaped inside, unescaped out
}

TEST(Telnet, AnEndlessSubnegotiationIsCutAtItsLimit) {
  Bytes stream{kIac, kSb, kComPort};
  stream.insert(stream.end(), 10 * kMaxSubnegotiation, 'x');
  stream.insert(stream.end(), {kIac, kSe, 'D'});
  const Decoded decoded = decodeByteByByte(stream);
  ASSERT_EQ(decoded.events.size(), 1u);
  EXPECT_TRUE(decoded.events[0].cut);
  EXPECT_EQ(decoded.events[0].payload.size(), kMaxSubnegotiation);
  EXPECT_EQ(decoded.data, Bytes{'D'});
}

// Runs `client` against a server answering through `serve` until neither has
// more to say; the client's state at the end.
template <typename Serve>
ComPortClient::State negotiate(ComPortClient& client, const Bytes& serverOpening, Serve serve) {
  Bytes toServer = client.opening();
  Decoder serverSide;
  Decoder clientSide;
  for (int round = 0; round < 20 && !toServer.empty(); ++round) {
    Decoded heard;
    serverSide.feed(toServer, heard.data, heard.events);
    Bytes toClient = round == 0 ? serverOpening : Bytes{};
    for (const Event& event : heard.events) serve(event, toClient);
    Decoded answered;
    clientSide.feed(toClient, answered.data, answered.events);
    toServer.clear();
    for (const Event& event : answered.events) client.take(event, toServer);
  }
  return client.state();
}

TEST(Telnet, ClientAndServerAgreeOnTheLineSettings) {
  ComPortServer server;
  ComPortClient client(SerialSettings{115200});
  const auto state = negotiate(client, server.opening(),
                               [&](const Event& event, Bytes& out) { server.take(event, out); });
  EXPECT_EQ(state, ComPortClient::State::kReady);
  EXPECT_EQ(client.text(), "the server confirms 115200 bit/s, 8 data bits, no parity, 1 stop bit");
  EXPECT_EQ(server.baud(), 115200u);
}

// A server's answer to one COM port command, or to the option itself.
struct ServerCase {
  const char* name;
  std::uint8_t refuseOption;  // 0: agrees to COM port control
  std::uint8_t command;       // this command's answer carries `value` instead
  Bytes value;
  bool answerControl;  // acknowledges the control settings (DTR, RTS, flow)
  ComPortClient::State expected;
  const char* text;
};

TEST(Telnet, TheClientChecksWhatTheServerConfirmsAndNeedsNoControlAnswers) {
  const ServerCase cases[] = {
      {"refuses COM port control",
       kComPort,
       0,
       {},
       true,
       ComPortClient::State::kRefused,
       "refuses COM port control"},
      {"sets another speed",
       0,
       com::kSetBaudRate,
       {0, 0, 0x25, 0x80},
       true,
       ComPortClient::State::kMismatch,
       "the server set 9600 bit/s, not 115200"},
      {"sets 7 data bits",
       0,
       com::kSetDataSize,
       {7},
       true,
       ComPortClient::State::kMismatch,
       "7 data bits, not 8"},
      {"sets even parity",
       0,
       com::kSetParity,
       {3},
       true,
       ComPortClient::State::kMismatch,
       "even parity, not no parity"},
      {"sets 2 stop bits",
       0,
       com::kSetStopSize,
       {2},
       true,
       ComPortClient::State::kMismatch,
       "2 stop bits, not 1 stop bit"},
      {"never answers the control settings (ser2net on a pseudo-terminal)",
       0,
       0,
       {},
       false,
       ComPortClient::State::kReady,
       "confirms"},
  };
  for (const ServerCase& c : cases) {
    SCOPED_TRACE(c.name);
    ComPortServer server;
    ComPortClient client(SerialSettings{115200});
    const auto state = negotiate(client, server.opening(), [&](const Event& event, Bytes& out) {
      if (event.kind == Event::Kind::kNegotiation && event.option == c.refuseOption &&
          event.verb == kWill) {
        const Bytes no = negotiation(kDont, event.option);
        out.insert(out.end(), no.begin(), no.end());
        return;
      }
      if (event.kind == Event::Kind::kSubnegotiation && !event.payload.empty()) {
        if (event.payload[0] == com::kSetControl && !c.answerControl) return;
        if (event.payload[0] == c.command) {
          Bytes answer{static_cast<std::uint8_t>(com::kServerReply + c.command)};
          answer.insert(answer.end(), c.value.begin(), c.value.end());
          const Bytes sent = subnegotiation(kComPort, answer);
          out.insert(out.end(), sent.begin(), sent.end());
          return;
        }
      }
      server.take(event, out);
    });
    EXPECT_EQ(state, c.expected);
    EXPECT_NE(client.text().find(c.text), std::string::npos) << client.text();
  }
}

TEST(Telnet, TheClientAsksForNoFlowControlDtrAndRtsOnceAgreed) {
  ComPortClient client(SerialSettings{9600});
  Bytes out;
  client.take(Event{Event::Kind::kNegotiation, kDo, kComPort, {}, false}, out);
  const Decoded asked = decodeByteByByte(out);
  std::vector<Bytes> payloads;
  for (const Event& event : asked.events) {
    if (event.kind == Event::Kind::kSubnegotiation) payloads.push_back(event.payload);
  }
  const std::vector<Bytes> expected = {
      {com::kSetBaudRate, 0, 0, 0x25, 0x80},   {com::kSetDataSize, 8},
      {com::kSetParity, com::kParityNone},     {com::kSetStopSize, com::kStopOne},
      {com::kSetControl, com::kNoFlowControl}, {com::kSetControl, com::kDtrOn},
      {com::kSetControl, com::kRtsOn}};
  EXPECT_EQ(payloads, expected);
  Bytes again;
  client.take(Event{Event::Kind::kNegotiation, kDo, kComPort, {}, false}, again);
  EXPECT_TRUE(again.empty());  // a repeated DO changes nothing and asks nothing twice
}

struct ControlCase {
  std::uint8_t asked;
  std::uint8_t answered;
};

// Our listener acknowledges the control settings (pyserial waits for it) and
// answers a query with the setting of its group.
TEST(Telnet, TheServerAcknowledgesControlSettingsAndAnswersQueries) {
  ComPortServer server;
  const ControlCase cases[] = {{0, com::kNoFlowControl},
                               {com::kDtrOn, com::kDtrOn},
                               {9, 9},
                               {7, 9},  // DTR asked after it went off
                               {10, com::kRtsOn},
                               {3, 3},
                               {0, 3},
                               {13, 14}};
  for (const ControlCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.asked));
    Bytes out;
    server.take(
        Event{Event::Kind::kSubnegotiation, kSb, kComPort, {com::kSetControl, c.asked}, false},
        out);
    EXPECT_EQ(out,
              subnegotiation(kComPort, Bytes{com::kServerReply + com::kSetControl, c.answered}));
  }
}

TEST(Telnet, OptionsNobodyWantsAreRefusedAndNegotiationNeverLoops) {
  Options options({kComPort}, {kBinary});
  EXPECT_EQ(options.opening(), (Bytes{kIac, kWill, kComPort, kIac, kDo, kBinary}));
  Bytes out;
  options.take(kWill, kEcho, out);  // ser2net offers to echo
  EXPECT_EQ(out, negotiation(kDont, kEcho));
  out.clear();
  options.take(kDo, kComPort, out);  // the answer to our WILL: nothing more to say
  options.take(kWill, kBinary, out);
  options.take(kDo, kComPort, out);  // a repeat
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(options.ourEnabled(kComPort));
  options.take(kDont, kComPort, out);  // withdrawn: acknowledged once
  EXPECT_EQ(out, negotiation(kWont, kComPort));
  EXPECT_TRUE(options.refusedOurs(kComPort));
}

}  // namespace
}  // namespace fp::line::telnet
