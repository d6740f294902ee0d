// Commands as field lists and packed texts: what reaches the printer, what comes
// back, and the field list's life between sends.
#include <cstring>
#include <utility>

#include "tests/library/library_fixture.h"

namespace fp::testing {
namespace {

using Commands = LibraryTest;

std::string everyByte() {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  return all;
}

TEST_F(Commands, FieldsTravelByteForByteAndEmptyFieldsStayEmpty) {
  ASSERT_EQ(openWith(Script{}), FP_OK);
  addWord(0x0A02);
  addWord(0x0013);
  addText("Venta de item       ");
  AddDataField(" ", 0);  // length 0: empty, whatever stands at the address
  AddDataField("07", 0);
  addText(everyByte());
  EXPECT_EQ(SendCommand(area_), FP_OK);
  const auto executed = printer_->executed();
  ASSERT_EQ(executed.size(), 1u);
  EXPECT_EQ(executed[0].command, 0x0A02);
  EXPECT_EQ(executed[0].extension, 0x0013);
  EXPECT_EQ(executed[0].fields,
            (std::vector<std::string>{"Venta de item       ", "", "", everyByte()}));
}

TEST_F(Commands, PackedTextSendsItsTwoWordsAndNothingMalformedIsSent) {
  ASSERT_EQ(openWith(Script{}), FP_OK);
  EXPECT_EQ(SendCommandComplete("0801|0C00"), FP_OK);
  for (const char* bad : std::initializer_list<const char*>{"0801|0c00", "0801|0C0", "0801|0C000",
                                                            "0801 0C00", "", nullptr}) {
    EXPECT_EQ(SendCommandComplete(bad), FP_MALFORMED_PACKED) << (bad ? bad : "null");
  }
  const auto executed = printer_->executed();
  ASSERT_EQ(executed.size(), 1u);
  EXPECT_EQ(executed[0].command, 0x0801);
  EXPECT_EQ(executed[0].extension, 0x0C00);
  EXPECT_TRUE(executed[0].fields.empty());
}

TEST_F(Commands, RefusalGivesThousandPlusReturnCodeWithTheReplyStatusWords) {
  Script refusing;
  refusing.returnCode = 2;
  refusing.printerStatus = 0x0002;
  refusing.fiscalStatus = 0x0021;
  refusing.replyFields = {"00000009"};
  ASSERT_EQ(openWith(refusing), FP_OK);
  addWord(0x0A07);
  addWord(0x0000);
  std::strcpy(area_, "left over");
  EXPECT_EQ(SendCommand(area_), FP_REFUSED_BASE + 2);
  EXPECT_STREQ(area_, "");  // a refusal's fields are not a result
  EXPECT_EQ(SendCommandComplete("0A07|0000"), FP_REFUSED_BASE + 2);
  EXPECT_EQ(getLastError(), 1002);
  EXPECT_STREQ(getErrorText(1002), "printer refused the command");
  EXPECT_EQ(getPrinterStatus(), 0x0002);
  EXPECT_EQ(getFiscalStatus(), 0x0021);
}

TEST_F(Commands, ReplyFieldsAreWrittenAsTextNeverPastTheArea) {
  Script script;
  script.replyFields = {"00000042", std::string("a\0b", 3), std::string(500, 'x')};
  ASSERT_EQ(openWith(script), FP_OK);
  char area[FP_AREA_SIZE + 32];
  std::memset(area, 0x5A, sizeof area);
  addWord(0x0A06);
  addWord(0x0013);
  EXPECT_EQ(SendCommand(area), FP_OK);
  EXPECT_EQ(std::strlen(area), FP_AREA_SIZE - 1u);
  EXPECT_EQ(std::string(area, 14), "00000042|a.b|x");
  for (std::size_t i = FP_AREA_SIZE; i < sizeof area; ++i) ASSERT_EQ(area[i], 0x5A) << i;
}

TEST_F(Commands, ReadersGiveTheLastReplysFieldsWholeAndTheWordsNames) {
  Script script;
  script.replyFields = {"00000042", std::string("a\0b", 3), std::string(500, 'x')};
  ASSERT_EQ(openWith(script), FP_OK);
  ASSERT_EQ(SendCommandComplete("0A01|0000"), FP_OK);  // packed: no area, fields still kept
  ASSERT_EQ(getReplyFieldCount(), 3);
  char buffer[16];
  std::memset(buffer, 0x5A, sizeof buffer);
  EXPECT_EQ(getReplyField(1, buffer, 8), 3);
  EXPECT_EQ(std::string(buffer, 4), std::string("a\0b\0", 4));
  std::memset(buffer, 0x5A, sizeof buffer);
  EXPECT_EQ(getReplyField(2, buffer, 10), 500);  // cut short, never past `size`
  EXPECT_EQ(std::string(buffer, 11), std::string(10, 'x') + '\x5A');
  for (auto [index, size] : {std::pair{3, 16}, {-1, 16}, {0, -1}}) {
    EXPECT_EQ(getReplyField(index, buffer, size), 0) << index << " " << size;
  }
  EXPECT_EQ(getReplyField(0, nullptr, 16), 0);
  EXPECT_EQ(getLastError(), FP_OK);  // reading changes no code
  EXPECT_EQ(SendCommandComplete("0A01|000"), FP_MALFORMED_PACKED);
  EXPECT_EQ(getReplyFieldCount(), 0);  // no reply, no fields

  EXPECT_STREQ(getStatusBitName(FP_PRINTER_STATUS_WORD, 2), "drawer open");
  EXPECT_STREQ(getStatusBitName(FP_FISCAL_STATUS_WORD, 5), "last command refused");
  for (auto [word, bit] : {std::pair{0, 8}, {1, 15}, {2, 0}, {1, -1}, {1, 16}}) {
    EXPECT_STREQ(getStatusBitName(word, bit), "") << word << " " << bit;
  }
  EXPECT_STREQ(getReturnCodeText(2), "out of order");
  for (int unused : {0, 12, 0x10000, -2}) EXPECT_STREQ(getReturnCodeText(unused), "") << unused;
}

TEST_F(Commands, FieldListIsEmptyAfterASendThatFailedBeforeTheLine) {
  addWord(0x0A02);
  addWord(0x0000);
  addText("left over");
  EXPECT_EQ(SendCommand(area_), FP_NOT_OPEN);
  ASSERT_EQ(openWith(Script{}), FP_OK);

  for (int i = 0; i < 70; ++i) addWord(0x0E02);  // more fields than a frame may carry
  EXPECT_EQ(SendCommand(area_), FP_FIELD_LIST_TOO_LONG);
  AddDataField("\x0E", 1);  // a command word of one byte
  addWord(0x0000);
  EXPECT_EQ(SendCommand(area_), FP_MALFORMED_COMMAND);
  addWord(0x0E02);
  AddDataField(nullptr, 5);
  EXPECT_EQ(SendCommand(area_), FP_BAD_ARGUMENT);
  EXPECT_TRUE(commandFrames().empty());

  addWord(0x0E02);
  addWord(0x0000);
  addText("texto");
  EXPECT_EQ(SendCommand(area_), FP_OK);
  const auto executed = printer_->executed();
  ASSERT_EQ(executed.size(), 1u);
  EXPECT_EQ(executed[0].command, 0x0E02);
  EXPECT_EQ(executed[0].fields, std::vector<std::string>{"texto"});
}

TEST_F(Commands, FieldListIsEmptyAfterASendThePrinterNeverAnswered) {
  Script mute;  // acknowledges, runs the first command, loses every reply to it
  mute.dropReplies = protocol::kMaxTransmissions;
  ASSERT_EQ(openWith(mute), FP_OK);
  addWord(0x0A02);
  addWord(0x0000);
  addText("first");
  EXPECT_EQ(SendCommand(area_), FP_TIMEOUT);
  addWord(0x0A05);
  addWord(0x0000);
  EXPECT_EQ(SendCommand(area_), FP_OK);
  const auto executed = printer_->executed();
  ASSERT_EQ(executed.size(), 2u);
  EXPECT_EQ(executed[1].command, 0x0A05);
  EXPECT_TRUE(executed[1].fields.empty());
}

TEST_F(Commands, PurgeDropsAHalfGatheredList) {
  ASSERT_EQ(openWith(Script{}), FP_OK);
  addWord(0x0B01);
  addText("stale");
  Purge(area_);
  addWord(0x0707);
  addWord(0x0000);
  EXPECT_EQ(SendCommand(area_), FP_OK);
  const auto executed = printer_->executed();
  ASSERT_EQ(executed.size(), 1u);
  EXPECT_EQ(executed[0].command, 0x0707);
}

TEST_F(Commands, EachNewCommandGetsANewSequenceNumberAndRunsOnce) {
  ASSERT_EQ(openWith(Script{}), FP_OK);
  EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_OK);
  EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_OK);  // the same bytes, a new command
  const auto executed = printer_->executed();
  ASSERT_EQ(executed.size(), 2u);
  EXPECT_NE(executed[0].sequence, executed[1].sequence);
}

}  // namespace
}  // namespace fp::testing
