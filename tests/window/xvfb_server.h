// A private virtual X server for one test process: started on a display number
// it picks itself, ready once it says so, stopped by its process id.
#pragma once

#include <sys/types.h>

#include <string>

namespace window_test {

class XvfbServer {
 public:
  XvfbServer();
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool running() const { return pid_ > 0; }
  // ":N" once running.
  const std::string& display() const { return display_; }
  // Why the server is not running.
  const std::string& failure() const { return failure_; }

 private:
  void start();
  void stop();

  pid_t pid_ = -1;
  std::string display_;
  std::string failure_;
};

}  // namespace window_test
