// C++ access to the recording printer library from a test.
#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/recording_library.h"

namespace testing_support {

// Paths of the recording libraries, set by the build.
inline std::string recordingLibraryPath() {
  return RECORDING_LIBRARY_PATH;
}
inline std::string partialRecordingLibraryPath() {
  return PARTIAL_RECORDING_LIBRARY_PATH;
}

class Recorder {
 public:
  explicit Recorder(const std::string& path = recordingLibraryPath())
      : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr) throw std::runtime_error(dlerror());
    reset_ = resolve<void (*)()>("rec_reset");
    count_ = resolve<size_t (*)()>("rec_count");
    get_ = resolve<int (*)(size_t, RecordedCall*)>("rec_get");
    set_ = resolve<void (*)(const char*, int)>("rec_set_result");
    push_ = resolve<void (*)(const char*, int)>("rec_push_result");
    reset_();
  }
  ~Recorder() { dlclose(handle_); }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  void reset() { reset_(); }
  void setResult(const char* entry, int value) { set_(entry, value); }
  void pushResult(const char* entry, int value) { push_(entry, value); }

  std::vector<RecordedCall> calls() const {
    std::vector<RecordedCall> all(count_());
    for (size_t i = 0; i < all.size(); ++i) get_(i, &all[i]);
    return all;
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const RecordedCall& call : calls()) out.emplace_back(call.name);
    return out;
  }

 private:
  template <typename Fn>
  Fn resolve(const char* name) {
    void* symbol = dlsym(handle_, name);
    if (symbol == nullptr) throw std::runtime_error(std::string("missing ") + name);
    return reinterpret_cast<Fn>(symbol);
  }

  void* handle_;
  void (*reset_)();
  size_t (*count_)();
  int (*get_)(size_t, RecordedCall*);
  void (*set_)(const char*, int);
  void (*push_)(const char*, int);
};

// The bytes a call carried, as a string (for AddDataField: its `length` bytes).
inline std::string bytesOf(const RecordedCall& call) {
  return std::string(reinterpret_cast<const char*>(call.bytes), call.byteCount);
}
// The bytes that stood at the address, up to and including the first zero byte.
inline std::string atAddressOf(const RecordedCall& call) {
  return std::string(reinterpret_cast<const char*>(call.atAddress), call.zeroTerminatedCount);
}

}  // namespace testing_support
