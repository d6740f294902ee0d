// The library's pure parts: the field list, the area texts, the port names, the
// line speeds and the error texts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <string>

#include "fiscalprinter/fiscalprinter.h"
#include "libfiscalprinter/src/area_text.h"
#include "libfiscalprinter/src/baud_rate.h"
#include "libfiscalprinter/src/error_code.h"
#include "libfiscalprinter/src/field_list.h"
#include "libfiscalprinter/src/port_name.h"
#include "libfiscalprinter/src/serial_port.h"

namespace fp::lib {
namespace {

TEST(FieldList, WordsBecomeCommandAndExtensionTheRestFields) {
  FieldList list;
  EXPECT_EQ(list.add("\x0A\x02", 2), ErrorCode::kOk);
  EXPECT_EQ(list.add("\x00\x13", 2), ErrorCode::kOk);
  EXPECT_EQ(list.add("20 spaces here      ", 0), ErrorCode::kOk);
  EXPECT_EQ(list.add(nullptr, 0), ErrorCode::kOk);
  EXPECT_EQ(list.add("a\0b", 3), ErrorCode::kOk);
  protocol::CommandMessage command;
  ASSERT_EQ(list.toCommand(command), ErrorCode::kOk);
  EXPECT_EQ(command.command, 0x0A02);
  EXPECT_EQ(command.extension, 0x0013);
  EXPECT_EQ(command.fields, (std::vector<std::string>{"", "", std::string("a\0b", 3)}));
}

TEST(FieldList, RefusesWhatCannotBecomeACommand) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, int>> fields;
    ErrorCode expected;
  };
  const std::string longField(protocol::kMaxFieldLength + 1, 'x');
  const Case cases[] = {
      {"no fields", {}, ErrorCode::kMalformedCommand},
      {"command word only", {{"\x0A\x01", 2}}, ErrorCode::kMalformedCommand},
      {"short extension", {{"\x0A\x01", 2}, {"\x00", 1}}, ErrorCode::kMalformedCommand},
      {"empty command word", {{"", 0}, {"\x00\x00", 2}}, ErrorCode::kMalformedCommand},
      {"negative length", {{"\x0A\x01", 2}, {"\x00\x00", 2}, {"x", -1}}, ErrorCode::kBadArgument},
      {"no data", {{"\x0A\x01", 2}, {"\x00\x00", 2}, {nullptr, 4}}, ErrorCode::kBadArgument},
      {"field too long",
       {{"\x0A\x01", 2}, {"\x00\x00", 2}, {longField.c_str(), static_cast<int>(longField.size())}},
       ErrorCode::kFieldListTooLong},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FieldList list;
    for (const auto& [data, length] : c.fields) list.add(data, length);
    protocol::CommandMessage command;
    EXPECT_EQ(list.toCommand(command), c.expected);
  }
}

TEST(FieldList, LimitsOfCountAndTotalSizeAndClearingForgetsARefusal) {
  FieldList list;
  list.add("\x0E\x02", 2);
  list.add("\x00\x00", 2);
  for (std::size_t i = 0; i < protocol::kMaxFields; ++i)
    EXPECT_EQ(list.add("x", 1), ErrorCode::kOk);
  protocol::CommandMessage command;
  EXPECT_EQ(list.toCommand(command), ErrorCode::kOk);
  EXPECT_EQ(list.add("x", 1), ErrorCode::kFieldListTooLong);
  EXPECT_EQ(list.size(), 2 + protocol::kMaxFields);
  EXPECT_EQ(list.toCommand(command), ErrorCode::kFieldListTooLong);

  list.clear();
  const std::string big(protocol::kMaxFieldLength, 'y');
  list.add("\x0E\x02", 2);
  list.add("\x00\x00", 2);
  list.add(big.c_str(), static_cast<int>(big.size()));
  EXPECT_EQ(list.toCommand(command), ErrorCode::kOk);
  list.add(big.c_str(), static_cast<int>(big.size()));  // each fits, the frame does not
  EXPECT_EQ(list.toCommand(command), ErrorCode::kFieldListTooLong);
}

TEST(AreaText, NeverWritesPastTheAreaAndAlwaysEndsWithZero) {
  char area[kAreaSize + 8];
  std::memset(area, 0x5A, sizeof area);
  writeArea(area, std::string(1000, 'q'));
  EXPECT_EQ(std::strlen(area), kAreaSize - 1);
  for (std::size_t i = kAreaSize; i < sizeof area; ++i) EXPECT_EQ(area[i], 0x5A);
  writeArea(area, "ok");
  EXPECT_STREQ(area, "ok");
  writeArea(nullptr, "ignored");
}

TEST(AreaText, FieldsJoinWithBarsAndControlBytesShowAsDots) {
  EXPECT_EQ(fieldsText({}), "");
  EXPECT_EQ(fieldsText({"", ""}), "|");
  EXPECT_EQ(fieldsText({"12",
                        std::string("a\0\x1F\x7F"
                                    "b",
                                    5),
                        "\xE9"}),
            "12|a...b|\xE9");
}

TEST(PortName, EnvironmentVariableFirstThenTheSerialDevice) {
  ::unsetenv("FISCALPRINTER_PORT3");
  EXPECT_EQ(deviceForPort(3), "/dev/ttyS2");
  ::setenv("FISCALPRINTER_PORT1", "/dev/ttyS3", 1);  // each port has its own variable
  EXPECT_EQ(deviceForPort(1), "/dev/ttyS3");
  EXPECT_EQ(deviceForPort(3), "/dev/ttyS2");
  ::unsetenv("FISCALPRINTER_PORT1");
  ::setenv("FISCALPRINTER_PORT3", "/dev/ttyUSB0", 1);
  EXPECT_EQ(deviceForPort(3), "/dev/ttyUSB0");
  ::setenv("FISCALPRINTER_PORT3", "", 1);
  EXPECT_EQ(deviceForPort(3), "/dev/ttyS2");
  ::unsetenv("FISCALPRINTER_PORT3");
  EXPECT_FALSE(deviceForPort(0));
  EXPECT_FALSE(deviceForPort(-5));
}

TEST(BaudRate, StandardSpeedsOnly) {
  EXPECT_EQ(termiosSpeed(115200), B115200);
  EXPECT_EQ(termiosSpeed(9600), B9600);
  for (int bad : {0, -9600, 12345, 115201, 110}) EXPECT_FALSE(termiosSpeed(bad)) << bad;
}

// A line lost under a read or a write keeps the system's reason for the trace.
TEST(SerialPort, ALostLineKeepsTheSystemsReason) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  lib::SerialPort port;
  ASSERT_EQ(port.open(::ptsname(master), B115200), lib::OpenResult::kOpened);
  ::close(master);  // the device goes away
  const std::uint8_t ack[] = {0x06};
  EXPECT_EQ(port.writeAll(ack, std::chrono::milliseconds(100)), lib::IoStatus::kLost);
  EXPECT_EQ(port.lossReason(), "serial line lost: Input/output error (errno 5)");
}

TEST(ErrorText, EveryCodeHasItsOwnTextAndUnknownCodesAreSaidToBe) {
  std::set<std::string> texts;
  for (int code = FP_OK; code <= FP_FORKED; ++code) {
    const std::string text = getErrorText(code);
    EXPECT_NE(text, "unknown error code") << code;
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), static_cast<std::size_t>(FP_FORKED + 1));
  EXPECT_STREQ(getErrorText(FP_REFUSED_BASE + 1), "printer refused the command");
  EXPECT_STREQ(getErrorText(FP_REFUSED_BASE + 0xFFFF), "printer refused the command");
  for (int unknown : {-1, 16, 999, FP_REFUSED_BASE, FP_REFUSED_BASE + 0x10000})
    EXPECT_STREQ(getErrorText(unknown), "unknown error code") << unknown;
}

}  // namespace
}  // namespace fp::lib
