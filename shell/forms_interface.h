// What the shell needs of a forms runtime, whatever the toolkit: the process
// steps, and the signature of the event entry it delivers every event to.
#pragma once

#include <cstdint>
#include <functional>

#include "shell/control_table.h"

namespace console {

// The event entry MAINFORM: control table, control identifier, event identifier
// and two further words that the form passes along.
using EventEntry = std::function<std::int32_t(const ControlTable&, const ControlId&, const EventId&,
                                              std::uint32_t, std::uint32_t)>;

// The process-level steps of the forms runtime.
class FormsRuntime {
 public:
  virtual ~FormsRuntime() = default;
  // Marks the process as the main program of a forms application.
  virtual void markMainProgram() = 0;
  // Runs the form module: builds the window, delivers its events to the event
  // entry and returns when the window has closed. The command line is handed on
  // unchanged. Returns the exit code.
  virtual std::int32_t run(int argc, char** argv) = 0;
};

}  // namespace console
