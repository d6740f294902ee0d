// Feeds arbitrary bytes to the telnet decoder in fuzzer-chosen chunks and checks
// that the chunking changes neither the data nor the events; hands every event
// to an RFC 2217 client and a server (their answers must decode as telnet
// again, with no data in them), and checks that escaped data decodes to itself.
//
// Input: one byte n (0..15), then n chunk sizes (1..64 each, used in turn), then
// the stream.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "line/telnet.h"

using namespace fp::line::telnet;

namespace {

struct Decoded {
  Bytes data;
  std::vector<Event> events;
};

Decoded decodeInChunks(std::span<const std::uint8_t> stream,
                       const std::vector<std::size_t>& sizes) {
  Decoder decoder;
  Decoded decoded;
  std::size_t turn = 0;
  for (std::size_t at = 0; at < stream.size(); ++turn) {
    const std::size_t size = std::min(sizes[turn % sizes.size()], stream.size() - at);
    decoder.feed(stream.subspan(at, size), decoded.data, decoded.events);
    at += size;
  }
  return decoded;
}

bool sameEvents(const std::vector<Event>& a, const std::vector<Event>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Event& x, const Event& y) {
    return x.kind == y.kind && x.verb == y.verb && x.option == y.option && x.payload == y.payload &&
           x.cut == y.cut;
  });
}

// Answers are telnet commands only.
void checkAnswer(const Bytes& answer) {
  Decoded decoded;
  Decoder decoder;
  decoder.feed(answer, decoded.data, decoded.events);
  if (!decoded.data.empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t count = std::min<std::size_t>(data[0] & 0x0F, size - 1);
  std::vector<std::size_t> sizes;
  for (std::size_t i = 0; i < count; ++i) sizes.push_back(1 + data[1 + i] % 64);
  if (sizes.empty()) sizes.push_back(1);
  const std::span<const std::uint8_t> stream(data + 1 + count, size - 1 - count);

  const Decoded whole = decodeInChunks(stream, {stream.size() + 1});
  const Decoded split = decodeInChunks(stream, sizes);
  if (whole.data != split.data || !sameEvents(whole.events, split.events)) std::abort();
  for (const Event& event : whole.events) {
    if (event.payload.size() > kMaxSubnegotiation) std::abort();
  }

  ComPortClient client(SerialSettings{});
  ComPortServer server;
  Bytes answer = client.opening();
  Bytes served = server.opening();
  for (const Event& event : whole.events) {
    client.take(event, answer);
    server.take(event, served);
  }
  checkAnswer(answer);
  checkAnswer(served);

  Bytes escaped;
  appendEscaped(stream, escaped);
  const Decoded back = decodeInChunks(escaped, sizes);
  if (back.data != Bytes(stream.begin(), stream.end()) || !back.events.empty()) std::abort();
  return 0;
}
