// The requests of the control socket: one line of words, one line of answer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

struct ControlRequest {
  enum class Verb {
    kStatus,        // status
    kPaperNearEnd,  // paper near-end
    kPaperOut,      // paper out
    kPaperOk,       // paper ok: a new roll, conditions as the roll says
    kCoverOpen,     // cover open
    kCoverClosed,   // cover closed
    kDrawerOpen,    // drawer open
    kDrawerClosed,  // drawer closed
    kPowerCut,      // power-cut MS
    kFaultCorrupt,  // fault corrupt N
    kFaultDrop,     // fault drop N
    kFaultNone,     // fault none
  };
  Verb verb = Verb::kStatus;
  std::uint32_t count = 0;  // milliseconds of a power cut, replies of a fault
};

// Longest power cut and largest fault count a request may ask for.
inline constexpr std::uint32_t kMaxPowerCutMs = 600'000;
inline constexpr std::uint32_t kMaxFaultReplies = 1'000'000;

// Reads one request ("paper out", "power-cut 500"); words are separated by
// spaces. Nothing, with `error` set, for anything else.
std::optional<ControlRequest> parseControlRequest(std::string_view line, std::string& error);

// The list of requests, for usage texts and error answers.
const char* controlVerbsText();

}  // namespace sim
