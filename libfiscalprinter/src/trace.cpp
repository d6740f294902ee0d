#include "libfiscalprinter/src/trace.h"

#include <cstdlib>
#include <ctime>

namespace fp::lib {
namespace {

std::string timestamp() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  tm utc{};
  ::gmtime_r(&now.tv_sec, &utc);
  char text[40];
  const std::size_t used = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + used, sizeof text - used, ".%06ldZ", now.tv_nsec / 1000);
  return text;
}

}  // namespace

std::string traceBytes(std::span<const std::uint8_t> bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex;
  std::string printable;
  for (std::uint8_t byte : bytes) {
    if (!hex.empty()) hex.push_back(' ');
    hex.push_back(kHex[byte >> 4]);
    hex.push_back(kHex[byte & 0x0F]);
    printable.push_back(byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.');
  }
  return hex + "  |" + printable + "|";
}

void Trace::startFromEnvironment() {
  stop();
  const char* path = std::getenv("FISCALPRINTER_TRACE");
  if (path == nullptr || *path == '\0') return;
  file_ = std::fopen(path, "ae");
}

void Trace::stop() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  file_ = nullptr;
}

void Trace::note(std::string_view text) {
  if (file_ != nullptr) writeLine('#', std::string(text));
}

void Trace::bytesLine(char direction, std::span<const std::uint8_t> bytes) {
  if (file_ != nullptr && !bytes.empty()) writeLine(direction, traceBytes(bytes));
}

void Trace::writeLine(char direction, const std::string& rest) {
  std::fprintf(file_, "%s %c %s\n", timestamp().c_str(), direction, rest.c_str());
  std::fflush(file_);
}

}  // namespace fp::lib
