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

// A request of one or two fixed words.
struct Fixed {
  std::string_view first;
  std::string_view second;
  Verb verb;
};

constexpr std::array<Fixed, 10> kFixed = {{
    {"status", "", Verb::kStatus},
    {"paper", "near-end", Verb::kPaperNearEnd},
    {"paper", "out", Verb::kPaperOut},
    {"paper", "ok", Verb::kPaperOk},
    {"cover", "open", Verb::kCoverOpen},
    {"cover", "closed", Verb::kCoverClosed},
    {"drawer", "open", Verb::kDrawerOpen},
    {"drawer", "closed", Verb::kDrawerClosed},
    {"fault", "none", Verb::kFaultNone},
    {"watch", "", Verb::kWatch},
}};

// A request of one or two fixed words and a number.
struct Numeric {
  std::string_view first;
  std::string_view second;  // empty: the number follows the first word
  Verb verb;
  std::uint32_t minimum;
  std::uint32_t maximum;
  std::string_view what;  // the number's meaning, for the error
};

constexpr std::array<Numeric, 7> kNumeric = {{
    {"power-cut", "", Verb::kPowerCut, 0, kMaxPowerCutMs, "milliseconds"},
    {"fault", "corrupt", Verb::kFaultCorrupt, 1, kMaxFaultReplies, "a number of replies"},
    {"fault", "drop", Verb::kFaultDrop, 1, kMaxFaultReplies, "a number of replies"},
    {"fault", "corrupt-every", Verb::kFaultCorruptEvery, 0, kMaxEvery, "N (0: never)"},
    {"fault", "drop-every", Verb::kFaultDropEvery, 0, kMaxEvery, "N (0: never)"},
    {"delay", "", Verb::kDelay, 0, kMaxDelayMs, "milliseconds"},
    {"baud", "", Verb::kBaud, 0, kMaxBaud, "bits per second (0: unpaced)"},
}};

std::string joined(std::string_view first, std::string_view second) {
  return second.empty() ? std::string(first) : std::string(first) + " " + std::string(second);
}

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
  for (const Numeric& numeric : kNumeric) {
    const std::size_t wordCount = numeric.second.empty() ? 1 : 2;
    if (numeric.first != w[0] || (wordCount == 2 && numeric.second != second)) continue;
    if (w.size() == wordCount + 1) {
      const auto value = parseCount(w[wordCount], numeric.maximum);
      if (value && *value >= numeric.minimum) return ControlRequest{numeric.verb, *value};
    }
    error = joined(numeric.first, numeric.second) + " needs " + std::string(numeric.what) +
            " from " + std::to_string(numeric.minimum) + " to " + std::to_string(numeric.maximum);
    return std::nullopt;
  }
  error = "unknown request (" + std::string(controlVerbsText()) + ")";
  return std::nullopt;
}

std::string formatControlRequest(const ControlRequest& request) {
  for (const Fixed& fixed : kFixed) {
    if (fixed.verb == request.verb) return joined(fixed.first, fixed.second);
  }
  for (const Numeric& numeric : kNumeric) {
    if (numeric.verb == request.verb) {
      return joined(numeric.first, numeric.second) + " " + std::to_string(request.count);
    }
  }
  return "status";  // every verb is in one of the tables
}

const char* controlVerbsText() {
  return "status | paper near-end|out|ok | cover open|closed | drawer open|closed | "
         "power-cut MS | fault corrupt|drop N | fault corrupt-every|drop-every N | fault none | "
         "delay MS | baud N | watch";
}

}  // namespace sim
