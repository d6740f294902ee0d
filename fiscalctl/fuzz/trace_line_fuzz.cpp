// Any bytes as trace lines: the decoder shows them or marks them, never crashes.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "fiscalctl/trace_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::ostringstream out;
  fiscalctl::TraceDecoder decoder(out);
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty()) {
    const std::size_t end = input.find('\n');
    decoder.line(input.substr(0, end));
    if (end == std::string_view::npos) break;
    input.remove_prefix(end + 1);
  }
  decoder.finish();
  return 0;
}
