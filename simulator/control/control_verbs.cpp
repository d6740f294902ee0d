#include "simulator/control/control_verbs.h"

#include <array>
#include <vector>

#include "simulator/control/parse_count.h"

namespace sim {
namespace {

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> found;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t start = line.find_first_not_of(' ', at);
    if (start == std::string_view::npos) break;
    const std::size_t end = line.find(' ', start);
    found.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
    at = end == std::string_view::npos ? line.size() : end;
  }
  return found;
}

using Verb = ControlRequest::Verb;

struct Fixed {
  std::string_view first;
  std::string_view second;
  Verb verb;
};

constexpr std::array<Fixed, 9> kFixed = {{
    {"status", "", Verb::kStatus},
    {"paper", "near-end", Verb::kPaperNearEnd},
    {"paper", "out", Verb::kPaperOut},
    {"paper", "ok", Verb::kPaperOk},
    {"cover", "open", Verb::kCoverOpen},
    {"cover", "closed", Verb::kCoverClosed},
    {"drawer", "open", Verb::kDrawerOpen},
    {"drawer", "closed", Verb::kDrawerClosed},
    {"fault", "none", Verb::kFaultNone},
}};

}  // namespace

std::optional<ControlRequest> parseControlRequest(std::string_view line, std::string& error) {
  const std::vector<std::string_view> w = words(line);
  if (w.empty()) {
    error = "empty request";
    return std::nullopt;
  }
  const std::string_view second = w.size() > 1 ? w[1] : std::string_view{};
  for (const Fixed& fixed : kFixed) {
    if (fixed.first == w[0] && fixed.second == second && w.size() == (second.empty() ? 1u : 2u)) {
      return ControlRequest{fixed.verb, 0};
    }
  }
  if (w[0] == "power-cut" && w.size() == 2) {
    if (const auto ms = parseCount(w[1], kMaxPowerCutMs))
      return ControlRequest{Verb::kPowerCut, *ms};
    error = "power-cut needs milliseconds from 0 to " + std::to_string(kMaxPowerCutMs);
    return std::nullopt;
  }
  if (w[0] == "fault" && w.size() == 3 && (w[1] == "corrupt" || w[1] == "drop")) {
    if (const auto count = parseCount(w[2], kMaxFaultReplies); count && *count > 0) {
      return ControlRequest{w[1] == "corrupt" ? Verb::kFaultCorrupt : Verb::kFaultDrop, *count};
    }
    error = "fault needs a number of replies from 1 to " + std::to_string(kMaxFaultReplies);
    return std::nullopt;
  }
  error = "unknown request (" + std::string(controlVerbsText()) + ")";
  return std::nullopt;
}

const char* controlVerbsText() {
  return "status | paper near-end|out|ok | cover open|closed | drawer open|closed | "
         "power-cut MS | fault corrupt|drop N | fault none";
}

}  // namespace sim
