// The library's instance: settings for the next OpenPort, the open port and its
// link, the field list, the last code and the status words of the last reply.
// Each method is one entry point of the C interface and returns the code it left
// in lastError(). The methods are not thread-safe: callers hold the call lock
// (instance.h), which also makes the process's one instance.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fiscalprinter/version.h"
#include "libfiscalprinter/src/error_code.h"
#include "libfiscalprinter/src/field_list.h"
#include "libfiscalprinter/src/link.h"
#include "libfiscalprinter/src/port.h"
#include "libfiscalprinter/src/trace.h"

namespace fp::lib {

// GetAPIVersion's text: the version of the headers the library was built with.
inline constexpr const char* kLibraryVersion = "fiscalprinter " FP_VERSION_STRING " (protocol 1)";

class PrinterSession {
 public:
  // `forkedFrom`: the parent process, for the instance a forked child makes
  // (0 otherwise). Until its first OpenPort such an instance has no port and
  // says so: FP_FORKED.
  explicit PrinterSession(pid_t forkedFrom = 0)
      : port_(trace_),
        link_(port_, trace_),
        forkedFrom_(forkedFrom),
        lastError_(forkedFrom != 0 ? toInt(ErrorCode::kForked) : 0) {}

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

  // In a forked child, on the parent's instance, which is set aside for good:
  // closes this process's copies of the port and trace descriptors and keeps
  // `older` (instances set aside before) reachable. Async-signal-safe: close()
  // and stores only.
  void releaseInForkedChild(PrinterSession* older) noexcept;

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

  int portNumber_ = 1;
  int bitsPerSecond_ = 9600;
  int protocolType_ = 1;
  Trace trace_;
  Port port_;
  Link link_;
  FieldList fields_;
  pid_t forkedFrom_;  // until the first OpenPort of a forked child's instance
  PrinterSession* setAsideBefore_ = nullptr;
  int lastError_;
  int printerStatus_ = 0;
  int fiscalStatus_ = 0;
  std::vector<std::string> replyFields_;
};

}  // namespace fp::lib
