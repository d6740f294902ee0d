#include "protocol/trace_line.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace fp::protocol {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";
// Between the hex column and the text column.
constexpr std::string_view kTextColumn = "  |";

bool digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

bool parseStamp(std::string_view text, std::int64_t& microseconds) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, micro = 0;
  if (text.size() < kTraceStampLength || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
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

// The hex pairs before the text column.
bool parseBytes(std::string_view text, std::vector<std::uint8_t>& bytes) {
  const std::size_t bar = text.find(kTextColumn);
  if (bar == std::string_view::npos || text.back() != '|') return false;
  const std::string_view hex = text.substr(0, bar);
  if ((hex.size() + 1) % 3 != 0) return false;
  for (std::size_t i = 0; i < hex.size(); i += 3) {
    const char* pair = hex.data() + i;
    std::uint8_t byte = 0;
    const auto [end, error] = std::from_chars(pair, pair + 2, byte, 16);
    if (error != std::errc{} || end != pair + 2 || (i + 2 < hex.size() && hex[i + 2] != ' '))
      return false;
    bytes.push_back(byte);
  }
  return !bytes.empty();
}

}  // namespace

std::string traceStamp(std::int64_t microseconds) {
  std::int64_t seconds = microseconds / 1'000'000;
  std::int64_t micro = microseconds % 1'000'000;
  if (micro < 0) {
    micro += 1'000'000;
    --seconds;
  }
  const time_t whole = static_cast<time_t>(seconds);
  tm utc{};
  ::gmtime_r(&whole, &utc);
  char text[40];
  const std::size_t used = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + used, sizeof text - used, ".%06lldZ", static_cast<long long>(micro));
  return text;
}

std::string traceBytes(std::span<const std::uint8_t> bytes) {
  std::string hex;
  std::string printable;
  for (std::uint8_t byte : bytes) {
    if (!hex.empty()) hex.push_back(' ');
    hex.push_back(kHex[byte >> 4]);
    hex.push_back(kHex[byte & 0x0F]);
    printable.push_back(byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.');
  }
  return hex + std::string(kTextColumn) + printable + "|";
}

std::string traceLine(std::int64_t microseconds, TraceMark mark, std::string_view rest) {
  std::string line = traceStamp(microseconds);
  line.push_back(' ');
  line.push_back(static_cast<char>(mark));
  line.push_back(' ');
  line.append(rest);
  return line;
}

TraceLine parseTraceLine(std::string_view line) {
  TraceLine parsed;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (!parseStamp(line, parsed.microseconds) || line.size() < kTraceStampLength + 3 ||
      line[kTraceStampLength] != ' ' || line[kTraceStampLength + 2] != ' ') {
    return TraceLine{};
  }
  const auto mark = static_cast<TraceMark>(line[kTraceStampLength + 1]);
  const std::string_view rest = line.substr(kTraceStampLength + 3);
  switch (mark) {
    case TraceMark::Note:
      parsed.kind = TraceLine::Kind::Note;
      parsed.note = std::string(rest);
      return parsed;
    case TraceMark::Sent:
    case TraceMark::Received:
      if (!parseBytes(rest, parsed.bytes)) return TraceLine{};
      parsed.kind = mark == TraceMark::Sent ? TraceLine::Kind::Sent : TraceLine::Kind::Received;
      return parsed;
  }
  return TraceLine{};
}

}  // namespace fp::protocol
