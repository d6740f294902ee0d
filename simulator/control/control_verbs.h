// The requests of the control socket: one line of words, one line of answer
// (or, after `watch`, a stream of events: watch_event.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

struct ControlRequest {
  enum class Verb {
    kStatus,             // status
    kPaperNearEnd,       // paper near-end
    kPaperOut,           // paper out
    kPaperOk,            // paper ok: a new roll, conditions as the roll says
    kCoverOpen,          // cover open
    kCoverClosed,        // cover closed
    kDrawerOpen,         // drawer open
    kDrawerClosed,       // drawer closed
    kPowerCut,           // power-cut MS
    kFaultCorrupt,       // fault corrupt N: the next N replies
    kFaultDrop,          // fault drop N: the next N replies
    kFaultNone,          // fault none
    kFaultCorruptEvery,  // fault corrupt-every N: every Nth reply from now (0: never)
    kFaultDropEvery,     // fault drop-every N: every Nth reply from now (0: never)
    kDelay,              // delay MS: before each reply
    kBaud,               // baud N: the line's pace (0: unpaced)
    kWatch,              // watch: the connection stays open for the event stream
  };
  Verb verb = Verb::kStatus;
  std::uint32_t count = 0;  // the request's number: milliseconds, replies, bit/s
  bool operator==(const ControlRequest&) const = default;
};

// Largest numbers a request may carry.
inline constexpr std::uint32_t kMaxPowerCutMs = 600'000;
inline constexpr std::uint32_t kMaxFaultReplies = 1'000'000;
inline constexpr std::uint32_t kMaxEvery = 1'000'000'000;  // as --corrupt-every
inline constexpr std::uint32_t kMaxDelayMs = 3'600'000;    // as --delay-ms
inline constexpr std::uint32_t kMaxBaud = 1'000'000'000;   // as --baud

// Reads one request ("paper out", "power-cut 500"); words are separated by
// spaces. Nothing, with `error` set, for anything else.
std::optional<ControlRequest> parseControlRequest(std::string_view line, std::string& error);

// The request as a line (without the newline) that parseControlRequest reads back.
std::string formatControlRequest(const ControlRequest& request);

// The list of requests, for usage texts and error answers.
const char* controlVerbsText();

}  // namespace sim
