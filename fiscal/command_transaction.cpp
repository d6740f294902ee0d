#include "fiscal/command_transaction.h"

#include "shell/property_put.h"

namespace console {

void CommandTransaction::send(const CommandRow& spec, CommandArea& area) {
  result_ = fp::host::sendRow(library_, spec, area, event_.scratch);
}

void CommandTransaction::showLastError() {
  const std::int32_t code = library_.getLastError();
  result_ = PropertyPut(event_.controls, ControlTable::kEstado, Property::Caption, code);
}

std::int32_t runCommand(PrinterLibrary& library, EventContext& event, const CommandRow& spec,
                        CommandArea& area) {
  CommandTransaction transaction(library, event);
  transaction.send(spec, area);
  if (spec.resultStep) transaction.showLastError();
  return transaction.result();
}

}  // namespace console
