// The printer's character set. Text fields on the line are 8-bit ISO-8859-1
// (Latin-1): each byte is the Unicode character of the same number, so "Café"
// is 43 61 66 E9. 0x80 to 0x9F are C1 control characters, not letters; the
// virtual printer refuses them in texts like the C0 controls. Everything the
// project writes outside the line (JSON, the paper roll, reports) is UTF-8, and
// goes through these functions.
#pragma once

#include <string>
#include <string_view>

namespace fp::protocol {

// `text` (ISO-8859-1) as UTF-8, character for character: bytes below 0x80 as
// they are, the others as two bytes.
std::string utf8FromPrinterText(std::string_view text);

// `text` (ISO-8859-1) as a JSON string literal in UTF-8, quotes included: '"'
// and '\' escaped, every control character (0x00 to 0x1F, 0x7F, 0x80 to 0x9F)
// as \u00XX, the rest as UTF-8. Valid JSON for any bytes.
std::string jsonString(std::string_view text);

// `text` (meant to be UTF-8: the library's notes, a printer's text already in
// UTF-8) made safe for a terminal: every byte below 0x20, 0x7F, the C1
// controls U+0080 to U+009F and every byte that is not part of valid UTF-8 as
// \xHH (each byte of its UTF-8 form, for a C1 control), '\' as \\ so that
// \xHH is never ambiguous; valid UTF-8 otherwise as it is.
std::string terminalText(std::string_view text);

}  // namespace fp::protocol
