// Thousands of commands through the real library and the simulator while the
// line corrupts, drops and delays replies: every command ends with a verdict,
// none is executed twice, and no descriptor or memory is left behind.
#include <dirent.h>

#include <fstream>

#include "fiscalprinter/fiscalprinter.h"
#include "tests/simulator/library_fixture.h"

namespace sim_test {
namespace {

// AddressSanitizer keeps freed memory in quarantine, so resident memory grows
// by design there; in that build LeakSanitizer checks for leaks at exit instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentMemoryIsMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kResidentMemoryIsMeaningful = false;
#else
constexpr bool kResidentMemoryIsMeaningful = true;
#endif
#else
constexpr bool kResidentMemoryIsMeaningful = true;
#endif

std::size_t openDescriptors() {
  std::size_t count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

long residentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// One round of documents that is valid from an idle printer: 9 commands.
const std::vector<Button>& round() {
  static const std::vector<Button> buttons = {kNonFiscalOpen, kNonFiscalText, kNonFiscalClose,
                                              kTicketOpen,    kTicketItem,    kTicketPayment,
                                              kTicketClose,   kDrawerOpen,    kClosingX};
  return buttons;
}

class FaultSoak : public LibraryTest {};

TEST_F(FaultSoak, EveryCommandEndsOnceWithAVerdictUnderLineFaults) {
  connect({"--corrupt-every", "7", "--drop-every", "11", "--delay-ms", "1"});
  ASSERT_EQ(openCode_, FP_OK);

  constexpr int kRounds = 250;  // 2250 commands
  int sent = 0;
  std::map<int, int> verdicts;
  std::size_t descriptorsAfterWarmUp = 0;
  long memoryAfterWarmUp = 0;
  for (int r = 0; r < kRounds; ++r) {
    for (const Button& button : round()) {
      ++verdicts[press(button)];
      ++sent;
    }
    if (r == 10) {
      descriptorsAfterWarmUp = openDescriptors();
      memoryAfterWarmUp = residentKilobytes();
    }
  }
  // A fault never hits three transmissions of one command in a row at these
  // rates, so every command must have been executed exactly once.
  EXPECT_EQ(verdicts[0], sent) << "verdicts other than 0: " << verdicts.size() - 1;
  EXPECT_EQ(simulator_->stat("commands_executed"), static_cast<std::uint64_t>(sent));
  EXPECT_EQ(simulator_->stat("executed.ticket_item"), static_cast<std::uint64_t>(kRounds));
  EXPECT_GT(simulator_->stat("retransmissions"), 100u) << "the faults really happened";
  EXPECT_EQ(openDescriptors(), descriptorsAfterWarmUp);
  if (kResidentMemoryIsMeaningful) {
    EXPECT_LT(residentKilobytes() - memoryAfterWarmUp, 2048) << "resident memory grew";
  }
  std::printf("soak: %d commands, %llu retransmissions, %llu replies corrupted, %llu dropped\n",
              sent, static_cast<unsigned long long>(simulator_->stat("retransmissions")),
              static_cast<unsigned long long>(simulator_->stat("replies_corrupted")),
              static_cast<unsigned long long>(simulator_->stat("replies_dropped")));
}

// When every reply is damaged the command still ends, with a documented code,
// within the bounded retries, and the printer executed it once.
TEST_F(FaultSoak, HopelessLineEndsInADocumentedCodeAndExecutesOnce) {
  connect({"--corrupt-every", "1"});
  ASSERT_EQ(openCode_, FP_OK) << "the handshake reply is never damaged";
  EXPECT_EQ(press(kDrawerOpen), FP_BAD_FRAMES);
  EXPECT_EQ(simulator_->stat("retransmissions"), 2u);
  EXPECT_EQ(simulator_->stat("executed.drawer_open"), 1u);
}

}  // namespace
}  // namespace sim_test
