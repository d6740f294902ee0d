// Reads a trace file line by line for the decoder, optionally following it as
// it grows (like tail -f). Lines longer than kMaxLine are cut there.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

namespace fiscalctl {

inline constexpr std::size_t kMaxLine = 64 * 1024;

// Calls `onLine` for every line of `path`. With `follow`, waits for more at the
// end (polling every 200 ms; a file that shrinks is read again from its start)
// until `stop` is set. False with `error` when the file cannot be read.
bool readTraceLines(const std::string& path, bool follow, const std::atomic<bool>& stop,
                    const std::function<void(std::string_view)>& onLine, std::string& error);

}  // namespace fiscalctl
