// Feeds arbitrary bytes to the frame decoder in fuzzer-chosen chunks, checks that
// the chunking does not change the result, and parses every frame as both kinds
// of message; a command that parses must encode back to the same body.
//
// Input: one byte n (0..15), then n chunk sizes (1..64 each, used in turn), then
// the stream.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "protocol/frame.h"
#include "protocol/message.h"

using namespace fp::protocol;

namespace {

std::vector<DecodedEvent> decodeInChunks(std::span<const std::uint8_t> stream,
                                         const std::vector<std::size_t>& sizes) {
  FrameDecoder decoder;
  std::vector<DecodedEvent> events;
  std::size_t turn = 0;
  for (std::size_t at = 0; at < stream.size(); ++turn) {
    const std::size_t size = std::min(sizes[turn % sizes.size()], stream.size() - at);
    decoder.feed(stream.subspan(at, size), events);
    at += size;
  }
  return events;
}

void checkBody(const Bytes& body) {
  if (body.size() + 2 > kMaxBody) std::abort();
  CommandMessage command;
  if (parseCommand(body, command) == MessageError::None) {
    Bytes again;
    if (encodeCommand(command, again) != MessageError::None || again != body) std::abort();
  }
  ReplyMessage reply;
  if (parseReply(body, reply) == MessageError::None) {
    Bytes again;
    if (encodeReply(reply, again) != MessageError::None || again != body) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t count = std::min<std::size_t>(data[0] % 16, size - 1);
  std::vector<std::size_t> sizes;
  for (std::size_t i = 0; i < count; ++i) sizes.push_back(data[1 + i] % 64 + 1);
  if (sizes.empty()) sizes.push_back(1);
  const std::span<const std::uint8_t> stream(data + 1 + count, size - 1 - count);

  FrameDecoder whole;
  std::vector<DecodedEvent> expected;
  whole.feed(stream, expected);
  const std::vector<DecodedEvent> actual = decodeInChunks(stream, sizes);
  if (actual.size() != expected.size()) std::abort();
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (actual[i].kind != expected[i].kind || actual[i].body != expected[i].body ||
        actual[i].error != expected[i].error)
      std::abort();
    if (actual[i].kind == DecodedEvent::Kind::Frame) {
      checkBody(actual[i].body);
      // What was received re-encodes to a frame that decodes to the same body.
      std::vector<DecodedEvent> again;
      FrameDecoder redecoder;
      redecoder.feed(encodeFrame(actual[i].body), again);
      if (again.size() != 1 || again[0].body != actual[i].body) std::abort();
    }
  }
  return 0;
}
