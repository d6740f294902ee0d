#include "fiscal/command_transaction.h"

#include <algorithm>

#include "shell/property_put.h"

namespace console {

using fp::contract::DataField;
using fp::contract::kPackedLength;
using fp::contract::Sending;

void CommandTransaction::sendFieldCommand(const CommandRow& spec, CommandArea& area) {
  result_ = library_.AddDataField(spec.command.bytes.data(), 2);
  result_ = library_.AddDataField(spec.extension.bytes.data(), 2);
  for (const DataField& field : spec.fields) {
    result_ = library_.AddDataField(field.address, field.length);
  }
  result_ = library_.SendCommand(area.data());
}

void CommandTransaction::sendPackedCommand(std::string_view packed) {
  // The scratch area is all zero bytes at the start of the event, and is longer
  // than the text, so the copy stands ended by a zero byte.
  static_assert(kScratchSize > kPackedLength);
  std::copy_n(packed.begin(), std::min(packed.size(), kPackedLength), event_.scratch.begin());
  result_ = library_.SendCommandComplete(event_.scratch.data());
}

void CommandTransaction::showLastError() {
  const std::int32_t code = library_.getLastError();
  result_ = PropertyPut(event_.controls, ControlTable::kEstado, Property::Caption, code);
}

std::int32_t runCommand(PrinterLibrary& library, EventContext& event, const CommandRow& spec,
                        CommandArea& area) {
  CommandTransaction transaction(library, event);
  if (spec.sending == Sending::FieldList) {
    transaction.sendFieldCommand(spec, area);
  } else {
    transaction.sendPackedCommand(std::string_view(spec.packed.data(), spec.packed.size()));
  }
  if (spec.resultStep) transaction.showLastError();
  return transaction.result();
}

}  // namespace console
