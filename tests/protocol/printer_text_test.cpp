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

}  // namespace
}  // namespace fp::protocol
