#include "simulator/memory/sqlite_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <map>

namespace sim {
namespace {

constexpr char kMagic[] = "SQLite format 3";  // with its terminating zero: 16 bytes
constexpr std::size_t kHeaderSize = 100;
constexpr std::uint32_t kLogMagic = 0x377F0682;  // the low bit gives the checksums' byte order
constexpr std::uint32_t kLogVersion = 3007000;
constexpr std::size_t kLogHeaderSize = 32;
constexpr std::size_t kFrameHeaderSize = 24;

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
         std::uint32_t{bytes[2]} << 8 | bytes[3];
}

bool isPageSize(std::uint32_t size) {
  return size >= 512 && size <= 65536 && (size & (size - 1)) == 0;
}

// Reads up to `size` bytes at `offset`; the count read (short at the end of
// the file), or -1.
ssize_t readAt(int fd, std::uint8_t* into, std::size_t size, off_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(fd, into + done, size - done, offset + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

// The log's running checksum, in the byte order its header names.
class Checksum {
 public:
  explicit Checksum(bool bigEndianWords) : bigEndian_(bigEndianWords) {}
  void add(const std::uint8_t* bytes, std::size_t size) {
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
      first_ += word(bytes + i) + second_;
      second_ += word(bytes + i + 4) + first_;
    }
  }
  bool matches(const std::uint8_t* stored) const {
    return first_ == bigEndian32(stored) && second_ == bigEndian32(stored + 4);
  }
  // Goes on from what a frame says the sum was, as its writer did.
  void continueFrom(const std::uint8_t* stored) {
    first_ = bigEndian32(stored);
    second_ = bigEndian32(stored + 4);
  }

 private:
  std::uint32_t word(const std::uint8_t* b) const {
    return bigEndian_ ? bigEndian32(b)
                      : std::uint32_t{b[3]} << 24 | std::uint32_t{b[2]} << 16 |
                            std::uint32_t{b[1]} << 8 | b[0];
  }
  bool bigEndian_;
  std::uint32_t first_ = 0;
  std::uint32_t second_ = 0;
};

// The log's committed frames, as SQLite's recovery finds them: frames are
// taken in order while their salts and running checksum hold, and count only
// up to the last commit among them.
struct LogIndex {
  std::uint32_t pageSize = 0;
  std::uint32_t pages = 0;                // database pages after the last commit; 0: none
  std::map<std::uint32_t, off_t> newest;  // page number -> offset of its newest data
  bool unusable = false;                  // a header SQLite would refuse to recover
  std::uint32_t damagedFrame = 0;         // from 1: a bad frame with good frames after it
};

// Whether the frame at `offset` belongs to the log of `header` and holds when
// its sum goes on from the one `before` (the frame ahead of it) says.
bool laterFrameHolds(int fd, const std::uint8_t* header, const std::vector<std::uint8_t>& before,
                     off_t offset, std::uint32_t pageSize) {
  std::vector<std::uint8_t> frame(kFrameHeaderSize + pageSize);
  if (readAt(fd, frame.data(), frame.size(), offset) != static_cast<ssize_t>(frame.size())) {
    return false;
  }
  if (bigEndian32(frame.data()) == 0 || std::memcmp(frame.data() + 8, header + 16, 8) != 0) {
    return false;
  }
  Checksum checksum((bigEndian32(header) & 1) != 0);
  checksum.continueFrom(before.data() + 16);
  checksum.add(frame.data(), 8);
  checksum.add(frame.data() + kFrameHeaderSize, pageSize);
  return checksum.matches(frame.data() + 16);
}

bool indexFrames(int fd, const std::uint8_t* header, LogIndex& index) {
  Checksum checksum((bigEndian32(header) & 1) != 0);
  checksum.add(header, 24);
  if (!checksum.matches(header + 24)) return true;  // an unwritten log: SQLite ignores it
  std::vector<std::uint8_t> frame(kFrameHeaderSize + index.pageSize);
  std::map<std::uint32_t, off_t> pending;
  for (off_t offset = kLogHeaderSize;; offset += static_cast<off_t>(frame.size())) {
    const ssize_t got = readAt(fd, frame.data(), frame.size(), offset);
    if (got < 0) return false;
    if (static_cast<std::size_t>(got) < frame.size()) break;
    const std::uint32_t page = bigEndian32(frame.data());
    if (page == 0 || std::memcmp(frame.data() + 8, header + 16, 8) != 0) break;
    checksum.add(frame.data(), 8);
    checksum.add(frame.data() + kFrameHeaderSize, index.pageSize);
    if (!checksum.matches(frame.data() + 16)) {
      // SQLite takes the log up to here and drops the rest, which is right for
      // a write cut short at the end. A frame of this log that follows and
      // holds, though, means this one was damaged in place: what follows was
      // committed, and reading on as SQLite does would lose it silently.
      const off_t next = offset + static_cast<off_t>(frame.size());
      if (laterFrameHolds(fd, header, frame, next, index.pageSize)) {
        index.damagedFrame = static_cast<std::uint32_t>((offset - kLogHeaderSize) /
                                                        static_cast<off_t>(frame.size())) +
                             1;
      }
      break;
    }
    pending[page] = offset + static_cast<off_t>(kFrameHeaderSize);
    if (const std::uint32_t committedPages = bigEndian32(frame.data() + 4); committedPages != 0) {
      for (const auto& [number, at] : pending) index.newest[number] = at;
      pending.clear();
      index.pages = committedPages;
    }
  }
  return true;
}

// A descriptor closed with its owner.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Descriptor& operator=(Descriptor&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_ = -1;
};

// Opens the log without following it into a FIFO or a device. An empty
// descriptor when there is none, nothing when it cannot be read.
std::optional<Descriptor> openLog(const std::string& path, std::string& error) {
  Descriptor log(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (log.get() < 0) {
    if (errno == ENOENT) return Descriptor();
    error = "cannot read " + path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  struct stat info {};
  if (::fstat(log.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = path + " is not a regular file";
    return std::nullopt;
  }
  return log;
}

// The file's own header and size, and its log.
struct Snapshot {
  std::array<std::uint8_t, kHeaderSize> header{};
  off_t size = 0;
  std::uint32_t pageSize = 0;  // 0: not a SQLite file
  Descriptor logFd;
  LogIndex log;

  bool logFits() const { return !log.unusable && (log.pages == 0 || log.pageSize == pageSize); }
};

std::string readFailure(const std::string& what) {
  return "cannot read" + what + ": " + std::strerror(errno);
}

bool indexLog(Snapshot& taken, const std::string& logPath, std::string& error) {
  const int fd = taken.logFd.get();
  if (fd < 0) return true;
  std::array<std::uint8_t, kLogHeaderSize> header{};
  const ssize_t got = readAt(fd, header.data(), header.size(), 0);
  if (got >= 0 && static_cast<std::size_t>(got) == header.size() &&
      (bigEndian32(header.data()) & ~1u) == kLogMagic) {
    LogIndex& index = taken.log;
    index.pageSize = bigEndian32(header.data() + 8);
    index.unusable = bigEndian32(header.data() + 4) != kLogVersion || !isPageSize(index.pageSize);
    if (index.unusable || indexFrames(fd, header.data(), index)) return true;
  } else if (got >= 0) {
    return true;  // no log header yet: SQLite starts the log afresh
  }
  error = readFailure(" " + logPath);
  return false;
}

std::optional<Snapshot> snapshot(int fd, const std::string& logPath, std::string& error) {
  Snapshot taken;
  struct stat info {};
  const ssize_t got =
      ::fstat(fd, &info) == 0 ? readAt(fd, taken.header.data(), kHeaderSize, 0) : -1;
  if (got < 0) {
    error = readFailure("");
    return std::nullopt;
  }
  taken.size = info.st_size;
  if (static_cast<std::size_t>(got) == kHeaderSize &&
      std::memcmp(taken.header.data(), kMagic, sizeof kMagic) == 0) {
    const std::uint32_t raw = std::uint32_t{taken.header[16]} << 8 | taken.header[17];
    const std::uint32_t pageSize = raw == 1 ? 65536 : raw;
    if (isPageSize(pageSize)) taken.pageSize = pageSize;
  }
  std::optional<Descriptor> log = openLog(logPath, error);
  if (!log) return std::nullopt;
  taken.logFd = std::move(*log);
  if (!indexLog(taken, logPath, error)) return std::nullopt;
  return taken;
}

}  // namespace

std::optional<SqliteLook> lookAtSqlite(int fd, const std::string& logPath, std::string& error) {
  const std::optional<Snapshot> taken = snapshot(fd, logPath, error);
  if (!taken) return std::nullopt;
  SqliteLook look;
  if (taken->size == 0) return look;
  if (taken->pageSize == 0) {
    look.kind = SqliteLook::Kind::kNotSqlite;
    return look;
  }
  look.kind = SqliteLook::Kind::kSqlite;
  look.logMisfits = !taken->logFits();
  look.logDamagedFrame = taken->log.damagedFrame;
  look.logUnmerged = !look.logMisfits && taken->log.pages != 0;
  std::array<std::uint8_t, kHeaderSize> header = taken->header;
  if (const auto first = taken->log.newest.find(1);
      look.logUnmerged && first != taken->log.newest.end() &&
      readAt(taken->logFd.get(), header.data(), kHeaderSize, first->second) !=
          static_cast<ssize_t>(kHeaderSize)) {
    error = readFailure(" " + logPath);
    return std::nullopt;
  }
  look.userVersion = bigEndian32(header.data() + 60);
  look.applicationId = bigEndian32(header.data() + 68);
  return look;
}

std::optional<std::vector<std::uint8_t>> readSqliteImage(int fd, const std::string& logPath,
                                                         std::string& error) {
  const std::optional<Snapshot> taken = snapshot(fd, logPath, error);
  if (!taken) return std::nullopt;
  if (taken->pageSize == 0 || !taken->logFits()) {
    error = "not a SQLite database with a log that fits it";
    return std::nullopt;
  }
  if (taken->log.damagedFrame != 0) {
    error = "damaged: frame " + std::to_string(taken->log.damagedFrame) +
            " of the log is damaged and committed frames follow it";
    return std::nullopt;
  }
  const std::size_t pageSize = taken->pageSize;
  const std::size_t size =
      taken->log.pages != 0 ? taken->log.pages * pageSize : static_cast<std::size_t>(taken->size);
  // Every page comes from the file or from a frame of the log, so a commit that
  // claims more pages than both hold is damage, not a reason to ask for memory.
  if (size > static_cast<std::size_t>(taken->size) + taken->log.newest.size() * pageSize) {
    error = "damaged: the log claims " + std::to_string(taken->log.pages) +
            " pages, more than the file and the log hold";
    return std::nullopt;
  }
  std::vector<std::uint8_t> image;
  try {
    image.resize(size);
  } catch (const std::exception&) {  // bad_alloc, or a size beyond any vector
    error = "cannot read: out of memory for " + std::to_string(size) + " bytes";
    return std::nullopt;
  }
  if (readAt(fd, image.data(), size, 0) < 0) {
    error = readFailure("");
    return std::nullopt;
  }
  for (const auto& [page, at] : taken->log.newest) {
    if (page > taken->log.pages) continue;  // cut off by a later commit
    if (readAt(taken->logFd.get(), image.data() + (page - 1) * pageSize, pageSize, at) !=
        static_cast<ssize_t>(pageSize)) {
      error = readFailure(" " + logPath);
      return std::nullopt;
    }
  }
  // The image has no log of its own: mark it as a database without one.
  if (image.size() >= kHeaderSize) image[18] = image[19] = 1;
  return image;
}

}  // namespace sim
