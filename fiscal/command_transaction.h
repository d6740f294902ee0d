// The one shape of every command procedure: hand the command to the printer
// library as a field list or as a packed text, then show the library's code.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "shell/event_context.h"

namespace console {

// One entry of the library's field list: the address of its bytes and the length
// handed with it. Length 0 is an empty field; bytes may still stand at the address.
struct DataField {
  const char* address;
  std::int32_t length;
};

// A command or extension word as the two bytes the library receives, high byte first.
struct BinaryWord {
  constexpr explicit BinaryWord(std::uint16_t word)
      : value(word), bytes{static_cast<char>(word >> 8), static_cast<char>(word & 0xFF)} {}
  std::uint16_t value;
  std::array<char, 2> bytes;
};

enum class Sending { FieldList, Packed };

// One row of the command table.
struct CommandSpec {
  std::string_view procedure;
  ControlId button;
  BinaryWord command;
  BinaryWord extension;
  Sending sending;
  std::span<const DataField> fields;  // the further fields, after the two words
  std::string_view packed;            // nine characters, for packed commands
  bool resultStep;
};

inline constexpr std::size_t kPackedLength = 9;

class CommandTransaction {
 public:
  explicit CommandTransaction(EventContext& event) : event_(event) {}

  // AddDataField for the two words and each further field, in order, then
  // SendCommand with `commandArea` (the procedure's own 256-byte area).
  void sendFieldCommand(const CommandSpec& spec, char* commandArea);
  // Builds the packed text in the event's scratch area (so it ends in a zero byte)
  // and hands it to SendCommandComplete.
  void sendPackedCommand(std::string_view packed);
  // getLastError, kept in module storage, then shown as the caption of ESTADO.
  void showLastError();

  // The procedure result: what the last call not kept as data returned.
  std::int32_t result() const { return result_; }

 private:
  EventContext& event_;
  std::int32_t result_ = 0;
};

// Runs the command of `spec` as its procedure: send it the way the table says,
// then the result step where the table asks for one.
std::int32_t runCommand(EventContext& event, const CommandSpec& spec);

}  // namespace console
