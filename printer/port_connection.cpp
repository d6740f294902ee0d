#include "printer/port_connection.h"

#include "shell/property_put.h"

namespace console {

std::optional<std::string_view> connectionMessage(std::int32_t code) {
  switch (code) {
    case 0:
      return "Puerto Ok";
    case 1:
      return "Puerto ocupado";
    case 2:
      return "Puerto invalido";
    case 10:
      return "Error de escritura verifique el impresor";
    default:
      return std::nullopt;
  }
}

std::int32_t PortConnect(PrinterLibrary& library, const EventContext& event, PortStorage& port) {
  const fp::host::PortOpening opening =
      fp::host::openPort(library, port.connectionArea, fp::host::kBaudRate);
  std::int32_t result = opening.openResult;
  port.errorItem = opening.lastError;

  std::optional<std::string_view> message = connectionMessage(port.errorItem);
  // Without a library no code means anything; say what is wrong instead of nothing.
  if (!message && !library.loaded()) message = kLibraryMissingMessage;
  if (message) {
    result = PropertyPut(event.controls, ControlTable::kComunicacion, Property::Text, *message);
  }
  return result;
}

std::int32_t PortDisconnect(PrinterLibrary& library, PortStorage& port) {
  return fp::host::closePort(library, port.closingArea);
}

}  // namespace console
