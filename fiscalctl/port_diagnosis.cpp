#include "fiscalctl/port_diagnosis.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "fiscalprinter/fiscalprinter.h"
#include "protocol/status_names.h"

namespace fiscalctl {
namespace {

std::string modeText(mode_t mode) {
  std::string text = S_ISCHR(mode) ? "c" : S_ISDIR(mode) ? "d" : S_ISREG(mode) ? "-" : "?";
  const char* letters = "rwxrwxrwx";
  for (int bit = 0; bit < 9; ++bit) text += (mode & (0400 >> bit)) != 0 ? letters[bit] : '-';
  return text;
}

std::string userName(uid_t uid) {
  const passwd* user = ::getpwuid(uid);
  return user != nullptr ? user->pw_name : std::to_string(uid);
}

std::string groupName(gid_t gid) {
  const group* found = ::getgrgid(gid);
  return found != nullptr ? found->gr_name : std::to_string(gid);
}

// "process 1234 (fiscal-console)" for each process with the device open, as far
// as /proc lets us see (the library has closed its own descriptor by now).
std::string holders(const std::string& device) {
  std::error_code error;
  const std::filesystem::path target = std::filesystem::canonical(device, error);
  if (error) return {};
  std::string found;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return {};
  while (const dirent* entry = ::readdir(proc)) {
    const std::string pid = entry->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::filesystem::path fds = "/proc/" + pid + "/fd";
    for (const auto& fd : std::filesystem::directory_iterator(fds, error)) {
      std::error_code ignored;
      if (std::filesystem::read_symlink(fd.path(), ignored) != target) continue;
      std::string name;
      std::getline(std::ifstream("/proc/" + pid + "/comm"), name);
      found += (found.empty() ? "" : ", ") + ("process " + pid + " (" + name + ")");
      break;
    }
  }
  ::closedir(proc);
  return found;
}

std::string whyInvalid(const std::string& device) {
  struct stat status {};
  if (::stat(device.c_str(), &status) != 0) {
    return errno == ENOENT ? "no such device" : std::strerror(errno);
  }
  if (!S_ISCHR(status.st_mode)) {
    return std::string("not a terminal but ") + (S_ISREG(status.st_mode)   ? "a regular file"
                                                 : S_ISDIR(status.st_mode) ? "a directory"
                                                 : S_ISFIFO(status.st_mode)
                                                     ? "a FIFO"
                                                     : "neither a device nor a file");
  }
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EACCES || errno == EPERM) {
      return "permission denied: " +
             permissionAdvice(status.st_mode, userName(status.st_uid), groupName(status.st_gid));
    }
    return std::strerror(errno);
  }
  const bool terminal = ::isatty(fd) != 0;
  ::close(fd);
  if (!terminal) return "not a terminal";
  return "it refused the serial settings (FISCALPRINTER_TRACE=FILE keeps the library's reason)";
}

}  // namespace

std::string port1Device() {
  const char* device = std::getenv("FISCALPRINTER_PORT1");
  return device != nullptr && *device != '\0' ? device : "/dev/ttyS0";
}

std::string permissionAdvice(mode_t mode, const std::string& owner, const std::string& group) {
  std::string text = modeText(mode) + " " + owner + ":" + group + "; ";
  if ((mode & 060) == 060) {
    return text + "members of the group " + group + " may use it (sudo adduser $USER " + group +
           ", then log in again)";
  }
  return text + "only " + owner + " may use it";
}

std::string handshakeRefusal(int code) {
  if (code <= FP_REFUSED_BASE || code > FP_REFUSED_BASE + 0xFFFF) return {};
  const int returnCode = code - FP_REFUSED_BASE;
  const std::string text = fp::protocol::returnCodeText(static_cast<std::uint16_t>(returnCode));
  return "the printer refused the opening handshake with return code " +
         std::to_string(returnCode) +
         (text.empty() ? ", one it does not document" : " (" + text + ")");
}

std::string portFailureReason(const std::string& device, int code) {
  switch (code) {
    case FP_PORT_INVALID:
      return whyInvalid(device);
    case FP_PORT_BUSY: {
      const std::string held = holders(device);
      return held.empty() ? "another program holds it (none that this user may see)"
                          : "held by " + held;
    }
    case FP_NO_PRINTER:
      return "the port opened but no printer answered within 3 s (cable, power, --baud?)";
    default:
      return {};
  }
}

}  // namespace fiscalctl
