// Feeds arbitrary bytes to the frame decoder in fuzzer-chosen chunks, checks that
// the chunking does not change the result, and parses every frame as both kinds
// of message.
#include <cstdlib>
#include <vector>

#include "protocol/frame.h"
#include "protocol/message.h"

using namespace fp::protocol;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = data[0] % 16 + 1;
  const std::span<const std::uint8_t> stream(data + 1, size - 1);

  FrameDecoder whole;
  std::vector<DecodedEvent> expected;
  whole.feed(stream, expected);

  FrameDecoder pieces;
  std::vector<DecodedEvent> actual;
  for (std::size_t at = 0; at < stream.size(); at += chunk) {
    pieces.feed(stream.subspan(at, std::min(chunk, stream.size() - at)), actual);
  }
  if (actual.size() != expected.size()) std::abort();
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (actual[i].kind != expected[i].kind || actual[i].body != expected[i].body) std::abort();
    if (actual[i].body.size() > kMaxBody) std::abort();
    CommandMessage command;
    ReplyMessage reply;
    if (parseCommand(actual[i].body, command) == MessageError::None) {
      Bytes again;
      if (encodeCommand(command, again) == MessageError::None && again != actual[i].body)
        std::abort();
    }
    (void)parseReply(actual[i].body, reply);
  }
  return 0;
}
