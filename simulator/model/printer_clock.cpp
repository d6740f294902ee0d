#include "simulator/model/printer_clock.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "simulator/model/amounts.h"

namespace sim {
namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;

// Days since 1970-01-01 of a date of the Gregorian calendar, and back
// (H. Hinnant's algorithms: exact for every year from 0).
std::int64_t daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = year / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146'097 + dayOfEra - 719'468;
}

struct Civil {
  std::int64_t year, month, day;
};

Civil civilFromDays(std::int64_t days) {
  days += 719'468;
  const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
  const std::int64_t dayOfEra = days - era * 146'097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month,
          dayOfYear - (153 * monthIndex + 2) / 5 + 1};
}

bool isLeap(std::int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

}  // namespace

bool isCalendarDay(std::int64_t year, std::int64_t month, std::int64_t day) {
  constexpr std::int64_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  return day <= (month == 2 && isLeap(year) ? 29 : kDays[month - 1]);
}

std::int64_t systemWallSeconds() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<std::int64_t>(now) + local.tm_gmtoff;
}

std::int64_t shownWall(std::int64_t wall) {
  const std::int64_t last = daysFromCivil(9999, 12, 31) * kSecondsPerDay + kSecondsPerDay - 1;
  return std::clamp<std::int64_t>(wall, 0, last);
}

std::string wallText(std::int64_t wall) {
  const std::int64_t days = wall >= 0 ? wall / kSecondsPerDay : (wall + 1) / kSecondsPerDay - 1;
  const std::int64_t second = wall - days * kSecondsPerDay;
  const Civil date = civilFromDays(days);
  char text[96];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                static_cast<long long>(date.year), static_cast<long long>(date.month),
                static_cast<long long>(date.day), static_cast<long long>(second / 3600),
                static_cast<long long>(second / 60 % 60), static_cast<long long>(second % 60));
  return text;
}

std::optional<std::int64_t> wallSeconds(std::string_view date, std::string_view time) {
  const auto ymd = parseDigits(date, 8);
  const auto hms = parseDigits(time, 6);
  if (!ymd || !hms) return std::nullopt;
  const std::int64_t year = *ymd / 10'000, month = *ymd / 100 % 100, day = *ymd % 100;
  const std::int64_t hour = *hms / 10'000, minute = *hms / 100 % 100, second = *hms % 100;
  if (year < 1970 || !isCalendarDay(year, month, day) || hour > 23 || minute > 59 || second > 59) {
    return std::nullopt;
  }
  return daysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

}  // namespace sim
