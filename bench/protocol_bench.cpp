// Encoding and decoding cost of the console's largest command and of a reply.
#include <benchmark/benchmark.h>

#include "protocol/frame.h"
#include "protocol/message.h"

namespace {

using namespace fp::protocol;

// The ticket item: two words and fifteen further fields, as the console sends it.
CommandMessage largestCommand() {
  return {0x41,
          0x0A02,
          0x0000,
          {"", "", "", "", "Venta de item       ", "000010000", "00000000100", "2100", "", "", "",
           "", "99", "07", ""}};
}

ReplyMessage typicalReply() {
  return {0x41, 0x0004, 0x0011, 0, {"0000000100", "12"}};
}

void BM_EncodeCommandFrame(benchmark::State& state) {
  const CommandMessage message = largestCommand();
  Bytes body;
  for (auto _ : state) {
    encodeCommand(message, body);
    Bytes frame = encodeFrame(body);
    benchmark::DoNotOptimize(frame.data());
  }
}
BENCHMARK(BM_EncodeCommandFrame);

void BM_DecodeCommandFrame(benchmark::State& state) {
  Bytes body;
  encodeCommand(largestCommand(), body);
  const Bytes frame = encodeFrame(body);
  FrameDecoder decoder;
  std::vector<DecodedEvent> events;
  CommandMessage parsed;
  for (auto _ : state) {
    events.clear();
    decoder.feed(frame, events);
    parseCommand(events.front().body, parsed);
    benchmark::DoNotOptimize(parsed.fields.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(BM_DecodeCommandFrame);

void BM_EncodeDecodeReply(benchmark::State& state) {
  const ReplyMessage reply = typicalReply();
  Bytes body;
  FrameDecoder decoder;
  std::vector<DecodedEvent> events;
  ReplyMessage parsed;
  for (auto _ : state) {
    encodeReply(reply, body);
    const Bytes frame = encodeFrame(body);
    events.clear();
    decoder.feed(frame, events);
    parseReply(events.front().body, parsed);
    benchmark::DoNotOptimize(parsed.returnCode);
  }
}
BENCHMARK(BM_EncodeDecodeReply);

}  // namespace

BENCHMARK_MAIN();
