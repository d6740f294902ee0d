// A command as the virtual printer receives it, and what it answers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simulator/model/return_code.h"

namespace sim {

// The command word, the extension word and the further fields in order. An
// empty field is an empty string; a packed command has no further fields.
struct Command {
  std::uint16_t word = 0;
  std::uint16_t extension = 0;
  std::vector<std::string> fields;
};

// The verdict and the reply fields (texts) of one executed or refused command.
struct Outcome {
  ReturnCode code = ReturnCode::kOk;
  std::vector<std::string> fields;
};

// Full reply: the outcome with the two status words after the command.
struct Reply {
  std::uint16_t printerStatus = 0;
  std::uint16_t fiscalStatus = 0;
  Outcome outcome;
};

}  // namespace sim
