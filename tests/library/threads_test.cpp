// The entry points called from several threads at once, and the C boundary.
#include <atomic>
#include <new>
#include <thread>

#include "libfiscalprinter/src/entry_guard.h"
#include "tests/library/library_fixture.h"

namespace fp::testing {
namespace {

using Threads = LibraryTest;

bool documented(int code) {
  return code == FP_OK || code == FP_FIELD_LIST_TOO_LONG || code == FP_MALFORMED_COMMAND;
}

// One thread gathers and sends commands while another keeps adding fields and
// reading the last code: calls are serialized on the one instance, so every
// command goes out whole or is refused with a documented code.
TEST_F(Threads, FieldsAndCommandsFromTwoThreadsAtOnce) {
  Script script;
  ASSERT_EQ(openWith(script), FP_OK);
  int undocumented = 0;
  std::atomic<bool> done{false};
  std::thread adder([&done] {
    for (int i = 0; !done; ++i) {
      AddDataField("field", 5);
      (void)getLastError();
      if (i % 7 == 0) Purge(nullptr);
    }
  });
  for (int i = 0; i < 300; ++i) {
    addWord(0x0A01);
    addWord(0x0000);
    char area[FP_AREA_SIZE];
    if (!documented(SendCommand(area))) ++undocumented;
    if (!documented(SendCommandComplete("0A01|0000"))) ++undocumented;
  }
  done = true;
  adder.join();
  EXPECT_EQ(undocumented, 0);
  for (const auto& frame : commandFrames()) EXPECT_LE(frame.fields.size(), protocol::kMaxFields);
}

TEST(CBoundary, AnExceptionInsideBecomesTheInternalErrorCode) {
  char area[FP_AREA_SIZE] = "stale";
  const int code =
      lib::guardedCall(area, [](lib::PrinterSession&) -> int { throw std::bad_alloc(); });
  EXPECT_EQ(code, FP_INTERNAL_ERROR);
  EXPECT_EQ(getLastError(), FP_INTERNAL_ERROR);
  EXPECT_STREQ(area, "");
  EXPECT_STREQ(getErrorText(FP_INTERNAL_ERROR), "internal error");
}

}  // namespace
}  // namespace fp::testing
