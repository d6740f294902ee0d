// Our stand-in for the program runtime: users, activation of the program module
// per event, error conditions and the lookup of library entry points by name.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace console {

// The record handed to the entry-point lookup: a 40-character name field padded
// with spaces, its length, the attribute word, and the slot the address goes into.
struct EntryPointLookup {
  static constexpr std::int32_t kNameLength = 40;
  static constexpr std::int32_t kAttribute = 0x40;

  explicit EntryPointLookup(std::string_view name);
  std::string_view name() const;  // the name without its padding

  std::array<char, kNameLength> nameField{};
  std::int32_t length = kNameLength;
  std::int32_t attribute = kAttribute;
  void* address = nullptr;
};

class ProgramRuntime {
 public:
  // Error conditions are reported on `errors` (standard error in the console).
  explicit ProgramRuntime(std::ostream& errors);

  void registerUser() { ++users_; }
  void unregisterUser() {
    if (users_ > 0) --users_;
  }
  int users() const { return users_; }
  // The runtime may be released once no user is left.
  bool mayRelease() const { return users_ == 0 && !released_; }
  void release() { released_ = true; }
  bool released() const { return released_; }

  // Activation of the program module for one event.
  void activate();
  // Ends the event with the procedure result.
  void exitStep(std::int32_t procedureResult);
  bool active() const { return active_; }
  int activations() const { return activations_; }
  std::int32_t lastProcedureResult() const { return lastProcedureResult_; }

  // Looks `record.name()` up in the library `handle` (a dlopen handle; null when
  // the library could not be loaded, `whyMissing` then says why). On failure the
  // address stays null and an error condition is raised.
  void lookup(void* handle, EntryPointLookup& record, std::string_view whyMissing);

  // Error conditions raised during a call, handed to the error step afterwards.
  void raiseError(std::string message);
  bool errorFlagged() const { return pending_.has_value(); }
  // Writes the pending condition as one line to the error stream and clears it.
  void errorStep();
  int errorsReported() const { return errorsReported_; }

 private:
  std::ostream& errors_;
  int users_ = 0;
  bool released_ = false;
  bool active_ = false;
  int activations_ = 0;
  std::int32_t lastProcedureResult_ = 0;
  std::optional<std::string> pending_;
  int errorsReported_ = 0;
};

}  // namespace console
