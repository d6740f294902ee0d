// Runs the built fiscalctl as a child process and collects what it printed.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace fiscalctl_test {

struct Result {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// fiscalctl with `args`, `environment` added ("NAME=VALUE"); killed after 60 s.
Result fiscalctl(const std::vector<std::string>& args,
                 const std::vector<std::string>& environment = {});

// A private temporary directory, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
int count(const std::string& text, const std::string& part);

}  // namespace fiscalctl_test
