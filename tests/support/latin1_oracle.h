// The printer's texts in tests: every byte value, and what ISO-8859-1 text is in
// UTF-8 according to the C library's iconv (not our own conversion).
#pragma once

#include <iconv.h>

#include <stdexcept>
#include <string>

namespace testing_support {

// The 256 byte values, 0x00 first.
inline std::string everyByte() {
  std::string bytes(256, '\0');
  for (int i = 0; i < 256; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(i);
  return bytes;
}

// `latin1` converted by iconv from ISO-8859-1 to UTF-8.
inline std::string utf8ByIconv(const std::string& latin1) {
  iconv_t converter = iconv_open("UTF-8", "ISO-8859-1");
  if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no iconv");
  std::string in = latin1;
  std::string out(latin1.size() * 2, '\0');
  char* from = in.data();
  char* to = out.data();
  std::size_t left = in.size();
  std::size_t room = out.size();
  const std::size_t done = iconv(converter, &from, &left, &to, &room);
  iconv_close(converter);
  if (done == static_cast<std::size_t>(-1)) throw std::runtime_error("iconv failed");
  out.resize(out.size() - room);
  return out;
}

}  // namespace testing_support
