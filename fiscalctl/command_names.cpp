#include "fiscalctl/command_names.h"

#include <utility>

namespace fiscalctl {
namespace {

// The caption of each command's button, by the command's name, for `list`.
struct Caption {
  std::string_view name;
  std::string_view button;
};

constexpr Caption kCaptions[] = {
    {"ticket-open", "ABRIR TIQUE"},
    {"ticket-item", "ITEM + (ticket)"},
    {"ticket-return", "ITEM - (ticket)"},
    {"ticket-pay", "Pago"},
    {"ticket-close", "CERRAR TIQUE"},
    {"ticket-cancel", "CANCELA TIQUE"},
    {"invoice-open", "ABRIR FACTURA (A)"},
    {"invoice-item", "ITEM + (invoice)"},
    {"invoice-return", "ITEM - (invoice)"},
    {"invoice-pay", "PAGO"},
    {"invoice-close", "CERRAR FACTURA (A)"},
    {"invoice-cancel", "CANCELA FACTURA(A)"},
    {"nonfiscal-open", "Abrir NF"},
    {"nonfiscal-text", "Texto NF"},
    {"nonfiscal-close", "Cerrar NF"},
    {"closing-z", "CIERRE Z"},
    {"closing-x", "CIERRE X"},
    {"journal-total", "TOTAL JORNAL"},
    {"drawer-open", "ABRIR CAJON1"},
};

std::vector<NamedCommand> build() {
  std::vector<NamedCommand> all;
  for (const fp::contract::CommandSpec* spec : fp::contract::commandTable()) {
    std::string_view button;
    for (const Caption& caption : kCaptions) {
      if (caption.name == spec->name) button = caption.button;
    }
    all.push_back({spec->name, spec, button});
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
  const fp::contract::CommandSpec* spec = fp::contract::findCommand(command, extension);
  return spec != nullptr ? spec->name : std::string_view{};
}

}  // namespace fiscalctl
