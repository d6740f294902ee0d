// The paper and counters targets: what each kind of file becomes.
#include "simulator/program/output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "output-file-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    std::ofstream(dir_ / "victim") << "keep";
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  fs::path dir_;
};

TEST_F(OutputFileTest, CountersReplaceRegularFilesAndNeverFollowLinksToThem) {
  struct Case {
    std::string name;
    std::function<void(const fs::path&)> prepare;
    bool written;
  };
  const std::vector<Case> cases = {
      {"absent", [](const fs::path&) {}, true},
      {"regular", [](const fs::path& p) { std::ofstream(p) << "old counters, longer\n"; }, true},
      {"link to a file", [this](const fs::path& p) { fs::create_symlink(dir_ / "victim", p); },
       false},
      {"planted temporary",
       [this](const fs::path& p) { fs::create_symlink(dir_ / "victim", p.string() + ".tmp"); },
       true},
      {"directory", [](const fs::path& p) { fs::create_directory(p); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path target = dir_ / c.name;
    c.prepare(target);
    const bool created = c.written && !fs::exists(fs::symlink_status(target));
    const std::size_t expected = entries() + (created ? 1 : 0);  // no temporary left over
    std::string error;
    EXPECT_EQ(sim::replaceFileContents(target.string(), "frames_received 1\n", error), c.written)
        << error;
    EXPECT_EQ(contents(dir_ / "victim"), "keep");
    EXPECT_EQ(entries(), expected);
    if (c.written) {
      EXPECT_EQ(contents(target), "frames_received 1\n");
      EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST_F(OutputFileTest, DevicesAndFifosAreWrittenInPlace) {
  const fs::path link = dir_ / "null";
  fs::create_symlink("/dev/null", link);
  std::string error;
  EXPECT_TRUE(sim::replaceFileContents(link.string(), "x\n", error)) << error;
  EXPECT_TRUE(fs::is_symlink(link));

  const fs::path fifo = dir_ / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(sim::replaceFileContents(fifo.string(), "x\n", error));  // nobody reads yet
  std::string received;
  std::thread reader([&] { received = contents(fifo); });
  bool written = false;
  for (int attempt = 0; attempt < 200 && !written; ++attempt) {
    written = sim::replaceFileContents(fifo.string(), "frames_received 2\n", error);
    if (!written) usleep(10'000);
  }
  reader.join();
  EXPECT_TRUE(written) << error;
  EXPECT_EQ(received, "frames_received 2\n");
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(OutputFileTest, ThePaperIsCreated0600AndAFailedWriteTurnsTheStreamBad) {
  std::string error;
  {
    const auto paper = sim::OutputFile::openStream((dir_ / "paper").string(), error);
    ASSERT_TRUE(paper) << error;
    std::ostream out(paper.get());
    EXPECT_TRUE(out << "line\n" << std::flush);
  }
  EXPECT_EQ(contents(dir_ / "paper"), "line\n");
  EXPECT_EQ(fs::status(dir_ / "paper").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);

  fs::create_symlink(dir_ / "victim", dir_ / "linked");
  EXPECT_FALSE(sim::OutputFile::openStream((dir_ / "linked").string(), error));
  EXPECT_EQ(contents(dir_ / "victim"), "keep");

  const auto full = sim::OutputFile::openStream("/dev/full", error);
  ASSERT_TRUE(full) << error;
  std::ostream out(full.get());
  EXPECT_FALSE(out << "line\n" << std::flush);
  EXPECT_FALSE(full->failure().empty());
}

}  // namespace
