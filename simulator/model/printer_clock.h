// The printer's clock: local wall time as seconds since 1970-01-01 00:00:00
// (the time a person reads off a clock, without a zone), and the texts it is
// written in. The printer's own clock is the system's plus an offset that its
// fiscal memory keeps (FiscalState::clockOffset), so a printer set to another
// time keeps that difference across restarts.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

// Wall seconds, as above.
using WallClock = std::function<std::int64_t()>;

// The system's local time now, in wall seconds.
std::int64_t systemWallSeconds();

// `wall` kept within what the clock's texts can show: from 1970-01-01
// 00:00:00 to 9999-12-31 23:59:59. A clock set near the end stops there.
std::int64_t shownWall(std::int64_t wall);

// "2026-12-10 03:15:00": wall seconds as the memory and the paper write them.
std::string wallText(std::int64_t wall);

// True for a day of the Gregorian calendar (month 1-12, day within the month,
// 29 February in leap years only).
bool isCalendarDay(std::int64_t year, std::int64_t month, std::int64_t day);

// Wall seconds of a date "YYYYMMDD" and a time "HHMMSS" (digits only, a real
// day of the Gregorian calendar from year 1970, hours 00-23, minutes and
// seconds 00-59); nothing for anything else.
std::optional<std::int64_t> wallSeconds(std::string_view date, std::string_view time);

}  // namespace sim
