// Status query: the two status words of the printer's last reply.
#pragma once

#include <cstdint>

#include "printer/printer_library.h"
#include "shell/event_context.h"

namespace console {

// Printer status into Cm1, fiscal status into Cm2, each shown whole in decimal.
std::int32_t StatusQuery(PrinterLibrary& library, const EventContext& event);

}  // namespace console
