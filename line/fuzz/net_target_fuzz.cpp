// Parses arbitrary text as a port target: a target that parses must print back
// to text that parses to the same target, and a network target's host must be
// within the limits the parser promises.
#include <cstdlib>
#include <string_view>

#include "line/net_target.h"

using namespace fp::line;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const bool portZero : {false, true}) {
    const ParsedTarget parsed = parseTarget(text, portZero);
    if (!parsed.target) {
      if (parsed.error.empty()) std::abort();
      continue;
    }
    const Target& target = *parsed.target;
    if (target.kind != TargetKind::kDevice) {
      if (target.host.empty() || target.host.size() > kMaxHostName) std::abort();
      if (target.port == 0 && !portZero) std::abort();
    }
    const ParsedTarget again = parseTarget(targetText(target), portZero);
    if (!again.target || again.target->kind != target.kind || again.target->host != target.host ||
        again.target->port != target.port || again.target->device != target.device) {
      std::abort();
    }
  }
  return 0;
}
