#include "contract/command_set.h"

#include <algorithm>

namespace fp::contract {

std::string wordsString(std::uint16_t command, std::uint16_t extension) {
  const PackedText text = wordsText(command, extension);
  return std::string(text.data(), text.size());
}

std::string commandLabel(std::uint16_t command, std::uint16_t extension) {
  constexpr std::uint16_t kHandshake = 0x0000;  // the wire's hello, with extension 0
  if (command == kHandshake && extension == 0) return "hello";
  const CommandRow* row = findCommand(command, extension);
  return row != nullptr ? std::string(row->name) : wordsString(command, extension);
}

std::string statisticKey(const CommandRow& row) {
  std::string key(row.name);
  std::replace(key.begin(), key.end(), '-', '_');
  return key;
}

const std::vector<const CommandRow*>& commandTable() {
  static const std::vector<const CommandRow*> table = [] {
    std::vector<const CommandRow*> rows;
    for (auto group : {ticketCommands(), invoiceCommands(), nonFiscalCommands(), closingCommands(),
                       clockAndMemoryCommands()}) {
      for (const CommandRow& row : group) rows.push_back(&row);
    }
    return rows;
  }();
  return table;
}

const CommandRow* findCommand(std::uint16_t command, std::uint16_t extension) {
  for (const CommandRow* row : commandTable()) {
    if (row->command.value == command && row->extension.value == extension) return row;
  }
  return nullptr;
}

const CommandRow* findCommand(std::string_view name) {
  for (const CommandRow* row : commandTable()) {
    if (row->name == name) return row;
  }
  return nullptr;
}

}  // namespace fp::contract
