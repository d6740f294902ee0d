// The form's objects by position, and the identifiers events carry.
#pragma once

#include <array>
#include <cstdint>

namespace console {

using ControlId = std::uint32_t;
using EventId = std::int32_t;

inline constexpr ControlId kMainFormId = 0x07000001;

// Event identifiers, compared over their full 32 bits.
inline constexpr EventId kClick = -600;  // 0xFFFFFDA8
inline constexpr EventId kFormOpened = 0x07000100;
inline constexpr EventId kFormClosed = 0x07000101;
inline constexpr EventId kSecondaryEvent = static_cast<EventId>(0x80013000u);

// Dispatch identifiers of the two properties procedures set.
enum class Property : std::int64_t { Caption = -518, Text = -517 };

// Value type words handed with a property value.
inline constexpr std::uint32_t kTextValueType = 0x02014008;    // 8192-byte text field
inline constexpr std::uint32_t kNumberValueType = 0x02014006;  // int64, number x 10000

// A live control (or the form) on which a property can be set.
class Control {
 public:
  virtual ~Control() = default;
  // Property put by identifier. `value` points at the 8192-byte text field for
  // kTextValueType or at an int64 for kNumberValueType. Returns 0 when the property
  // was set, nonzero when this control has no such property or type.
  virtual std::int32_t put(Property property, std::uint32_t valueType, const void* value) = 0;
};

// Position 0 is the form; 1..33 the controls in ascending identifier order.
class ControlTable {
 public:
  static constexpr int kSize = 34;

  // Positions procedures reach.
  static constexpr int kComunicacion = 13;
  static constexpr int kCm1 = 25;
  static constexpr int kCm2 = 26;
  static constexpr int kEstado = 31;

  void set(int position, Control* control) {
    entries_.at(static_cast<std::size_t>(position)) = control;
  }
  // The control at `position`, or nullptr when the position is empty or out of range.
  Control* at(int position) const {
    if (position < 0 || position >= kSize) return nullptr;
    return entries_[static_cast<std::size_t>(position)];
  }

 private:
  std::array<Control*, kSize> entries_{};
};

}  // namespace console
