// Where a program of ours finds the printer library when it is not told: the
// one lookup the console and fiscalctl share.
#pragma once

#include <string>

namespace fp::host {

// Found from /proc/self/exe, never a search path: lib/libfiscalprinter.so.1
// beside the bin directory of the running executable (the build tree), else the
// installed library folder relative to bin/ (FISCAL_INSTALLED_LIBDIR, set at
// configure time). When neither exists, the first, so that a load error names
// the build tree's path; empty when the executable cannot be told.
std::string defaultLibraryPath();

}  // namespace fp::host
