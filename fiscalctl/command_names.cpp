#include "fiscalctl/command_names.h"

#include <array>
#include <utility>

namespace fiscalctl {
namespace {

struct NameOfProcedure {
  std::string_view name;
  std::string_view procedure;
  std::string_view button;
};

constexpr std::array<NameOfProcedure, console::kCommandCount> kNames = {{
    {"ticket-open", "TicketOpen", "ABRIR TIQUE"},
    {"ticket-item", "TicketItemAdd", "ITEM + (ticket)"},
    {"ticket-return", "TicketItemReturn", "ITEM - (ticket)"},
    {"ticket-pay", "TicketPayment", "Pago"},
    {"ticket-close", "TicketClose", "CERRAR TIQUE"},
    {"ticket-cancel", "TicketCancel", "CANCELA TIQUE"},
    {"invoice-open", "InvoiceOpen", "ABRIR FACTURA (A)"},
    {"invoice-item", "InvoiceItemAdd", "ITEM + (invoice)"},
    {"invoice-return", "InvoiceItemReturn", "ITEM - (invoice)"},
    {"invoice-pay", "InvoicePayment", "PAGO"},
    {"invoice-close", "InvoiceClose", "CERRAR FACTURA (A)"},
    {"invoice-cancel", "InvoiceCancel", "CANCELA FACTURA(A)"},
    {"nonfiscal-open", "NonFiscalOpen", "Abrir NF"},
    {"nonfiscal-text", "NonFiscalText", "Texto NF"},
    {"nonfiscal-close", "NonFiscalClose", "Cerrar NF"},
    {"closing-z", "ClosingZ", "CIERRE Z"},
    {"closing-x", "ClosingX", "CIERRE X"},
    {"journal-total", "JournalTotal", "TOTAL JORNAL"},
    {"drawer-open", "DrawerOpen", "ABRIR CAJON1"},
}};

std::vector<NamedCommand> build() {
  std::vector<NamedCommand> all;
  for (const console::CommandSpec* spec : console::commandTable()) {
    for (const NameOfProcedure& entry : kNames) {
      if (entry.procedure == spec->procedure) all.push_back({entry.name, spec, entry.button});
    }
  }
  all.push_back({"status", nullptr, "ESTADO"});
  return all;
}

}  // namespace

const std::vector<NamedCommand>& namedCommands() {
  static const std::vector<NamedCommand> all = build();
  return all;
}

const NamedCommand* findCommand(std::string_view name) {
  for (const NamedCommand& command : namedCommands()) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

std::string_view nameForWords(std::uint16_t command, std::uint16_t extension) {
  for (const NamedCommand& named : namedCommands()) {
    if (named.spec != nullptr && named.spec->command.value == command &&
        named.spec->extension.value == extension) {
      return named.name;
    }
  }
  return {};
}

}  // namespace fiscalctl
