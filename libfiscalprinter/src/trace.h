// The optional trace: when FISCALPRINTER_TRACE names a file, every frame and link
// byte sent or received is appended there, one line each, with a UTC timestamp,
// the bytes in hex and the same bytes as printable text ('.' for the others).
//
//   2026-12-09T13:45:01.123456Z > 02 01 43 0A 01 00 00 00 5A 11 03  |..C......Z..|
//
// '>' is host to printer, '<' printer to host, '#' a note of the library.
// A trace that cannot be written is silently skipped; it never changes an outcome.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace fp::lib {

class Trace {
 public:
  Trace() = default;
  ~Trace() { stop(); }
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  // Opens the file named by FISCALPRINTER_TRACE (if any) for appending.
  void startFromEnvironment();
  void stop();

  void sent(std::span<const std::uint8_t> bytes) { bytesLine('>', bytes); }
  void received(std::span<const std::uint8_t> bytes) { bytesLine('<', bytes); }
  void note(std::string_view text);

 private:
  void bytesLine(char direction, std::span<const std::uint8_t> bytes);
  void writeLine(char direction, const std::string& rest);
  std::FILE* file_ = nullptr;
};

// "02 41 03  |.A.|": the text part of a trace line (pure, for the tests).
std::string traceBytes(std::span<const std::uint8_t> bytes);

}  // namespace fp::lib
