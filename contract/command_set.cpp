#include "contract/command_set.h"

namespace fp::contract {

const std::vector<const CommandSpec*>& commandTable() {
  static const std::vector<const CommandSpec*> table = [] {
    std::vector<const CommandSpec*> rows;
    for (auto group :
         {ticketCommands(), invoiceCommands(), nonFiscalCommands(), closingCommands()}) {
      for (const CommandSpec& spec : group) rows.push_back(&spec);
    }
    return rows;
  }();
  return table;
}

const CommandSpec* findCommand(std::uint16_t command, std::uint16_t extension) {
  for (const CommandSpec* spec : commandTable()) {
    if (spec->command.value == command && spec->extension.value == extension) return spec;
  }
  return nullptr;
}

const CommandSpec* findCommand(std::string_view name) {
  for (const CommandSpec* spec : commandTable()) {
    if (spec->name == name) return spec;
  }
  return nullptr;
}

}  // namespace fp::contract
