// The real printer library talking to a simulator process over a real
// pseudo-terminal, driven with the console's buttons.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fiscalprinter/fiscalprinter.h"
#include "tests/simulator/console_buttons.h"
#include "tests/simulator/simulator_process.h"

namespace sim_test {

class LibraryTest : public ::testing::Test {
 protected:
  // Starts a simulator with `args` and opens port 1 on it the way the console does.
  void connect(const std::vector<std::string>& args = {}) {
    simulator_ = std::make_unique<SimulatorProcess>(args);
    ASSERT_TRUE(simulator_->started());
    setenv("FISCALPRINTER_PORT1", simulator_->port().c_str(), 1);
    std::array<char, FP_AREA_SIZE> area{};
    Purge(area.data());
    GetAPIVersion(area.data());
    setComPort(1);
    setBaudRate(115200);
    setProtocolType(1);
    OpenPort(area.data());
    openCode_ = getLastError();
  }

  // Closes the port; the simulator must then end cleanly on SIGTERM.
  void TearDown() override {
    std::array<char, FP_AREA_SIZE> area{};
    ClosePort(area.data());
    unsetenv("FISCALPRINTER_PORT1");
    if (simulator_) {
      EXPECT_EQ(simulator_->stop(), 0);
      simulator_.reset();
    }
  }

  // Sends the button's command as the console does and returns getLastError().
  int press(const Button& button) {
    if (button.packed) {
      char packed[10];
      std::snprintf(packed, sizeof packed, "%04X|%04X", button.word, button.extension);
      SendCommandComplete(packed);
      return getLastError();
    }
    const char word[2] = {static_cast<char>(button.word >> 8), static_cast<char>(button.word)};
    const char extension[2] = {static_cast<char>(button.extension >> 8),
                               static_cast<char>(button.extension)};
    AddDataField(word, 2);
    AddDataField(extension, 2);
    for (const std::string& field : button.fields) {
      AddDataField(field.c_str(), static_cast<int>(field.size()));
    }
    std::array<char, FP_AREA_SIZE> area{};
    SendCommand(area.data());
    reply_.assign(area.data(), strnlen(area.data(), area.size()));
    return getLastError();
  }

  // Presses every button in order and expects each to succeed.
  void pressAll(std::initializer_list<Button> buttons) {
    for (const Button& button : buttons) {
      ASSERT_EQ(press(button), 0) << std::hex << button.word << "|" << button.extension;
    }
  }

  std::unique_ptr<SimulatorProcess> simulator_;
  int openCode_ = -1;
  std::string reply_;  // what SendCommand left in its area
};

}  // namespace sim_test
