// How every exported entry point reaches the session: one call at a time, from
// any thread, and no C++ exception ever crosses the C boundary.
#pragma once

#include <mutex>

#include "libfiscalprinter/src/area_text.h"
#include "libfiscalprinter/src/printer_session.h"

namespace fp::lib {

// Runs `call(session)` while holding the session's lock and returns its result.
// An exception from inside (out of memory) becomes kInternal: the last code says
// so and `area`, when given, receives an empty text.
template <typename Call>
int guardedCall(PrinterSession& target, char* area, Call&& call) noexcept {
  try {
    std::lock_guard lock(target.callLock());
    try {
      return call(target);
    } catch (...) {
      writeArea(area, "");
      return target.internalFailure();
    }
  } catch (...) {  // the lock itself failed; the session was never touched
    return toInt(ErrorCode::kInternal);
  }
}

template <typename Call>
int guardedCall(char* area, Call&& call) noexcept {
  try {
    return guardedCall(session(), area, call);
  } catch (...) {  // the instance could not be made
    return toInt(ErrorCode::kInternal);
  }
}

}  // namespace fp::lib
