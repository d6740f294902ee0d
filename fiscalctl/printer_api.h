// The printer interface library as fiscalctl reaches it: loaded at run time by
// its path and every entry point found by name, like the console does, so any
// library with the same C interface will do. The thirteen entry points of the
// console are required; the readers for tools are optional and stay null when a
// library lacks them.
#pragma once

#include <string>

#include "fiscalprinter/fiscalprinter.h"

namespace fiscalctl {

class PrinterApi {
 public:
  // Loads `path`; check loaded() and error() afterwards.
  explicit PrinterApi(const std::string& path);
  ~PrinterApi();
  PrinterApi(const PrinterApi&) = delete;
  PrinterApi& operator=(const PrinterApi&) = delete;

  // The library the console would load (lib/ beside bin/ in a build tree, else
  // the installed library folder); the bare file name when neither can be told.
  static std::string besideExecutable();

  bool loaded() const { return error_.empty(); }
  // Why the library cannot be used: not loadable, or a required entry point missing.
  const std::string& error() const { return error_; }

  decltype(&::Purge) Purge = nullptr;
  decltype(&::GetAPIVersion) GetAPIVersion = nullptr;
  decltype(&::setComPort) setComPort = nullptr;
  decltype(&::setBaudRate) setBaudRate = nullptr;
  decltype(&::setProtocolType) setProtocolType = nullptr;
  decltype(&::OpenPort) OpenPort = nullptr;
  decltype(&::ClosePort) ClosePort = nullptr;
  decltype(&::AddDataField) AddDataField = nullptr;
  decltype(&::SendCommand) SendCommand = nullptr;
  decltype(&::SendCommandComplete) SendCommandComplete = nullptr;
  decltype(&::getLastError) getLastError = nullptr;
  decltype(&::getPrinterStatus) getPrinterStatus = nullptr;
  decltype(&::getFiscalStatus) getFiscalStatus = nullptr;

  // Optional.
  decltype(&::getErrorText) getErrorText = nullptr;
  decltype(&::getStatusBitName) getStatusBitName = nullptr;
  decltype(&::getReturnCodeText) getReturnCodeText = nullptr;
  decltype(&::getReplyFieldCount) getReplyFieldCount = nullptr;
  decltype(&::getReplyField) getReplyField = nullptr;

 private:
  template <typename Fn>
  void resolve(Fn& slot, const char* name, bool required);

  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace fiscalctl
