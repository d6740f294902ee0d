// The notes the library writes into its trace ('#' lines, trace_line.h), named
// once: the library writes them from here and fiscalctl's decoder reads them by
// the same names, so a note's wording cannot drift between writer and reader.
// Damage to a frame is noted by frameErrorText (frame.h).
#pragma once

#include <string>
#include <string_view>

namespace fp::protocol::note {

// The port is closed (ClosePort on an open port).
inline constexpr std::string_view kClose = "close";
// The command ended without an intact reply after every transmission.
inline constexpr std::string_view kNoAnswer = "giving up: no answer";
inline constexpr std::string_view kDamagedFrames = "giving up: damaged frames";
// The device or connection failed during a command (reading; writing).
inline constexpr std::string_view kLineLost = "line lost";
inline constexpr std::string_view kWriteFailed = "write failed";
// What the link saw and dropped.
inline constexpr std::string_view kStaleInput = "discarding stale input";
inline constexpr std::string_view kReplyCutShort = "reply cut short";
inline constexpr std::string_view kUnreadableReply = "unreadable reply";
// Why a network connection ended: the server closed it.
inline constexpr std::string_view kServerClosed = "the server closed the connection";

// "open /dev/pts/3 at 115200 bit/s": OpenPort starts on this target.
std::string open(std::string_view target, int bitsPerSecond);
// "resending sequence 5": the command goes out again.
std::string resending(int sequence);
// "giving up: still working after 120 s" (kNoAnswer or kDamagedFrames follows).
std::string stillWorking(long long seconds);
// "ignoring reply to sequence 4": a reply to another command.
std::string ignoringReply(int sequence);
// "connected to 127.0.0.1:2217".
std::string connected(std::string_view address);
// "rfc2217: the server confirms ...; no flow control, DTR and RTS asked for".
std::string rfc2217Settings(std::string_view confirmed);
// "connection lost: Connection reset by peer (errno 104)".
std::string connectionLost(std::string_view systemReason);
// "serial line lost: Input/output error (errno 5)", or without a reason from
// the system "serial line lost: the device hung up".
std::string serialLineLost(std::string_view systemReason);
// "port invalid: No such file or directory (errno 2)": OpenPort refused with
// the code's text and the reason (also written to the area).
std::string portRefused(std::string_view codeText, std::string_view reason);
// "process C forked from P: a fresh instance; ...": a forked child's first OpenPort.
std::string forked(long long child, long long parent);
// "N trace lines dropped": lines the target did not take.
std::string linesDropped(unsigned long count);

// What a note tells a reader of the trace about the command it ends or the
// session it starts; Other for every note that is only shown.
enum class Meaning { Other, Open, Close, Resending, NoAnswer, DamagedFrames, LineLost };
Meaning meaning(std::string_view text);

}  // namespace fp::protocol::note
