#include "fiscal/command_transaction.h"

#include <algorithm>

#include "app/module_storage.h"
#include "shell/property_put.h"

namespace console {

void CommandTransaction::sendFieldCommand(const CommandSpec& spec, char* commandArea) {
  PrinterLibrary& library = event_.library;
  result_ = library.AddDataField(spec.command.bytes.data(), 2);
  result_ = library.AddDataField(spec.extension.bytes.data(), 2);
  for (const DataField& field : spec.fields) {
    result_ = library.AddDataField(field.address, field.length);
  }
  result_ = library.SendCommand(commandArea);
}

void CommandTransaction::sendPackedCommand(std::string_view packed) {
  // The scratch area is all zero bytes at the start of the event, and is longer
  // than the text, so the copy stands ended by a zero byte.
  static_assert(kScratchSize > kPackedLength);
  std::copy_n(packed.begin(), std::min(packed.size(), kPackedLength), event_.scratch.begin());
  result_ = event_.library.SendCommandComplete(event_.scratch.data());
}

void CommandTransaction::showLastError() {
  std::int32_t& code = event_.storage.fiscal.errorCode;
  code = event_.library.getLastError();
  result_ = PropertyPut(event_.controls, ControlTable::kEstado, Property::Caption, code);
}

std::int32_t runCommand(EventContext& event, const CommandSpec& spec) {
  CommandTransaction transaction(event);
  if (spec.sending == Sending::FieldList) {
    transaction.sendFieldCommand(spec, event.storage.fiscal.commandAreaOf(spec));
  } else {
    transaction.sendPackedCommand(spec.packed);
  }
  if (spec.resultStep) transaction.showLastError();
  return transaction.result();
}

}  // namespace console
