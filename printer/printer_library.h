// The facade over the printer interface library: its thirteen entry points, each
// looked up by name immediately before each call.
#pragma once

#include <cstdint>
#include <string>

#include "shell/program_runtime.h"

namespace console {

class PrinterLibrary {
 public:
  // The result of a call that could not be made (library or entry point missing).
  static constexpr std::int32_t kCallFailed = -1;

  // Loads the library at `path` once, for the life of this object. A library that
  // cannot be loaded is not fatal: every call then raises an error condition in
  // `runtime` and yields kCallFailed.
  PrinterLibrary(ProgramRuntime& runtime, std::string path);
  ~PrinterLibrary();
  PrinterLibrary(const PrinterLibrary&) = delete;
  PrinterLibrary& operator=(const PrinterLibrary&) = delete;

  bool loaded() const { return handle_ != nullptr; }

  std::int32_t Purge(char* area);
  std::int32_t GetAPIVersion(char* area);
  std::int32_t setComPort(std::int32_t port);
  std::int32_t setBaudRate(std::int32_t baud);
  std::int32_t setProtocolType(std::int32_t type);
  std::int32_t OpenPort(char* area);
  std::int32_t ClosePort(char* area);
  std::int32_t AddDataField(const char* data, std::int32_t length);
  std::int32_t SendCommand(char* area);
  std::int32_t SendCommandComplete(const char* packed);
  std::int32_t getLastError();
  std::int32_t getPrinterStatus();
  std::int32_t getFiscalStatus();

 private:
  template <typename EntryPoint, typename... Args>
  std::int32_t call(const char* name, Args... args);

  ProgramRuntime& runtime_;
  std::string path_;
  std::string loadError_;
  void* handle_ = nullptr;
};

}  // namespace console
