// A printer library that records every call and returns scripted values.
// Built with REC_PARTIAL it lacks OpenPort and getLastError, to test missing
// entry points. When REC_DUMP_FILE names a file, every call is also appended
// there as it is made (see dumpLine), and REC_LAST_ERRORS ("0,13,1002") gives
// the values getLastError returns, once each, in order: for tests that run
// another process.
#include "tests/support/recording_library.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#define REC_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr std::size_t kAreaSize = 256;

struct State {
  std::vector<RecordedCall> calls;
  std::map<std::string, int> results;
  std::map<std::string, std::deque<int>> queued;
};

State fromEnvironment() {
  State s;
  const char* errors = std::getenv("REC_LAST_ERRORS");
  for (const char* at = errors; at != nullptr && *at != '\0';) {
    char* end = nullptr;
    const long value = std::strtol(at, &end, 10);
    if (end == at) break;
    s.queued["getLastError"].push_back(static_cast<int>(value));
    at = *end == ',' ? end + 1 : end;
  }
  return s;
}

State& state() {
  static State s = fromEnvironment();
  return s;
}

// The bytes at `address` are kept up to its first zero byte, and no further
// than `limit`: a field with a length may have no zero byte after it.
RecordedCall& record(const char* name, long long intArg, const void* address,
                     std::size_t limit = REC_MAX_BYTES) {
  RecordedCall call{};
  std::strncpy(call.name, name, sizeof call.name - 1);
  call.intArg = intArg;
  call.address = address;
  if (address != nullptr) {
    const auto* bytes = static_cast<const unsigned char*>(address);
    std::size_t n = 0;
    while (n < std::min<std::size_t>(limit, REC_MAX_BYTES)) {
      call.atAddress[n] = bytes[n];
      ++n;
      if (bytes[n - 1] == 0) break;
    }
    call.zeroTerminatedCount = n;
  }
  state().calls.push_back(call);
  return state().calls.back();
}

void copyBytes(RecordedCall& call, const void* data, std::size_t count) {
  call.byteCount = std::min<std::size_t>(count, REC_MAX_BYTES);
  if (call.byteCount > 0) std::memcpy(call.bytes, data, call.byteCount);
}

void recordArea(const char* name, const char* area) {
  RecordedCall& call = record(name, 0, area);
  copyBytes(call, area, REC_MAX_BYTES);
  call.areaAllZero = std::all_of(area, area + kAreaSize, [](char c) { return c == 0; }) ? 1 : 0;
}

std::string hex(const unsigned char* bytes, std::size_t count) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 0x0F];
  }
  return text.empty() ? "-" : text;
}

// "NAME INTARG BYTES ATADDRESS AREAZERO", the byte runs in hex ("-" when none).
void dumpLine(const RecordedCall& call) {
  const char* path = std::getenv("REC_DUMP_FILE");
  if (path == nullptr || *path == '\0') return;
  std::FILE* file = std::fopen(path, "ae");
  if (file == nullptr) return;
  std::fprintf(file, "%s %lld %s %s %d\n", call.name, call.intArg,
               hex(call.bytes, call.byteCount).c_str(),
               hex(call.atAddress, call.zeroTerminatedCount).c_str(), call.areaAllZero);
  std::fclose(file);
}

int resultOf(const char* name) {
  dumpLine(state().calls.back());
  auto& queue = state().queued[name];
  if (!queue.empty()) {
    const int value = queue.front();
    queue.pop_front();
    return value;
  }
  const auto it = state().results.find(name);
  return it == state().results.end() ? 0 : it->second;
}

}  // namespace

REC_EXPORT void rec_reset(void) {
  state() = State{};
}
REC_EXPORT size_t rec_count(void) {
  return state().calls.size();
}
REC_EXPORT int rec_get(size_t index, RecordedCall* out) {
  if (index >= state().calls.size() || out == nullptr) return -1;
  *out = state().calls[index];
  return 0;
}
REC_EXPORT void rec_set_result(const char* entry, int value) {
  state().results[entry] = value;
}
REC_EXPORT void rec_push_result(const char* entry, int value) {
  state().queued[entry].push_back(value);
}

REC_EXPORT int Purge(char* area) {
  recordArea("Purge", area);
  return resultOf("Purge");
}
REC_EXPORT int GetAPIVersion(char* area) {
  recordArea("GetAPIVersion", area);
  std::strcpy(area, "recording 1.0");
  return resultOf("GetAPIVersion");
}
REC_EXPORT int setComPort(int port) {
  record("setComPort", port, nullptr);
  return resultOf("setComPort");
}
REC_EXPORT int setBaudRate(int baud) {
  record("setBaudRate", baud, nullptr);
  return resultOf("setBaudRate");
}
REC_EXPORT int setProtocolType(int type) {
  record("setProtocolType", type, nullptr);
  return resultOf("setProtocolType");
}
#ifndef REC_PARTIAL
REC_EXPORT int OpenPort(char* area) {
  recordArea("OpenPort", area);
  return resultOf("OpenPort");
}
#endif
REC_EXPORT int ClosePort(char* area) {
  recordArea("ClosePort", area);
  return resultOf("ClosePort");
}
REC_EXPORT int AddDataField(const char* data, int length) {
  // Like the library: a length reads that many bytes, 0 up to a zero byte.
  RecordedCall& call = record("AddDataField", length, data,
                              length > 0 ? static_cast<std::size_t>(length) : REC_MAX_BYTES);
  copyBytes(call, data, length > 0 ? static_cast<std::size_t>(length) : 0);
  return resultOf("AddDataField");
}
REC_EXPORT int SendCommand(char* area) {
  recordArea("SendCommand", area);
  return resultOf("SendCommand");
}
REC_EXPORT int SendCommandComplete(const char* packed) {
  RecordedCall& call = record("SendCommandComplete", 0, packed);
  copyBytes(call, packed, call.zeroTerminatedCount);
  return resultOf("SendCommandComplete");
}
#ifndef REC_PARTIAL
REC_EXPORT int getLastError(void) {
  record("getLastError", 0, nullptr);
  return resultOf("getLastError");
}
#endif
REC_EXPORT int getPrinterStatus(void) {
  record("getPrinterStatus", 0, nullptr);
  return resultOf("getPrinterStatus");
}
REC_EXPORT int getFiscalStatus(void) {
  record("getFiscalStatus", 0, nullptr);
  return resultOf("getFiscalStatus");
}
