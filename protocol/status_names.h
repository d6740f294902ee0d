// Readable names for the printer's three reply words: the bits of the two status
// words and the return codes. The one place that names them; the library hands
// them to callers and the trace decoder prints them.
#pragma once

#include <cstdint>
#include <string>

namespace fp::protocol {

enum class StatusWord { Printer, Fiscal };

// The name of `bit` (0..15) of `word`, or "" for a bit that carries nothing.
const char* statusBitName(StatusWord word, int bit);

// The names of the bits set in `value`, joined by ", "; "-" when none is set.
// Bits without a name show as "bit N".
std::string statusBitNames(StatusWord word, std::uint16_t value);

// A short text for a return code of the printer ("out of order"), or "" when the
// printer does not use it.
const char* returnCodeText(std::uint16_t code);

}  // namespace fp::protocol
