// A host that forks while another of its threads is inside a call: the child
// starts afresh at once, without the parent's port, and the parent's call ends
// as it would have.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/library/library_fixture.h"

namespace fp::testing {
namespace {

using Fork = LibraryTest;
using namespace std::chrono_literals;

// Whether this process has a descriptor open on `path`.
bool holds(const std::string& path) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    if (std::filesystem::read_symlink(entry.path(), error) == path) return true;
  }
  return false;
}

std::string fileText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// What the child finds, one word or number per step, written down for the parent.
std::string childSteps(const std::string& device, const std::string& parentTrace,
                       const std::string& childTrace) {
  std::ostringstream steps;
  char area[FP_AREA_SIZE] = {};
  steps << getLastError();
  steps << ' ' << GetAPIVersion(area) << ' ' << area;
  steps << " | " << SendCommandComplete("0707|0000");
  steps << " | port " << (holds(device) ? "held" : "closed");
  steps << " trace " << (holds(parentTrace) ? "held" : "closed");
  ::setenv("FISCALPRINTER_TRACE", childTrace.c_str(), 1);
  steps << " | " << OpenPort(area);
  steps << ' ' << SendCommandComplete("0707|0000");
  const std::string note = "forked from " + std::to_string(::getppid()) + ":";
  steps << " | note "
        << (fileText(childTrace).find(note) != std::string::npos ? "written" : "missing");
  return steps.str();
}

// Runs `steps` in a child forked now; their text, or why there is none. The
// child has 20 s, far beyond what its calls need, before it is killed.
template <typename Steps>
std::string inForkedChild(Steps steps) {
  int channel[2];
  if (::pipe(channel) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(20);
    const std::string text = steps();
    (void)!::write(channel[1], text.data(), text.size());
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string text;
  char buffer[512];
  for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(got));
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFSIGNALED(status)) return "child killed by signal " + std::to_string(WTERMSIG(status));
  return text;
}

TEST_F(Fork, TheChildOfAHostInsideACallStartsAfreshAndTheCallEndsNormally) {
  const std::string dir = ::testing::TempDir();
  const std::string parentTrace = dir + "fiscal-fork-parent-" + std::to_string(::getpid());
  const std::string childTrace = dir + "fiscal-fork-child-" + std::to_string(::getpid());
  std::remove(parentTrace.c_str());
  std::remove(childTrace.c_str());
  ::setenv("FISCALPRINTER_TRACE", parentTrace.c_str(), 1);
  Script script;
  script.holdWork = true;  // a Z closing that lasts until the child has ended
  ASSERT_EQ(openWith(script), FP_OK);
  std::atomic<int> closing{-1};
  std::thread host([&closing] { closing = SendCommandComplete("0801|0C00"); });
  for (int wait = 0; wait < 1000 && commandFrames().empty(); ++wait)
    std::this_thread::sleep_for(10ms);
  ASSERT_EQ(commandFrames().size(), 1u) << "the closing never reached the printer";

  const std::string device = printer_->device();
  const std::string found =
      inForkedChild([&] { return childSteps(device, parentTrace, childTrace); });
  printer_->release();
  host.join();

  char version[FP_AREA_SIZE] = {};
  GetAPIVersion(version);
  // Fresh instance, said by FP_FORKED; the version at once; no port, neither the
  // parent's descriptors; the device still locked by the parent; the note.
  EXPECT_EQ(found, "15 0 " + std::string(version) +
                       " | 15 | port closed trace closed | 1 3 |"
                       " note written");
  EXPECT_EQ(closing, FP_OK);
  EXPECT_EQ(printer_->executed().size(), 1u);
  EXPECT_EQ(fileText(parentTrace).find("forked"), std::string::npos);
  std::remove(parentTrace.c_str());
  std::remove(childTrace.c_str());
}

}  // namespace
}  // namespace fp::testing
