// A database file and its write-ahead log read from their bytes: a log is
// taken only as far as its checksums hold, and what it claims is held against
// what the files contain.
#include "simulator/memory/sqlite_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::uint32_t bigEndian32(const std::uint8_t* b) {
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}
void putBigEndian32(std::uint8_t* b, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// Seals every frame of the log again after an edit, with the checksums as
// SQLite writes them (native byte order on this machine: the header's magic says which).
void resealLog(Bytes& log) {
  const bool bigEndian = (bigEndian32(log.data()) & 1) != 0;
  const std::uint32_t pageSize = bigEndian32(log.data() + 8);
  std::uint32_t s0 = 0, s1 = 0;
  const auto add = [&](const std::uint8_t* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; i += 8) {
      const auto word = [&](const std::uint8_t* b) {
        return bigEndian ? bigEndian32(b)
                         : std::uint32_t{b[3]} << 24 | std::uint32_t{b[2]} << 16 |
                               std::uint32_t{b[1]} << 8 | b[0];
      };
      s0 += word(bytes + i) + s1;
      s1 += word(bytes + i + 4) + s0;
    }
  };
  add(log.data(), 24);
  for (std::size_t frame = 32; frame + 24 + pageSize <= log.size(); frame += 24 + pageSize) {
    add(log.data() + frame, 8);
    add(log.data() + frame + 24, pageSize);
    putBigEndian32(log.data() + frame + 16, s0);
    putBigEndian32(log.data() + frame + 20, s1);
  }
}

Bytes fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
void writeBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

class SqliteFileTest : public ::testing::Test {
 protected:
  // A database whose last transaction is still in its log (the writer was killed).
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("sqlite_file_test." + std::to_string(::getpid()));
    fs::create_directories(folder_);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      sqlite3* db = nullptr;
      const bool done = sqlite3_open(path().c_str(), &db) == SQLITE_OK &&
                        sqlite3_exec(db,
                                     "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
                                     "CREATE TABLE t(a); PRAGMA user_version=7",
                                     nullptr, nullptr, nullptr) == SQLITE_OK;
      ::_exit(done ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    log_ = fileBytes(logPath());
    ASSERT_GT(log_.size(), 32u);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path() const { return (folder_ / "db").string(); }
  std::string logPath() const { return path() + "-wal"; }
  std::uint32_t pageSize() const { return bigEndian32(log_.data() + 8); }
  // The offset of the log's last frame, the commit of the transaction.
  std::size_t lastFrame() const {
    const std::size_t frameSize = 24 + pageSize();
    return 32 + ((log_.size() - 32) / frameSize - 1) * frameSize;
  }

  fs::path folder_;
  Bytes log_;
};

TEST_F(SqliteFileTest, ALogIsBelievedOnlyAsFarAsItsChecksumsAndTheFilesHold) {
  enum class Damage { kNone, kClaimResealed, kClaimUnsealed, kFirstFrameInPlace };
  struct Case {
    const char* what;
    Damage damage;
    bool readable;
    std::uint32_t userVersion;  // as the newest committed first page says
    std::uint32_t damagedFrame;
  };
  const Case cases[] = {
      {"the log as written", Damage::kNone, true, 7, 0},
      {"a commit claiming two thousand million pages", Damage::kClaimResealed, false, 7, 0},
      {"the last frame changed without its checksum: a write cut short, the commit is not "
       "believed",
       Damage::kClaimUnsealed, true, 0, 0},
      {"the first frame damaged in place while later frames hold", Damage::kFirstFrameInPlace,
       false, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes log = log_;
    switch (c.damage) {
      case Damage::kNone:
        break;
      case Damage::kClaimResealed:
        putBigEndian32(log.data() + lastFrame() + 4, 0x7FFFFFFF);
        resealLog(log);
        break;
      case Damage::kClaimUnsealed:
        putBigEndian32(log.data() + lastFrame() + 4, 0x7FFFFFFF);
        break;
      case Damage::kFirstFrameInPlace:
        ASSERT_GT(lastFrame(), 32u) << "the log needs two frames";
        log[32 + 24 + 100] ^= 0x01;  // a byte of the first frame's page
        break;
    }
    writeBytes(logPath(), log);
    const int fd = ::open(path().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::string error;
    const auto look = sim::lookAtSqlite(fd, logPath(), error);
    ASSERT_TRUE(look) << error;
    EXPECT_EQ(look->userVersion, c.userVersion);
    EXPECT_EQ(look->logDamagedFrame, c.damagedFrame);
    const auto image = sim::readSqliteImage(fd, logPath(), error);
    ::close(fd);
    EXPECT_EQ(image.has_value(), c.readable) << error;
    if (!c.readable) {
      EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    }
  }
}

}  // namespace
