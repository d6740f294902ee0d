// OpenPort and its four codes for the console (0, 1, 2, 10), and the settings.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "tests/library/library_fixture.h"

namespace fp::testing {
namespace {

using PortOpening = LibraryTest;

TEST_F(PortOpening, AnsweredHandshakeGivesZeroIdentificationAndStatusWords) {
  Script script;
  script.printerStatus = 0x0004;
  script.fiscalStatus = 0x0011;
  ASSERT_EQ(openWith(script), FP_OK);
  EXPECT_STREQ(area_, "FAKE PRINTER|9.9");
  EXPECT_EQ(getPrinterStatus(), 0x0004);
  EXPECT_EQ(getFiscalStatus(), 0x0011);
  const auto frames = printer_->framesReceived();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].command, protocol::kHelloCommand);
  EXPECT_TRUE(frames[0].fields.empty());
}

// A printer that could not start afresh (its memory kept the last sequence
// number) refuses the handshake: the port is not left open for commands that
// it might take for repeats.
TEST_F(PortOpening, RefusedHandshakeIsARefusalAndClosesThePort) {
  Script script;
  script.helloReturnCode = 11;
  script.printerStatus = 0x0010;
  ASSERT_EQ(openWith(script), FP_REFUSED_BASE + 11);
  EXPECT_STREQ(area_, "printer refused the command");
  EXPECT_EQ(getPrinterStatus(), 0x0010);
  EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_NOT_OPEN);
  EXPECT_EQ(printer_->framesReceived().size(), 1u);
}

TEST_F(PortOpening, DeviceLockedThroughAnotherDescriptorIsBusy) {
  printer_ = std::make_unique<FakePrinter>(Script{});
  ::setenv("FISCALPRINTER_PORT1", printer_->device().c_str(), 1);
  const int holder = ::open(printer_->device().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  OpenPort(area_);
  EXPECT_EQ(getLastError(), FP_PORT_BUSY);
  EXPECT_TRUE(printer_->framesReceived().empty());
  ::close(holder);
  OpenPort(area_);
  EXPECT_EQ(getLastError(), FP_OK);
}

TEST_F(PortOpening, SecondProcessOnAnOpenPortIsBusy) {
  ASSERT_EQ(openWith(Script{}), FP_OK);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    char area[FP_AREA_SIZE] = {};
    OpenPort(area);
    ::_exit(getLastError());
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), FP_PORT_BUSY);
  EXPECT_EQ(printer_->framesReceived().size(), 1u);  // only the parent's handshake
}

TEST_F(PortOpening, MissingDeviceNonTerminalAndBadPortNumberAreInvalid) {
  ::setenv("FISCALPRINTER_PORT1", "/nonexistent/fiscal-port", 1);
  OpenPort(area_);
  EXPECT_EQ(getLastError(), FP_PORT_INVALID);

  std::string file = ::testing::TempDir() + "fiscal-not-a-tty-XXXXXX";
  const int fd = ::mkstemp(file.data());
  ASSERT_GE(fd, 0);
  ::setenv("FISCALPRINTER_PORT1", file.c_str(), 1);
  OpenPort(area_);
  EXPECT_EQ(getLastError(), FP_PORT_INVALID);
  ::close(fd);
  ::unlink(file.c_str());

  setComPort(0);
  EXPECT_EQ(getLastError(), FP_PORT_INVALID);
  OpenPort(area_);
  EXPECT_EQ(getLastError(), FP_PORT_INVALID);
}

TEST_F(PortOpening, SilentLineGivesTenAfterBoundedResendsAndFreesTheDevice) {
  Script silent;
  silent.silent = true;
  EXPECT_EQ(openWith(silent), FP_NO_PRINTER);
  const auto frames = printer_->framesReceived();
  ASSERT_EQ(frames.size(), static_cast<std::size_t>(protocol::kMaxTransmissions));
  for (const auto& frame : frames) EXPECT_EQ(frame.sequence, frames[0].sequence);
  // The port was closed again: its lock is free.
  const int fd = ::open(printer_->device().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  ::close(fd);
  EXPECT_EQ(SendCommandComplete("0707|0000"), FP_NOT_OPEN);
}

TEST_F(PortOpening, UnsupportedSettingsAreRefusedAndNothingIsOpened) {
  printer_ = std::make_unique<FakePrinter>(Script{});
  ::setenv("FISCALPRINTER_PORT1", printer_->device().c_str(), 1);
  EXPECT_EQ(setBaudRate(12345), FP_BAD_BAUD_RATE);
  EXPECT_EQ(getLastError(), FP_BAD_BAUD_RATE);
  OpenPort(area_);
  EXPECT_EQ(getLastError(), FP_BAD_BAUD_RATE);
  EXPECT_EQ(setBaudRate(9600), FP_OK);
  EXPECT_EQ(setProtocolType(2), FP_BAD_PROTOCOL_TYPE);
  OpenPort(area_);
  EXPECT_EQ(getLastError(), FP_BAD_PROTOCOL_TYPE);
  EXPECT_TRUE(printer_->framesReceived().empty());
  setProtocolType(1);
  OpenPort(area_);
  EXPECT_EQ(getLastError(), FP_OK);
}

TEST_F(PortOpening, VersionTextAndClosingWithoutAnOpenPort) {
  char area[FP_AREA_SIZE + 16];
  std::memset(area, 0x5A, sizeof area);
  EXPECT_EQ(GetAPIVersion(area), FP_OK);
  EXPECT_NE(std::strstr(area, "fiscalprinter"), nullptr);
  for (std::size_t i = FP_AREA_SIZE; i < sizeof area; ++i) ASSERT_EQ(area[i], 0x5A);
  EXPECT_EQ(ClosePort(area), FP_OK);
  EXPECT_EQ(ClosePort(area), FP_OK);
  EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_NOT_OPEN);
}

}  // namespace
}  // namespace fp::testing
