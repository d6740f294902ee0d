// Any bytes as trace lines: the decoder shows them or marks them, never crashes.
// Each piece of the input (split at newlines) becomes one line; its first byte
// chooses how: as it is, as a note, or as the hex of a frame sent or received
// (so that the frame and message decoding behind the lines is reached too).
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "fiscalctl/trace_decoder.h"

namespace {

std::string asLine(std::string_view piece) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  static constexpr std::string_view kStamp = "2026-12-09T13:49:35.758651Z ";
  if (piece.empty()) return {};
  const auto mode = static_cast<unsigned char>(piece[0]) % 4;
  piece.remove_prefix(1);
  if (mode == 0) return std::string(piece);
  if (mode == 1) return std::string(kStamp) + "# " + std::string(piece);
  std::string line = std::string(kStamp) + (mode == 2 ? "> " : "< ");
  for (char c : piece) {
    const auto byte = static_cast<unsigned char>(c);
    line += kHex[byte >> 4];
    line += kHex[byte & 0x0F];
    line += ' ';
  }
  if (!piece.empty()) line.pop_back();
  return line + "  |.|";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::ostringstream out;
  fiscalctl::TraceDecoder decoder(out);
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty()) {
    const std::size_t end = input.find('\n');
    decoder.line(asLine(input.substr(0, end)));
    if (end == std::string_view::npos) break;
    input.remove_prefix(end + 1);
  }
  decoder.finish();
  return 0;
}
