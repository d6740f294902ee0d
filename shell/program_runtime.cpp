#include "shell/program_runtime.h"

#include <dlfcn.h>

#include <algorithm>
#include <ostream>

namespace console {

EntryPointLookup::EntryPointLookup(std::string_view name) {
  nameField.fill(' ');
  std::copy_n(name.begin(), std::min<std::size_t>(name.size(), nameField.size()),
              nameField.begin());
}

std::string_view EntryPointLookup::name() const {
  std::string_view field(nameField.data(), nameField.size());
  const auto end = field.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : field.substr(0, end + 1);
}

ProgramRuntime::ProgramRuntime(std::ostream& errors) : errors_(errors) {}

void ProgramRuntime::activate() {
  active_ = true;
  ++activations_;
}

void ProgramRuntime::exitStep(std::int32_t procedureResult) {
  lastProcedureResult_ = procedureResult;
  active_ = false;
}

void ProgramRuntime::lookup(void* handle, EntryPointLookup& record, std::string_view whyMissing) {
  const std::string name(record.name());
  record.address = nullptr;
  if (handle == nullptr) {
    raiseError("printer library not available (" + std::string(whyMissing) + "), cannot call " +
               name);
    return;
  }
  dlerror();  // forget an earlier failure, so that the text below is this lookup's
  record.address = dlsym(handle, name.c_str());
  if (record.address == nullptr) {
    // The loader's text names the library's path and the symbol it lacks.
    const char* why = dlerror();
    raiseError("printer library has no entry point " + name +
               (why != nullptr ? " (" + std::string(why) + ")" : std::string()));
  }
}

void ProgramRuntime::raiseError(std::string message) {
  // A second condition before the error step keeps the first: it is the cause.
  if (!pending_) pending_ = std::move(message);
}

void ProgramRuntime::errorStep() {
  if (!pending_) return;
  errors_ << "fiscal-console: " << *pending_ << '\n' << std::flush;
  pending_.reset();
  ++errorsReported_;
}

}  // namespace console
