// The library's one instance: settings for the next OpenPort, the open port and
// its link, the field list, the last code and the status words of the last reply.
// Each method is one entry point of the C interface and returns the code it left
// in lastError(). The methods are not thread-safe: callers hold callLock().
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "libfiscalprinter/src/error_code.h"
#include "libfiscalprinter/src/field_list.h"
#include "libfiscalprinter/src/link.h"
#include "libfiscalprinter/src/port.h"
#include "libfiscalprinter/src/trace.h"

namespace fp::lib {

inline constexpr const char* kLibraryVersion = "fiscalprinter 1.0.0 (protocol 1)";

class PrinterSession {
 public:
  PrinterSession() : port_(trace_), link_(port_, trace_) {}

  int purge(char* area);
  int apiVersion(char* area);
  int setPort(int port);
  int setBaudRate(int bitsPerSecond);
  int setProtocolType(int type);
  int openPort(char* area);
  int closePort(char* area);
  int addField(const char* data, int length);
  int sendFields(char* area);
  int sendPacked(const char* packed);

  // Leaves kInternal: an entry point failed inside the library.
  int internalFailure() { return finish(ErrorCode::kInternal); }
  // Held by each entry point for its whole call (entry_guard.h).
  std::mutex& callLock() { return callLock_; }

  int lastError() const { return lastError_; }
  int printerStatus() const { return printerStatus_; }
  int fiscalStatus() const { return fiscalStatus_; }
  // The fields of the last reply received by OpenPort, SendCommand or
  // SendCommandComplete; empty after a call that got no reply.
  const std::vector<std::string>& replyFields() const { return replyFields_; }

 private:
  int finish(ErrorCode code) { return finish(toInt(code)); }
  int finish(int code) {
    lastError_ = code;
    return code;
  }
  ErrorCode settingsError() const;
  int run(const protocol::CommandMessage& command, char* area);
  void keepStatus(const protocol::ReplyMessage& reply);
  // Leaves `error` (busy or invalid) for an OpenPort that found no port, with
  // its reason in the trace and after the error text in the area.
  int refuseOpen(char* area, ErrorCode error, const std::string& reason);

  std::mutex callLock_;
  int portNumber_ = 1;
  int bitsPerSecond_ = 9600;
  int protocolType_ = 1;
  Trace trace_;
  Port port_;
  Link link_;
  FieldList fields_;
  int lastError_ = 0;
  int printerStatus_ = 0;
  int fiscalStatus_ = 0;
  std::vector<std::string> replyFields_;
};

// The instance of this process.
PrinterSession& session();

}  // namespace fp::lib
