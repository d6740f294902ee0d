// A console module wired to the recording library and to plain test controls.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/console_module.h"
#include "shell/property_put.h"
#include "tests/support/recorder.h"

namespace spine_test {

// The 33 control identifiers in ascending order: ControlTable positions 1..33.
inline constexpr std::array<console::ControlId, 33> kControlIds = {
    0x07000007, 0x07000009, 0x0700000B, 0x0700000C, 0x0700000D, 0x0700000E, 0x0700000F,
    0x07000010, 0x07000011, 0x07000012, 0x07000014, 0x07000015, 0x07000016, 0x07000017,
    0x07000018, 0x07000019, 0x0700001A, 0x0700001B, 0x0700001C, 0x0700001D, 0x0700001E,
    0x07000022, 0x07000025, 0x07000026, 0x07000027, 0x07000028, 0x07000029, 0x0700002A,
    0x0700002C, 0x0700002D, 0x0700002F, 0x07000030, 0x07000031};

// A control that shows what it is given, as a real one would, and notes when.
class TestControl : public console::Control {
 public:
  std::int32_t put(console::Property property, std::uint32_t valueType,
                   const void* value) override {
    puts.push_back({property, valueType, console::displayText(valueType, value), clock()});
    shown = puts.back().shown;
    return 0;
  }

  struct Put {
    console::Property property;
    std::uint32_t valueType;
    std::string shown;
    std::size_t libraryCallsBefore;  // recorded library calls when the put happened
  };
  std::vector<Put> puts;
  std::string shown;
  std::function<std::size_t()> clock = [] { return std::size_t{0}; };
};

class SpineTest : public ::testing::Test {
 protected:
  explicit SpineTest(std::string libraryPath = testing_support::recordingLibraryPath())
      : module_(std::make_unique<console::ConsoleModule>(runtime_, libraryPath)) {
    for (int i = 0; i < console::ControlTable::kSize; ++i) {
      controls_[static_cast<std::size_t>(i)].clock = [this] { return recorder_.calls().size(); };
      table_.set(i, &controls_[static_cast<std::size_t>(i)]);
    }
  }

  std::int32_t raise(console::ControlId control, console::EventId event) {
    return module_->MAINFORM(table_, control, event, 0, 0);
  }
  std::int32_t click(console::ControlId control) { return raise(control, console::kClick); }

  TestControl& at(int position) { return controls_[static_cast<std::size_t>(position)]; }
  TestControl& estado() { return at(console::ControlTable::kEstado); }
  TestControl& comunicacion() { return at(console::ControlTable::kComunicacion); }

  // Every put on any control, for "nothing changed" checks.
  std::size_t totalPuts() const {
    std::size_t n = 0;
    for (const TestControl& c : controls_) n += c.puts.size();
    return n;
  }

  testing_support::Recorder recorder_;
  std::ostringstream errors_;
  console::ProgramRuntime runtime_{errors_};
  std::unique_ptr<console::ConsoleModule> module_;
  std::array<TestControl, console::ControlTable::kSize> controls_;
  console::ControlTable table_;
};

}  // namespace spine_test
