#include "simulator/control/control_requests.h"

#include <algorithm>
#include <vector>

#include "simulator/control/parse_count.h"

namespace sim {
namespace {

using Paper = ControlledPrinter::Paper;
using Fault = ControlledPrinter::Fault;
using P = ControlledPrinter;

// words, placeholder, meaning of the number, minimum, maximum, action, watch
constexpr RequestRow kRequests[] = {
    {"status", "", "", 0, 0, nullptr, false},
    {"paper near-end", "", "", 0, 0, [](P& p, std::uint32_t) { p.setPaper(Paper::kNearEnd); },
     false},
    {"paper out", "", "", 0, 0, [](P& p, std::uint32_t) { p.setPaper(Paper::kOut); }, false},
    {"paper ok", "", "", 0, 0, [](P& p, std::uint32_t) { p.setPaper(Paper::kNewRoll); }, false},
    {"cover open", "", "", 0, 0, [](P& p, std::uint32_t) { p.setCover(true); }, false},
    {"cover closed", "", "", 0, 0, [](P& p, std::uint32_t) { p.setCover(false); }, false},
    {"drawer open", "", "", 0, 0, [](P& p, std::uint32_t) { p.setDrawer(true); }, false},
    {"drawer closed", "", "", 0, 0, [](P& p, std::uint32_t) { p.setDrawer(false); }, false},
    {"power-cut", "MS", "milliseconds", 0, kMaxPowerCutMs,
     [](P& p, std::uint32_t ms) { p.cutPower(ms); }, false},
    {"fault corrupt", "N", "a number of replies", 1, kMaxFaultReplies,
     [](P& p, std::uint32_t n) { p.forceFaults(Fault::kCorrupt, n); }, false},
    {"fault drop", "N", "a number of replies", 1, kMaxFaultReplies,
     [](P& p, std::uint32_t n) { p.forceFaults(Fault::kDrop, n); }, false},
    {"fault corrupt-every", "N", "N (0: never)", 0, kMaxEvery,
     [](P& p, std::uint32_t n) { p.setCorruptEvery(n); }, false},
    {"fault drop-every", "N", "N (0: never)", 0, kMaxEvery,
     [](P& p, std::uint32_t n) { p.setDropEvery(n); }, false},
    {"fault none", "", "", 0, 0, [](P& p, std::uint32_t) { p.forceFaults(Fault::kNone, 0); },
     false},
    {"delay", "MS", "milliseconds", 0, kMaxDelayMs, [](P& p, std::uint32_t ms) { p.setDelay(ms); },
     false},
    {"baud", "N", "bits per second (0: unpaced)", 0, kMaxBaud,
     [](P& p, std::uint32_t baud) { p.setBaud(baud); }, false},
    {"watch", "", "", 0, 0, nullptr, true},
};

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

std::string_view firstWord(std::string_view words) {
  return words.substr(0, words.find(' '));
}

std::string_view secondWord(std::string_view words) {
  const std::size_t space = words.find(' ');
  return space == std::string_view::npos ? std::string_view{} : words.substr(space + 1);
}

// Two rows shown as one form: the same first word, both with a second, and
// the same number.
bool shareAForm(const RequestRow& a, const RequestRow& b) {
  return firstWord(a.words) == firstWord(b.words) && !secondWord(a.words).empty() &&
         !secondWord(b.words).empty() && a.placeholder == b.placeholder && a.meaning == b.meaning;
}

// The help's forms: rows that share a form put together.
std::vector<std::string> formLines() {
  std::vector<std::string> forms;
  const RequestRow* previous = nullptr;
  for (const RequestRow& row : kRequests) {
    if (previous != nullptr && shareAForm(*previous, row)) {
      std::string& form = forms.back();
      form.insert(row.placeholder.empty() ? form.size() : form.rfind(' '),
                  "|" + std::string(secondWord(row.words)));
    } else {
      forms.push_back(std::string(row.words) +
                      (row.placeholder.empty() ? "" : " " + std::string(row.placeholder)));
    }
    previous = &row;
  }
  return forms;
}

}  // namespace

std::span<const RequestRow> requestRows() {
  return kRequests;
}

void ControlRequest::carryOut(ControlledPrinter& printer) const {
  if (row != nullptr && row->act != nullptr) row->act(printer, number);
}

std::optional<ControlRequest> parseControlRequest(std::string_view line, std::string& error) {
  const std::vector<std::string_view> given = words(line);
  if (given.empty()) {
    error = "empty request";
    return std::nullopt;
  }
  for (const RequestRow& row : kRequests) {
    const std::vector<std::string_view> named = words(row.words);
    if (given.size() < named.size() || !std::equal(named.begin(), named.end(), given.begin())) {
      continue;
    }
    const std::size_t expected = named.size() + (row.placeholder.empty() ? 0 : 1);
    if (row.placeholder.empty() && given.size() == expected) return ControlRequest{&row, 0};
    if (row.placeholder.empty()) continue;
    if (given.size() == expected) {
      const auto value = parseCount(given.back(), row.maximum);
      if (value && *value >= row.minimum) return ControlRequest{&row, *value};
    }
    error = std::string(row.words) + " needs " + std::string(row.meaning) + " from " +
            std::to_string(row.minimum) + " to " + std::to_string(row.maximum);
    return std::nullopt;
  }
  std::string forms;
  for (const std::string& form : formLines()) forms += (forms.empty() ? "" : " | ") + form;
  error = "unknown request (" + forms + ")";
  return std::nullopt;
}

std::string formatControlRequest(const ControlRequest& request) {
  if (request.row == nullptr) return "status";
  std::string line(request.row->words);
  if (!request.row->placeholder.empty()) line += " " + std::to_string(request.number);
  return line;
}

std::string requestForms() {
  std::string text;
  for (const std::string& form : formLines()) text += form + "\n";
  return text;
}

}  // namespace sim
