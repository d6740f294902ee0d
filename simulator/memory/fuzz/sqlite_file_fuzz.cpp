// Reads arbitrary bytes as a database file and its write-ahead log (the first
// two bytes give the file's share). Whatever is read must be an image of the
// announced size, marked as having no log, and a file judged as a database
// whose log fits must also be readable.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "simulator/memory/sqlite_file.h"

namespace {

int fileHolding(const std::uint8_t* data, std::size_t size) {
  const int fd = ::memfd_create("sqlite_file_fuzz", MFD_CLOEXEC);
  if (fd < 0) std::abort();
  if (size > 0 && ::write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t fileShare = (std::size_t{data[0]} << 8 | data[1]) % (size - 1);
  const int file = fileHolding(data + 2, fileShare);
  const int log = fileHolding(data + 2 + fileShare, size - 2 - fileShare);
  const std::string logPath = "/proc/self/fd/" + std::to_string(log);

  std::string error;
  const auto look = sim::lookAtSqlite(file, logPath, error);
  const auto image = sim::readSqliteImage(file, logPath, error);
  if (!look) std::abort();  // memory files never fail to read
  if (image && image->size() >= 100 && ((*image)[18] != 1 || (*image)[19] != 1)) std::abort();
  if (image && look->kind != sim::SqliteLook::Kind::kSqlite) std::abort();
  if (look->kind == sim::SqliteLook::Kind::kSqlite && !look->logMisfits && !image &&
      error.find("damaged") == std::string::npos) {
    std::abort();
  }
  ::close(file);
  ::close(log);
  return 0;
}
