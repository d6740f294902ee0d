// The pseudo-terminal the virtual printer listens on.
#pragma once

#include <optional>
#include <string>

namespace sim {

// A pseudo-terminal pair in raw mode. The far end (the path a library opens)
// has mode 0600. The far end stays open here as well, so the near end keeps
// working while no library has the device open.
class PseudoTerminal {
 public:
  // Opens a new pair; on failure returns nothing and sets `error`.
  static std::optional<PseudoTerminal> open(std::string& error);

  PseudoTerminal(PseudoTerminal&& other) noexcept;
  PseudoTerminal& operator=(PseudoTerminal&&) = delete;
  ~PseudoTerminal();

  int fd() const { return master_; }                 // near end, non-blocking
  const std::string& path() const { return path_; }  // far end, for FISCALPRINTER_PORT1

 private:
  PseudoTerminal(int master, int slave, std::string path)
      : master_(master), slave_(slave), path_(std::move(path)) {}

  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

}  // namespace sim
