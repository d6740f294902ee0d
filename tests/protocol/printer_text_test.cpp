// Printer text (ISO-8859-1) as UTF-8 and as JSON: every byte value, parsed back
// by a real JSON parser and compared with the C library's own conversion.
#include "protocol/printer_text.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/support/latin1_oracle.h"

namespace fp::protocol {
namespace {

using testing_support::everyByte;
using testing_support::utf8ByIconv;

TEST(PrinterText, EveryByteIsItsLatin1CharacterInUtf8AndInJson) {
  const std::string bytes = everyByte();
  EXPECT_EQ(utf8FromPrinterText(bytes), utf8ByIconv(bytes));
  const std::string literal = jsonString(bytes);
  EXPECT_EQ(nlohmann::json::parse(literal).get<std::string>(), utf8ByIconv(bytes));
  // Controls stay visible as escapes, whatever reads the text: no raw byte
  // below 0x20, no DEL, no C1 character (C2 80 to C2 9F) in the literal.
  for (std::size_t i = 0; i < literal.size(); ++i) {
    const auto byte = static_cast<unsigned char>(literal[i]);
    EXPECT_TRUE(byte >= 0x20 && byte != 0x7F) << "raw byte at " << i;
    if (byte == 0xC2 && i + 1 < literal.size()) {
      EXPECT_GE(static_cast<unsigned char>(literal[i + 1]), 0xA0) << "raw C1 at " << i;
    }
  }
  EXPECT_EQ(jsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
}

// For a terminal: valid UTF-8 as it is; controls, DEL, C1 controls and every
// byte outside valid UTF-8 (lone, cut short, overlong, surrogate, beyond
// U+10FFFF) as \xHH; a backslash doubled so that \xHH cannot be forged.
TEST(PrinterText, TerminalTextEscapesWhatATerminalWouldObey) {
  const struct {
    std::string text;
    std::string shown;
  } cases[] = {
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {"\x1B[2J\tend\r", "\\x1B[2J\\x09end\\x0D"},
      {std::string("a\0b\x7F", 4), "a\\x00b\\x7F"},
      {"\xC2\x9B"
       "31m \xC2\xA0",
       "\\xC2\\x9B"
       "31m \xC2\xA0"},
      {"Caf\xE9", "Caf\\xE9"},
      {"\xE2\x82", "\\xE2\\x82"},
      {"\xC0\xAF \xE0\x80\xAF \xF0\x80\x80\xAF", "\\xC0\\xAF \\xE0\\x80\\xAF \\xF0\\x80\\x80\\xAF"},
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},
      {"\xF4\x90\x80\x80 \xF4\x8F\xBF\xBF", "\\xF4\\x90\\x80\\x80 \xF4\x8F\xBF\xBF"},
      {"\xE2\x82"
       "A",
       "\\xE2\\x82"
       "A"},
      {"\\x41", "\\\\x41"},
      // The edges of what each lead byte takes next.
      {"\xE0\xA0\x80 \xEF\xBF\xBF \xDF\xBF", "\xE0\xA0\x80 \xEF\xBF\xBF \xDF\xBF"},
      {"\xC3\xC0", "\\xC3\\xC0"},
  };
  for (const auto& c : cases) EXPECT_EQ(terminalText(c.text), c.shown) << c.shown;
}

}  // namespace
}  // namespace fp::protocol
