// The printer interface library as fiscalctl reaches it: loaded at run time by
// its path and every entry point found by name, like the console does, so any
// library with the same C interface will do. The thirteen entry points of the
// console are required; the readers for tools are optional and stay null when a
// library lacks them.
#pragma once

#include <string>

namespace fiscalctl {

class PrinterApi {
 public:
  // Loads `path`; check loaded() and error() afterwards.
  explicit PrinterApi(const std::string& path);
  ~PrinterApi();
  PrinterApi(const PrinterApi&) = delete;
  PrinterApi& operator=(const PrinterApi&) = delete;

  // lib/libfiscalprinter.so.1 beside the bin directory of this executable.
  static std::string besideExecutable();

  bool loaded() const { return error_.empty(); }
  // Why the library cannot be used: not loadable, or a required entry point missing.
  const std::string& error() const { return error_; }

  int (*Purge)(char*) = nullptr;
  int (*GetAPIVersion)(char*) = nullptr;
  int (*setComPort)(int) = nullptr;
  int (*setBaudRate)(int) = nullptr;
  int (*setProtocolType)(int) = nullptr;
  int (*OpenPort)(char*) = nullptr;
  int (*ClosePort)(char*) = nullptr;
  int (*AddDataField)(const char*, int) = nullptr;
  int (*SendCommand)(char*) = nullptr;
  int (*SendCommandComplete)(const char*) = nullptr;
  int (*getLastError)() = nullptr;
  int (*getPrinterStatus)() = nullptr;
  int (*getFiscalStatus)() = nullptr;

  // Optional.
  const char* (*getErrorText)(int) = nullptr;
  const char* (*getStatusBitName)(int, int) = nullptr;
  const char* (*getReturnCodeText)(int) = nullptr;
  int (*getReplyFieldCount)() = nullptr;
  int (*getReplyField)(int, char*, int) = nullptr;

 private:
  template <typename Fn>
  void resolve(Fn& slot, const char* name, bool required);

  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace fiscalctl
