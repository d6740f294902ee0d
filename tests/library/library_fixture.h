// Tests of the library through its C entry points, in-process, against a fake
// printer on a pseudo-terminal named by FISCALPRINTER_PORT1.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fiscalprinter/fiscalprinter.h"
#include "tests/library/fake_printer.h"

namespace fp::testing {

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("FISCALPRINTER_TRACE");
    Purge(area_);
    setComPort(1);
    setBaudRate(115200);
    setProtocolType(1);
  }

  void TearDown() override {
    char closing[FP_AREA_SIZE] = {};
    ClosePort(closing);
    ::unsetenv("FISCALPRINTER_PORT1");
  }

  // What the library traced while `run` ran, the trace written to a file of
  // this test's own.
  template <typename Run>
  static std::string traced(Run run) {
    const std::string path = ::testing::TempDir() + "fiscal-trace-" + std::to_string(::getpid());
    std::remove(path.c_str());
    ::setenv("FISCALPRINTER_TRACE", path.c_str(), 1);
    run();
    ::unsetenv("FISCALPRINTER_TRACE");
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(path.c_str());
    return text.str();
  }

  // Starts a printer following `script` as port 1 and opens the port.
  int openWith(const Script& script) {
    printer_ = std::make_unique<FakePrinter>(script);
    ::setenv("FISCALPRINTER_PORT1", printer_->device().c_str(), 1);
    OpenPort(area_);
    return getLastError();
  }

  static void addWord(std::uint16_t word) {
    const char bytes[2] = {static_cast<char>(word >> 8), static_cast<char>(word & 0xFF)};
    AddDataField(bytes, 2);
  }

  static void addText(const std::string& text) {
    AddDataField(text.c_str(), static_cast<int>(text.size()));
  }

  // The command frames the printer received, handshakes left out.
  std::vector<protocol::CommandMessage> commandFrames() const {
    std::vector<protocol::CommandMessage> commands;
    for (const auto& frame : printer_->framesReceived()) {
      if (frame.command != protocol::kHelloCommand) commands.push_back(frame);
    }
    return commands;
  }

  std::unique_ptr<FakePrinter> printer_;
  char area_[FP_AREA_SIZE] = {};
};

}  // namespace fp::testing
