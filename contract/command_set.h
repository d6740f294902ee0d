// The printer's command set: one row per command, read by the console's
// procedures, by the virtual printer's dispatch, by fiscalctl and by the tests.
// Depends on nothing but the standard library.
//
// Each row names the command twice: `name` ("ticket-item") is how fiscalctl and
// the virtual printer call it, `procedure` ("TicketItemAdd") is the console's
// procedure. For the console's buttons the row also holds what the button sends:
// the further fields (with the addresses they are handed from), or the packed text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace fp::contract {

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

inline constexpr std::size_t kPackedLength = 9;  // "HHHH|HHHH"

struct CommandSpec {
  std::string_view name;       // "ticket-item", "ticket-return", "nonfiscal-text"
  std::string_view procedure;  // the console's procedure, "TicketItemAdd"
  std::uint32_t button;        // control identifier of the console's button
  BinaryWord command;
  BinaryWord extension;
  Sending sending;
  std::span<const DataField> fields;  // the further fields, after the two words
  std::string_view packed;            // kPackedLength characters, for packed commands
  bool resultStep;                    // the console shows getLastError afterwards
};

// The rows of each group, in their source's order.
std::span<const CommandSpec> ticketCommands();     // consumer ticket (ticket.cpp)
std::span<const CommandSpec> invoiceCommands();    // "A" invoice (invoice.cpp)
std::span<const CommandSpec> nonFiscalCommands();  // non-fiscal document (non_fiscal.cpp)
std::span<const CommandSpec> closingCommands();    // closings and cash drawer (closings.cpp)

// Every command: the groups above, one after the other.
const std::vector<const CommandSpec*>& commandTable();

// The row of a command/extension pair or of a name; nullptr when there is none.
const CommandSpec* findCommand(std::uint16_t command, std::uint16_t extension);
const CommandSpec* findCommand(std::string_view name);

}  // namespace fp::contract
