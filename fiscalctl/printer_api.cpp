#include "fiscalctl/printer_api.h"

#include <dlfcn.h>

#include "host/library_path.h"

namespace fiscalctl {

PrinterApi::PrinterApi(const std::string& path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    error_ = why != nullptr ? why : "cannot load " + path;
    return;
  }
  resolve(Purge, "Purge", true);
  resolve(GetAPIVersion, "GetAPIVersion", true);
  resolve(setComPort, "setComPort", true);
  resolve(setBaudRate, "setBaudRate", true);
  resolve(setProtocolType, "setProtocolType", true);
  resolve(OpenPort, "OpenPort", true);
  resolve(ClosePort, "ClosePort", true);
  resolve(AddDataField, "AddDataField", true);
  resolve(SendCommand, "SendCommand", true);
  resolve(SendCommandComplete, "SendCommandComplete", true);
  resolve(getLastError, "getLastError", true);
  resolve(getPrinterStatus, "getPrinterStatus", true);
  resolve(getFiscalStatus, "getFiscalStatus", true);
  resolve(getErrorText, "getErrorText", false);
  resolve(getStatusBitName, "getStatusBitName", false);
  resolve(getReturnCodeText, "getReturnCodeText", false);
  resolve(getReplyFieldCount, "getReplyFieldCount", false);
  resolve(getReplyField, "getReplyField", false);
}

PrinterApi::~PrinterApi() {
  if (handle_ != nullptr) dlclose(handle_);
}

// The same library the console would load: beside bin/ in a build tree, else in
// the installed library folder.
std::string PrinterApi::besideExecutable() {
  std::string path = fp::host::defaultLibraryPath();
  return path.empty() ? "libfiscalprinter.so.1" : path;
}

template <typename Fn>
void PrinterApi::resolve(Fn& slot, const char* name, bool required) {
  slot = reinterpret_cast<Fn>(dlsym(handle_, name));
  if (slot == nullptr && required && error_.empty()) {
    error_ = std::string("the library has no entry point ") + name;
  }
}

}  // namespace fiscalctl
