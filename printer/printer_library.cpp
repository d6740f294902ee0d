#include "printer/printer_library.h"

#include <dlfcn.h>

#include <type_traits>

#include "fiscalprinter/fiscalprinter.h"

namespace console {

PrinterLibrary::PrinterLibrary(ProgramRuntime& runtime, std::string path)
    : runtime_(runtime), path_(std::move(path)) {
  handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    loadError_ = why != nullptr ? why : "cannot load";
    // The loader names the file it failed on, which may be a dependency: say
    // which library was asked for as well.
    if (loadError_.find(path_) == std::string::npos) loadError_ = path_ + ": " + loadError_;
  }
}

PrinterLibrary::~PrinterLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

// Each entry point's type is the public header's (decltype(&::OpenPort)); the
// facade's own arguments must match it exactly, so a prototype that drifts
// fails to compile instead of being called through the wrong type. Only the
// type is taken: the console never links the library.
template <typename EntryPoint, typename... Args>
std::int32_t PrinterLibrary::call(const char* name, Args... args) {
  static_assert(std::is_same_v<EntryPoint, int (*)(Args...)>,
                "the facade and the library's public header disagree on an entry point");
  EntryPointLookup record(name);
  runtime_.lookup(handle_, record, loadError_);
  std::int32_t result = kCallFailed;
  if (record.address != nullptr) {
    result = reinterpret_cast<EntryPoint>(record.address)(args...);
  }
  if (runtime_.errorFlagged()) runtime_.errorStep();
  return result;
}

std::int32_t PrinterLibrary::Purge(char* area) {
  return call<decltype(&::Purge)>("Purge", area);
}
std::int32_t PrinterLibrary::GetAPIVersion(char* area) {
  return call<decltype(&::GetAPIVersion)>("GetAPIVersion", area);
}
std::int32_t PrinterLibrary::setComPort(std::int32_t port) {
  return call<decltype(&::setComPort)>("setComPort", port);
}
std::int32_t PrinterLibrary::setBaudRate(std::int32_t baud) {
  return call<decltype(&::setBaudRate)>("setBaudRate", baud);
}
std::int32_t PrinterLibrary::setProtocolType(std::int32_t type) {
  return call<decltype(&::setProtocolType)>("setProtocolType", type);
}
std::int32_t PrinterLibrary::OpenPort(char* area) {
  return call<decltype(&::OpenPort)>("OpenPort", area);
}
std::int32_t PrinterLibrary::ClosePort(char* area) {
  return call<decltype(&::ClosePort)>("ClosePort", area);
}
std::int32_t PrinterLibrary::AddDataField(const char* data, std::int32_t length) {
  return call<decltype(&::AddDataField)>("AddDataField", data, length);
}
std::int32_t PrinterLibrary::SendCommand(char* area) {
  return call<decltype(&::SendCommand)>("SendCommand", area);
}
std::int32_t PrinterLibrary::SendCommandComplete(const char* packed) {
  return call<decltype(&::SendCommandComplete)>("SendCommandComplete", packed);
}
std::int32_t PrinterLibrary::getLastError() {
  return call<decltype(&::getLastError)>("getLastError");
}
std::int32_t PrinterLibrary::getPrinterStatus() {
  return call<decltype(&::getPrinterStatus)>("getPrinterStatus");
}
std::int32_t PrinterLibrary::getFiscalStatus() {
  return call<decltype(&::getFiscalStatus)>("getFiscalStatus");
}

}  // namespace console
