// A host that forks while another of its threads is inside a call: the child
// starts afresh at once, without the parent's port, and the parent's call ends
// as it would have.
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

TEST_F(Fork, TheChildOfAHostInsideACallStartsAfreshAndTheCallEndsNormally) {
  const std::string trace = ::testing::TempDir() + "fiscal-fork-" + std::to_string(::getpid());
  const std::string childTrace = trace + "-child";
  std::remove(trace.c_str());
  std::remove(childTrace.c_str());
  ::setenv("FISCALPRINTER_TRACE", trace.c_str(), 1);
  Script script;
  script.holdWork = true;  // a Z closing that lasts until the child has ended
  ASSERT_EQ(openWith(script), FP_OK);
  std::atomic<int> closing{-1};
  std::thread host([&closing] { closing = SendCommandComplete("0801|0C00"); });
  for (int i = 0; i < 1000 && commandFrames().empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(commandFrames().size(), 1u) << "the closing never reached the printer";

  int channel[2];
  ASSERT_EQ(::pipe(channel), 0);
  const pid_t child = ::fork();
  if (child == 0) {  // what the child finds, one word or number a step
    ::alarm(20);     // far beyond what its calls need
    std::ostringstream steps;
    char area[FP_AREA_SIZE] = {};
    steps << getLastError() << ' ' << GetAPIVersion(area) << ' ' << area << " | "
          << SendCommandComplete("0707|0000") << " | port "
          << (holds(printer_->device()) ? "held" : "closed") << " trace "
          << (holds(trace) ? "held" : "closed");
    ::setenv("FISCALPRINTER_TRACE", childTrace.c_str(), 1);
    steps << " | " << OpenPort(area) << ' ' << SendCommandComplete("0707|0000") << " | note "
          << (fileText(childTrace).find("forked from " + std::to_string(::getppid()) + ":") !=
                      std::string::npos
                  ? "written"
                  : "missing");
    const std::string text = steps.str();
    (void)!::write(channel[1], text.data(), text.size());
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string found;
  char buffer[512];
  for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
    found.append(buffer, static_cast<std::size_t>(got));
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFSIGNALED(status)) found = "child killed by signal " + std::to_string(WTERMSIG(status));
  printer_->release();
  host.join();

  char version[FP_AREA_SIZE] = {};
  GetAPIVersion(version);
  // Fresh instance, said by FP_FORKED; the version at once; no port, neither the
  // parent's descriptors; the device still locked by the parent; the note.
  EXPECT_EQ(found, "15 0 " + std::string(version) +
                       " | 15 | port closed trace closed | 1 3 | note written");
  EXPECT_EQ(closing, FP_OK);
  EXPECT_EQ(printer_->executed().size(), 1u);
  EXPECT_EQ(fileText(trace).find("forked"), std::string::npos);
  std::remove(trace.c_str());
  std::remove(childTrace.c_str());
}

}  // namespace
}  // namespace fp::testing
