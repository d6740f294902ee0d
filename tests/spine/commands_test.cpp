// Every command button sends exactly the expected calls, bytes and lengths.
#include "fiscal/commands.h"

#include <string>
#include <vector>

#include "tests/spine/spine_fixture.h"

namespace {

using testing_support::atAddressOf;
using testing_support::bytesOf;

// One expected AddDataField: the bytes it carries (its `length` bytes) and, for
// an empty field, what stands at its address up to the first zero byte.
struct Field {
  std::string bytes;
  int length;
  std::string atAddress;
};

std::string text(const char* s) {
  return std::string(s) + '\0';
}
std::string word(unsigned w) {
  return {static_cast<char>(w >> 8), static_cast<char>(w & 0xFF)};
}
Field binary(unsigned w) {
  return {word(w), 2, ""};
}
Field value(const char* s) {
  return {s, static_cast<int>(std::string(s).size()), text(s)};
}
Field empty(const char* standing) {
  return {"", 0, text(standing)};
}

const char* kTwenty = "                    ";
const std::string kDescription = "Venta de item       ";

std::vector<Field> ticketItem(unsigned extension) {
  std::vector<Field> f = {binary(0x0A02), binary(extension)};
  for (int i = 0; i < 4; ++i) f.push_back(empty(""));
  for (const char* v : {kDescription.c_str(), "000010000", "00000000100", "2100"})
    f.push_back(value(v));
  for (int i = 0; i < 4; ++i) f.push_back(empty(""));
  f.push_back(value("99"));
  f.push_back(value("07"));
  f.push_back(empty(""));
  return f;
}

std::vector<Field> invoiceItem(unsigned extension) {
  std::vector<Field> f = {binary(0x0B02), binary(extension)};
  for (int i = 0; i < 4; ++i) f.push_back(empty(" "));
  for (const char* v : {kDescription.c_str(), "000010000", "00000000100", "2100"})
    f.push_back(value(v));
  for (int i = 0; i < 4; ++i) f.push_back(empty(" "));
  f.push_back(value("99"));
  f.push_back(value("07"));
  f.push_back(empty("07"));
  return f;
}

std::vector<Field> closeOrPay(unsigned command, unsigned extension, int empties,
                              const char* standing, std::vector<const char*> tail) {
  std::vector<Field> f = {binary(command), binary(extension)};
  for (int i = 0; i < empties; ++i) f.push_back(empty(standing));
  for (const char* v : tail) f.push_back(value(v));
  return f;
}

struct Case {
  const char* procedure;
  console::ControlId button;
  std::vector<Field> fields;  // empty for packed commands
  std::string packed;         // empty for field lists
  bool resultStep;
};

std::vector<Case> cases() {
  return {
      {"TicketOpen", 0x07000009, {}, "0A01|0000", true},
      {"TicketItemAdd", 0x0700000B, ticketItem(0x0000), "", true},
      {"TicketItemReturn", 0x07000011, ticketItem(0x0001), "", true},
      {"TicketPayment", 0x07000012, closeOrPay(0x0A05, 0x0000, 5, " ", {"08", "00000010000"}), "",
       true},
      {"TicketClose", 0x0700000D, closeOrPay(0x0A06, 0x0013, 6, " ", {"3"}), "", true},
      {"TicketCancel", 0x0700000C, {}, "0A07|0000", true},
      {"InvoiceOpen",
       0x0700001A,
       {binary(0x0B01), binary(0x0000), value("vela s.a."), empty(""),
        value("calle falsa 1       "), empty(kTwenty), empty(kTwenty), value("T"),
        value("30000000007"), value("I"), empty(kTwenty), empty(kTwenty), empty(kTwenty),
        empty(kTwenty)},
       "",
       true},
      {"InvoiceItemAdd", 0x0700001C, invoiceItem(0x0000), "", true},
      {"InvoiceItemReturn", 0x07000030, invoiceItem(0x0001), "", true},
      {"InvoicePayment", 0x0700001E, closeOrPay(0x0B05, 0x0000, 5, "", {"08", "00000010000"}), "",
       true},
      {"InvoiceClose", 0x0700001D, closeOrPay(0x0B06, 0x0013, 6, "", {"3"}), "", true},
      {"InvoiceCancel", 0x0700001B, {}, "0B07|0000", true},
      {"NonFiscalOpen", 0x0700000E, {}, "0E01|0000", true},
      {"NonFiscalText",
       0x0700000F,
       {binary(0x0E02), binary(0x0000), value("Prueba documento NF")},
       "",
       true},
      {"NonFiscalClose", 0x07000010, closeOrPay(0x0E06, 0x0001, 6, " ", {}), "", true},
      {"ClosingZ", 0x07000017, {}, "0801|0C00", false},
      {"ClosingX", 0x07000018, {}, "0802|0C21", false},
      {"JournalTotal", 0x07000019, {}, "0803|0C20", false},
      {"DrawerOpen", 0x07000014, {}, "0707|0000", true},
  };
}

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.procedure;
}

class CommandBytes : public spine_test::SpineTest, public ::testing::WithParamInterface<Case> {};

TEST_P(CommandBytes, ClickSendsExactCallsBytesAndLengths) {
  const Case& c = GetParam();
  recorder_.setResult("getLastError", 7);
  click(c.button);
  const auto calls = recorder_.calls();

  std::vector<std::string> expectedNames;
  if (c.packed.empty()) {
    expectedNames.assign(c.fields.size(), "AddDataField");
    expectedNames.push_back("SendCommand");
  } else {
    expectedNames.push_back("SendCommandComplete");
  }
  if (c.resultStep) expectedNames.push_back("getLastError");
  ASSERT_EQ(recorder_.names(), expectedNames);

  for (std::size_t i = 0; i < c.fields.size(); ++i) {
    SCOPED_TRACE("field call " + std::to_string(i + 1));
    EXPECT_EQ(calls[i].intArg, c.fields[i].length);
    EXPECT_EQ(bytesOf(calls[i]), c.fields[i].bytes);
    if (c.fields[i].length == 0) {
      EXPECT_EQ(atAddressOf(calls[i]), c.fields[i].atAddress);
    }
  }
  if (c.packed.empty()) {
    EXPECT_EQ(calls[c.fields.size()].areaAllZero, 1) << "command area starts zero-filled";
  } else {
    EXPECT_EQ(bytesOf(calls[0]), c.packed + '\0') << "nine characters and one zero byte";
  }
  if (c.resultStep) {
    EXPECT_EQ(estado().shown, "7");
    EXPECT_EQ(estado().puts.back().valueType, console::kNumberValueType);
  } else {
    EXPECT_TRUE(estado().puts.empty()) << "closings leave ESTADO alone";
  }
  EXPECT_EQ(totalPuts(), c.resultStep ? 1u : 0u);
}

TEST_P(CommandBytes, SecondClickSendsIdenticalBytes) {
  const Case& c = GetParam();
  click(c.button);
  const auto first = recorder_.calls();
  recorder_.reset();
  click(c.button);
  const auto second = recorder_.calls();
  ASSERT_EQ(first.size(), second.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_STREQ(first[i].name, second[i].name);
    EXPECT_EQ(bytesOf(first[i]), bytesOf(second[i]));
    EXPECT_EQ(first[i].intArg, second[i].intArg);
    EXPECT_EQ(first[i].address, second[i].address) << "module storage, not temporaries";
  }
}

INSTANTIATE_TEST_SUITE_P(AllCommands, CommandBytes, ::testing::ValuesIn(cases()),
                         [](const auto& param) { return std::string(param.param.procedure); });

class SharedAddresses : public spine_test::SpineTest {};

// The empty fields of one command stand at one address; each field-list command
// hands its own command area to SendCommand.
TEST_F(SharedAddresses, EmptyFieldsShareAddressAndAreasAreOwnPerProcedure) {
  click(0x0700000B);  // ticket ITEM +
  auto calls = recorder_.calls();
  const void* first = calls[2].address;
  for (std::size_t i : {3u, 4u, 5u, 10u, 11u, 12u, 13u, 16u}) EXPECT_EQ(calls[i].address, first);
  const void* itemArea = calls[17].address;

  recorder_.reset();
  click(0x07000012);  // ticket Pago
  calls = recorder_.calls();
  for (std::size_t i = 3; i <= 6; ++i) EXPECT_EQ(calls[i].address, calls[2].address);
  EXPECT_NE(calls[9].address, itemArea);

  recorder_.reset();
  click(0x07000011);  // ticket ITEM -: its own area, though its fields equal ITEM +
  EXPECT_NE(recorder_.calls()[17].address, itemArea);
}

TEST(CommandTable, PackedTextsSpellTheirWords) {
  for (const console::CommandSpec* spec : console::commandTable()) {
    if (spec->sending != console::Sending::Packed) continue;
    char expected[16];
    std::snprintf(expected, sizeof expected, "%04X|%04X", spec->command.value,
                  spec->extension.value);
    EXPECT_EQ(spec->packed, expected) << spec->procedure;
  }
}

}  // namespace
