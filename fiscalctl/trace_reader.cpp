#include "fiscalctl/trace_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace fiscalctl {

bool readTraceLines(const std::string& path, bool follow, const std::atomic<bool>& stop,
                    const std::function<void(std::string_view)>& onLine, std::string& error) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "re"),
                                                       &std::fclose);
  if (!file) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  std::string line;
  char buffer[4096];
  long offset = 0;
  while (!stop.load()) {
    const std::size_t count = std::fread(buffer, 1, sizeof buffer, file.get());
    if (count == 0) {
      if (std::ferror(file.get())) {
        error = path + ": " + std::strerror(errno);
        return false;
      }
      if (!follow) break;
      struct stat info {};
      if (::fstat(fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode) &&
          info.st_size < offset) {
        std::rewind(file.get());  // the file was emptied: start again
        offset = 0;
        line.clear();
      }
      std::clearerr(file.get());
      ::usleep(200'000);
      continue;
    }
    offset += static_cast<long>(count);
    for (std::size_t i = 0; i < count; ++i) {
      if (buffer[i] == '\n') {
        onLine(line);
        line.clear();
      } else if (line.size() < kMaxLine) {
        line.push_back(buffer[i]);  // beyond kMaxLine the rest of the line is dropped
      }
    }
  }
  if (!line.empty()) onLine(line);
  return true;
}

}  // namespace fiscalctl
