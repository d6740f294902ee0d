// What the shared sequences promise beyond the byte-for-byte suites, whose
// callers always hand a fresh scratch area: the packed text reaches the
// library ended by a zero byte whatever the scratch area held before.
#include "host/library_calls.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Takes every call; keeps the text SendCommandComplete received.
struct TextKeeper {
  std::vector<std::string> packedTexts;
  std::int32_t Purge(char*) { return 0; }
  std::int32_t GetAPIVersion(char*) { return 0; }
  std::int32_t setComPort(std::int32_t) { return 0; }
  std::int32_t setBaudRate(std::int32_t) { return 0; }
  std::int32_t setProtocolType(std::int32_t) { return 0; }
  std::int32_t OpenPort(char*) { return 0; }
  std::int32_t ClosePort(char*) { return 0; }
  std::int32_t AddDataField(const char*, std::int32_t) { return 0; }
  std::int32_t SendCommand(char*) { return 0; }
  std::int32_t SendCommandComplete(const char* text) {
    packedTexts.emplace_back(text, ::strnlen(text, 64));
    return 0;
  }
  std::int32_t getLastError() { return 0; }
};

TEST(LibraryCalls, APackedRowLeavesAsItsTextWhateverTheScratchHeld) {
  int packedRows = 0;
  for (const fp::contract::CommandRow* row : fp::contract::commandTable()) {
    if (row->sending != fp::contract::Sending::Packed) continue;
    ++packedRows;
    SCOPED_TRACE(row->name);
    TextKeeper library;
    std::array<char, fp::host::kAreaSize> area{};
    std::array<char, 64> scratch;
    scratch.fill('#');
    fp::host::sendRow(library, *row, area, scratch);
    ASSERT_EQ(library.packedTexts.size(), 1u);
    EXPECT_EQ(library.packedTexts[0], std::string(row->packed.data(), row->packed.size()));
  }
  EXPECT_GT(packedRows, 0);
}

}  // namespace
