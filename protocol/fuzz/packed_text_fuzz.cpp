// Parses arbitrary NUL-terminated texts as packed commands; whatever is accepted
// must print back to the same nine characters.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "protocol/packed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  const auto parsed = fp::protocol::parsePackedCommand(text.data());
  if (parsed) {
    char again[16];
    std::snprintf(again, sizeof again, "%04X|%04X", parsed->command, parsed->extension);
    if (std::strcmp(again, text.data()) != 0) std::abort();
  }
  return 0;
}
