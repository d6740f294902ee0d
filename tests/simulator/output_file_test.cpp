// The counters target: what each kind of file becomes. (The paper's 0600 and
// its unwritable device are tried on the program itself.)
#include "simulator/program/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path).rdbuf();
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

  fs::path dir_;
  const fs::perms kPrivate = fs::perms::owner_read | fs::perms::owner_write;
};

TEST_F(OutputFileTest, CountersReplaceOnlyRegularFilesAndWriteDevicesInPlace) {
  struct Case {
    std::string name;
    std::function<void(const fs::path&)> prepare;
    bool written;
  };
  const auto linkTo = [](fs::path to) {
    return [to](const fs::path& p) { fs::create_symlink(to, p); };
  };
  const std::vector<Case> cases = {
      {"absent", [](const fs::path&) {}, true},
      {"regular", [](const fs::path& p) { std::ofstream(p) << "old counters, longer\n"; }, true},
      {"planted temporary",
       [&](const fs::path& p) { linkTo(dir_ / "victim")(p.string() + ".tmp"); }, true},
      {"link to a file", linkTo(dir_ / "victim"), false},
      {"link to a device", linkTo("/dev/null"), true},
      {"fifo with no reader", [](const fs::path& p) { mkfifo(p.c_str(), 0600); }, false},
      {"directory", [](const fs::path& p) { fs::create_directory(p); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path target = dir_ / c.name;
    c.prepare(target);
    const fs::file_type kind = fs::symlink_status(target).type();
    const auto entries = [&] { return std::distance(fs::directory_iterator(dir_), {}); };
    const auto expectedEntries = entries() + (kind == fs::file_type::not_found ? 1 : 0);
    std::string error;
    EXPECT_EQ(sim::replaceFileContents(target.string(), "frames_received 1\n", error), c.written)
        << error;
    EXPECT_EQ(c.written, error.empty());
    EXPECT_EQ(contents(dir_ / "victim"), "keep");
    EXPECT_EQ(entries(), expectedEntries);  // no temporary left over
    if (kind != fs::file_type::not_found && kind != fs::file_type::regular) {
      EXPECT_EQ(fs::symlink_status(target).type(), kind);  // never replaced
    } else if (c.written) {
      EXPECT_EQ(contents(target), "frames_received 1\n");
      EXPECT_EQ(fs::status(target).permissions(), kPrivate);
    }
  }
}

}  // namespace
