// Status query: the two status words, shown whole as decimal numbers.
#include "app/module_storage.h"
#include "shell/property_put.h"
#include "fiscal/commands.h"

namespace console {

std::int32_t StatusQuery(EventContext& event) {
  FiscalStorage& storage = event.storage.fiscal;
  storage.printerStatus = event.library.getPrinterStatus();
  PropertyPut(event.controls, ControlTable::kCm1, Property::Caption, storage.printerStatus);
  storage.fiscalStatus = event.library.getFiscalStatus();
  return PropertyPut(event.controls, ControlTable::kCm2, Property::Caption, storage.fiscalStatus);
}

std::int32_t EmptyProcedure(EventContext& /*event*/) {
  return 0;
}

}  // namespace console
