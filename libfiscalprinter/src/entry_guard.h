// How every exported entry point reaches the session: one call at a time, from
// any thread (and in a forked child, see instance.h), and no C++ exception ever
// crosses the C boundary.
#pragma once

#include "libfiscalprinter/src/area_text.h"
#include "libfiscalprinter/src/instance.h"
#include "libfiscalprinter/src/printer_session.h"

namespace fp::lib {

// Runs `call(session)` while holding the call lock and returns its result. An
// exception from inside (out of memory) becomes kInternal: the last code says
// so and `area`, when given, receives an empty text. An instance that cannot be
// made gives kInternal too.
template <typename Call>
int guardedCall(char* area, Call&& call) noexcept {
  SessionCall scope;
  PrinterSession* target = scope.session();
  if (target == nullptr) {
    writeArea(area, "");
    return toInt(ErrorCode::kInternal);
  }
  try {
    return call(*target);
  } catch (...) {
    writeArea(area, "");
    return target->internalFailure();
  }
}

}  // namespace fp::lib
