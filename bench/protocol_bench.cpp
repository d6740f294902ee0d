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

// The frame's size and its time on a 115200 bit/s line (10 bits a byte), to set
// the encoding cost against.
void reportLineTime(benchmark::State& state, std::size_t frameBytes) {
  state.counters["frame_bytes"] = static_cast<double>(frameBytes);
  state.counters["wire_us_at_115200"] = static_cast<double>(frameBytes) * 10.0 / 115200.0 * 1e6;
}

void BM_EncodeCommandFrame(benchmark::State& state) {
  const CommandMessage message = largestCommand();
  Bytes body;
  std::size_t frameBytes = 0;
  for (auto _ : state) {
    encodeCommand(message, body);
    Bytes frame = encodeFrame(body);
    frameBytes = frame.size();
    benchmark::DoNotOptimize(frame.data());
  }
  reportLineTime(state, frameBytes);
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
  reportLineTime(state, frame.size());
}
BENCHMARK(BM_DecodeCommandFrame);

void BM_EncodeDecodeReply(benchmark::State& state) {
  const ReplyMessage reply = typicalReply();
  Bytes body;
  FrameDecoder decoder;
  std::vector<DecodedEvent> events;
  ReplyMessage parsed;
  std::size_t frameBytes = 0;
  for (auto _ : state) {
    encodeReply(reply, body);
    const Bytes frame = encodeFrame(body);
    frameBytes = frame.size();
    events.clear();
    decoder.feed(frame, events);
    parseReply(events.front().body, parsed);
    benchmark::DoNotOptimize(parsed.returnCode);
  }
  reportLineTime(state, frameBytes);
}
BENCHMARK(BM_EncodeDecodeReply);

}  // namespace

BENCHMARK_MAIN();
