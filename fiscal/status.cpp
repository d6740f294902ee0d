#include "fiscal/status.h"

#include "shell/property_put.h"

namespace console {

std::int32_t StatusQuery(PrinterLibrary& library, const EventContext& event) {
  const std::int32_t printerStatus = library.getPrinterStatus();
  PropertyPut(event.controls, ControlTable::kCm1, Property::Caption, printerStatus);
  const std::int32_t fiscalStatus = library.getFiscalStatus();
  return PropertyPut(event.controls, ControlTable::kCm2, Property::Caption, fiscalStatus);
}

}  // namespace console
