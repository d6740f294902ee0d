#include "host/library_path.h"

#include <filesystem>

#ifndef FISCAL_INSTALLED_LIBDIR
#define FISCAL_INSTALLED_LIBDIR "../lib"
#endif

namespace fp::host {

std::string defaultLibraryPath() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  const std::filesystem::path name = "libfiscalprinter.so.1";
  const std::filesystem::path beside = exe.parent_path().parent_path() / "lib" / name;
  const std::filesystem::path installed =
      (exe.parent_path() / FISCAL_INSTALLED_LIBDIR / name).lexically_normal();
  if (std::filesystem::exists(beside, error) || !std::filesystem::exists(installed, error)) {
    return beside.string();
  }
  return installed.string();
}

}  // namespace fp::host
