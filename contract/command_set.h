// The printer's command set: one row per command, read by the console's
// procedures, by the virtual printer's dispatch, by fiscalctl, by the
// documents' generated tables and by the tests. Depends on nothing but the
// standard library.
//
// A row is the command: its name, its two words, what it sends and what it
// does. Everything else is worked out from it: the packed text from the two
// words, the statistics key from the name, fiscalctl's list, help and
// captions (the caption from the console's form, by the row's button), and
// the documents' command tables (scripts/update-docs). For the console's
// buttons the row also holds the procedure and what the button sends: the
// further fields (with the addresses they are handed from), or the packed text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
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
using PackedText = std::array<char, kPackedLength>;

// The two words as the library's packed text and as tools show them:
// "0A02|0001", four upper-case hexadecimal digits each.
constexpr PackedText wordsText(std::uint16_t command, std::uint16_t extension) {
  constexpr char kHex[] = "0123456789ABCDEF";
  PackedText text{};
  for (int digit = 0; digit < 4; ++digit) {
    const int shift = 12 - 4 * digit;
    text[static_cast<std::size_t>(digit)] = kHex[(command >> shift) & 0xF];
    text[static_cast<std::size_t>(5 + digit)] = kHex[(extension >> shift) & 0xF];
  }
  text[4] = '|';
  return text;
}
std::string wordsString(std::uint16_t command, std::uint16_t extension);

// The control identifier of a command the console's window does not offer.
inline constexpr std::uint32_t kNoButton = 0;

struct CommandRow {
  constexpr CommandRow(std::string_view name_, std::string_view procedure_, std::uint32_t button_,
                       std::uint16_t command_, std::uint16_t extension_, Sending sending_,
                       std::span<const DataField> fields_, bool resultStep_,
                       std::string_view summary_)
      : name(name_),
        procedure(procedure_),
        button(button_),
        command(command_),
        extension(extension_),
        sending(sending_),
        fields(fields_),
        packed(wordsText(command_, extension_)),
        resultStep(resultStep_),
        summary(summary_) {}

  std::string_view name;       // "ticket-item", "ticket-return", "clock-read"
  std::string_view procedure;  // the console's procedure, "TicketItemAdd"; empty without a button
  std::uint32_t button;        // control identifier of the console's button, or kNoButton
  BinaryWord command;
  BinaryWord extension;
  Sending sending;
  std::span<const DataField> fields;  // the further fields, after the two words
  PackedText packed;                  // the text a packed command is sent as, from the words
  bool resultStep;                    // the console shows getLastError afterwards
  std::string_view summary;           // what it does, in a few words, for help and documents

  bool hasButton() const { return button != kNoButton; }
};

// The key a row is counted under in the virtual printer's statistics: its
// name with '_' for '-' ("ticket_item").
std::string statisticKey(const CommandRow& row);

// The rows of each group, in their source's order.
std::span<const CommandRow> ticketCommands();          // consumer ticket (ticket.cpp)
std::span<const CommandRow> invoiceCommands();         // "A" invoice (invoice.cpp)
std::span<const CommandRow> nonFiscalCommands();       // non-fiscal document (non_fiscal.cpp)
std::span<const CommandRow> closingCommands();         // closings and cash drawer (closings.cpp)
std::span<const CommandRow> clockAndMemoryCommands();  // clock, memory (clock_and_memory.cpp)

// Every command: the groups above, one after the other.
const std::vector<const CommandRow*>& commandTable();

// The row of a command/extension pair or of a name; nullptr when there is none.
const CommandRow* findCommand(std::uint16_t command, std::uint16_t extension);
const CommandRow* findCommand(std::string_view name);

// A command as the trace decoder and the watch stream name it: its row's name
// ("ticket-item"), "hello" for the handshake (0000|0000), or its words
// ("0A09|0000") for a command the set does not have.
std::string commandLabel(std::uint16_t command, std::uint16_t extension);

}  // namespace fp::contract
