// The one shape of every command procedure: hand the command to the printer
// library as a field list or as a packed text, then show the library's code.
#pragma once

#include <array>
#include <cstdint>

#include "contract/command_set.h"
#include "host/library_calls.h"
#include "printer/printer_library.h"
#include "shell/event_context.h"

namespace console {

using fp::contract::CommandRow;

// A field-list command's own area for SendCommand: zero at the start of the run,
// then kept (the library writes the reply into it).
inline constexpr std::size_t kCommandAreaSize = fp::host::kAreaSize;
using CommandArea = std::array<char, kCommandAreaSize>;

class CommandTransaction {
 public:
  CommandTransaction(PrinterLibrary& library, EventContext& event)
      : library_(library), event_(event) {}

  // The row by the shared sequence (fp::host::sendRow): its field list with
  // `area` (the procedure's own area), or its packed text built in the event's
  // scratch area.
  void send(const CommandRow& spec, CommandArea& area);
  // getLastError, shown as the caption of ESTADO.
  void showLastError();

  // The procedure result: what the last call not kept as data returned.
  std::int32_t result() const { return result_; }

 private:
  PrinterLibrary& library_;
  EventContext& event_;
  std::int32_t result_ = 0;
};

// Runs the command of `spec` as its procedure: send it the way the table says
// (a field list from `area`), then the result step where the table asks for one.
std::int32_t runCommand(PrinterLibrary& library, EventContext& event, const CommandRow& spec,
                        CommandArea& area);

}  // namespace console
