#include "protocol/trace_notes.h"

namespace fp::protocol::note {
namespace {

constexpr std::string_view kOpenPrefix = "open ";
constexpr std::string_view kResendingPrefix = "resending sequence ";

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string open(std::string_view target, int bitsPerSecond) {
  return std::string(kOpenPrefix) + std::string(target) + " at " + std::to_string(bitsPerSecond) +
         " bit/s";
}

std::string resending(int sequence) {
  return std::string(kResendingPrefix) + std::to_string(sequence);
}

std::string stillWorking(long long seconds) {
  return "giving up: still working after " + std::to_string(seconds) + " s";
}

std::string ignoringReply(int sequence) {
  return "ignoring reply to sequence " + std::to_string(sequence);
}

std::string connected(std::string_view address) {
  return "connected to " + std::string(address);
}

std::string rfc2217Settings(std::string_view confirmed) {
  return "rfc2217: " + std::string(confirmed) + "; no flow control, DTR and RTS asked for";
}

std::string connectionLost(std::string_view systemReason) {
  return "connection lost: " + std::string(systemReason);
}

std::string serialLineLost(std::string_view systemReason) {
  return "serial line lost: " +
         (systemReason.empty() ? std::string("the device hung up") : std::string(systemReason));
}

std::string portRefused(std::string_view codeText, std::string_view reason) {
  return std::string(codeText) + ": " + std::string(reason);
}

std::string forked(long long child, long long parent) {
  return "process " + std::to_string(child) + " forked from " + std::to_string(parent) +
         ": a fresh instance; the parent's port and trace stay the parent's";
}

std::string linesDropped(unsigned long count) {
  return std::to_string(count) + " trace lines dropped";
}

Meaning meaning(std::string_view text) {
  if (startsWith(text, kOpenPrefix)) return Meaning::Open;
  if (text == kClose) return Meaning::Close;
  if (startsWith(text, kResendingPrefix)) return Meaning::Resending;
  if (text == kNoAnswer) return Meaning::NoAnswer;
  if (text == kDamagedFrames) return Meaning::DamagedFrames;
  if (text == kLineLost || text == kWriteFailed) return Meaning::LineLost;
  return Meaning::Other;
}

}  // namespace fp::protocol::note
