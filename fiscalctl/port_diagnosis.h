// Why the printer port did not open, in words a user can act on. The library
// gives only a code (busy, invalid, no printer) and keeps the system's reason
// in its trace; fiscalctl looks at the device itself and says it where the
// user looks: no such device, not a terminal, who may open it and how to join
// that group, which process holds it.
#pragma once

#include <sys/types.h>

#include <string>

namespace fiscalctl {

// The device the library opens as port 1: FISCALPRINTER_PORT1, else /dev/ttyS0.
std::string port1Device();

// The reason OpenPort gave `code` for `device`, or "" when there is nothing to
// add to the code's own text. Looks, never changes: the device is opened for
// a moment at most, without becoming the controlling terminal.
std::string portFailureReason(const std::string& device, int code);

// For an OpenPort code FP_REFUSED_BASE + N (the printer answered the opening
// handshake with return code N, so the library closed the port again): the
// refusal in words, with the printer's own text for N; "" for any other code.
std::string handshakeRefusal(int code);

// Advice for a device the user may not open, from its mode and owners:
// "crw-rw---- root:dialout; members of the group dialout may use it (...)".
std::string permissionAdvice(mode_t mode, const std::string& owner, const std::string& group);

}  // namespace fiscalctl
