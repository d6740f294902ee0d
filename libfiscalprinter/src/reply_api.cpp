// The entry points beyond the console's thirteen: readable names for the reply
// words and the fields of the last reply. They only read; no exception leaves them.
#include <algorithm>
#include <cstring>

#include "fiscalprinter/fiscalprinter.h"
#include "libfiscalprinter/src/entry_guard.h"
#include "libfiscalprinter/src/printer_session.h"
#include "protocol/status_names.h"

using fp::lib::guardedCall;
using fp::lib::PrinterSession;

extern "C" {

const char* getStatusBitName(int word, int bit) {
  if (word == FP_PRINTER_STATUS_WORD) {
    return fp::protocol::statusBitName(fp::protocol::StatusWord::Printer, bit);
  }
  if (word == FP_FISCAL_STATUS_WORD) {
    return fp::protocol::statusBitName(fp::protocol::StatusWord::Fiscal, bit);
  }
  return "";
}

const char* getReturnCodeText(int returnCode) {
  if (returnCode < 1 || returnCode > 0xFFFF) return "";
  return fp::protocol::returnCodeText(static_cast<std::uint16_t>(returnCode));
}

// The readers take the session's lock like every other entry point, so a reply
// arriving on another thread is never read half-replaced.
int getReplyFieldCount(void) {
  return guardedCall(nullptr,
                     [](PrinterSession& s) { return static_cast<int>(s.replyFields().size()); });
}

int getReplyField(int index, char* buffer, int size) {
  return guardedCall(nullptr, [&](PrinterSession& s) {
    const auto& fields = s.replyFields();
    if (index < 0 || static_cast<std::size_t>(index) >= fields.size() || buffer == nullptr ||
        size < 0) {
      return 0;
    }
    const std::string& field = fields[static_cast<std::size_t>(index)];
    const std::size_t room = static_cast<std::size_t>(size);
    const std::size_t copied = std::min(field.size(), room);
    std::memcpy(buffer, field.data(), copied);
    if (copied < room) buffer[copied] = '\0';
    return static_cast<int>(field.size());
  });
}

}  // extern "C"
