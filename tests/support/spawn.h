// Starts a program for a test with its standard output and standard error on
// pipes, so the test can read what it says.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace testing_support {

// Runs `program` with `args` and the extra `environment` entries ("NAME=VALUE").
// Returns its pid and the read ends of its output pipes, or -1 when it could
// not be started.
inline pid_t spawnWithPipes(const std::string& program, const std::vector<std::string>& args,
                            const std::vector<std::string>& environment, int& outRead,
                            int& errRead) {
  int out[2];
  int err[2];
  if (pipe2(out, O_CLOEXEC) != 0) return -1;
  if (pipe2(err, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    return -1;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    for (const std::string& entry : environment) putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  outRead = out[0];
  errRead = err[0];
  return pid;
}

}  // namespace testing_support
