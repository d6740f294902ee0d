#include "fiscalctl/trace_line.h"

#include <ctime>

#include "fiscalctl/request.h"

namespace fiscalctl {
namespace {

bool digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// "2026-12-09T13:45:01.123456Z": 27 characters.
constexpr std::size_t kStampLength = 27;

bool parseStamp(std::string_view text, std::int64_t& microseconds) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, micro = 0;
  if (text.size() < kStampLength || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
      text[13] != ':' || text[16] != ':' || text[19] != '.' || text[26] != 'Z') {
    return false;
  }
  if (!digits(text, 0, 4, year) || !digits(text, 5, 2, month) || !digits(text, 8, 2, day) ||
      !digits(text, 11, 2, hour) || !digits(text, 14, 2, minute) || !digits(text, 17, 2, second) ||
      !digits(text, 20, 6, micro)) {
    return false;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
    return false;
  }
  tm utc{};
  utc.tm_year = year - 1900;
  utc.tm_mon = month - 1;
  utc.tm_mday = day;
  utc.tm_hour = hour;
  utc.tm_min = minute;
  utc.tm_sec = second;
  const time_t seconds = timegm(&utc);
  microseconds = static_cast<std::int64_t>(seconds) * 1'000'000 + micro;
  return true;
}

// "02 41 03  |.A.|": the hex pairs before the two blanks and the bar.
bool parseBytes(std::string_view text, std::vector<std::uint8_t>& bytes) {
  const std::size_t bar = text.find("  |");
  if (bar == std::string_view::npos || text.back() != '|') return false;
  const std::string_view hex = text.substr(0, bar);
  if ((hex.size() + 1) % 3 != 0) return false;
  for (std::size_t i = 0; i < hex.size(); i += 3) {
    const int high = hexDigit(hex[i]);
    const int low = hexDigit(hex[i + 1]);
    if (high < 0 || low < 0 || (i + 2 < hex.size() && hex[i + 2] != ' ')) return false;
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return !bytes.empty();
}

std::string formatted(std::int64_t microseconds, const char* format, bool withMillis) {
  const time_t seconds = static_cast<time_t>(microseconds / 1'000'000);
  tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return "?";
  char text[48];
  std::size_t used = std::strftime(text, sizeof text, format, &local);
  if (withMillis) {
    std::snprintf(text + used, sizeof text - used, ".%03d",
                  static_cast<int>((microseconds % 1'000'000) / 1000));
  }
  return text;
}

}  // namespace

TraceLine parseTraceLine(std::string_view line) {
  TraceLine parsed;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (!parseStamp(line, parsed.microseconds) || line.size() < kStampLength + 3 ||
      line[kStampLength] != ' ' || line[kStampLength + 2] != ' ') {
    return TraceLine{};
  }
  const char direction = line[kStampLength + 1];
  const std::string_view rest = line.substr(kStampLength + 3);
  if (direction == '#') {
    parsed.kind = TraceLine::Kind::Note;
    parsed.note = std::string(rest);
    return parsed;
  }
  if ((direction != '>' && direction != '<') || !parseBytes(rest, parsed.bytes)) return TraceLine{};
  parsed.kind = direction == '>' ? TraceLine::Kind::Sent : TraceLine::Kind::Received;
  return parsed;
}

std::string localTime(std::int64_t microseconds) {
  return formatted(microseconds, "%H:%M:%S", true);
}

std::string localDate(std::int64_t microseconds) {
  return formatted(microseconds, "%Y-%m-%d", false);
}

}  // namespace fiscalctl
