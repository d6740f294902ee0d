#include "protocol/printer_text.h"

namespace fp::protocol {
namespace {

constexpr char kHex[] = "0123456789abcdef";
constexpr char kUpperHex[] = "0123456789ABCDEF";  // \xHH, as fiscalctl writes bytes

bool isControl(unsigned char byte) {
  return byte < 0x20 || (byte >= 0x7F && byte < 0xA0);
}

void appendUtf8(std::string& out, unsigned char byte) {
  if (byte < 0x80) {
    out += static_cast<char>(byte);
    return;
  }
  out += static_cast<char>(0xC0 | (byte >> 6));
  out += static_cast<char>(0x80 | (byte & 0x3F));
}

void appendHex(std::string& out, unsigned char byte) {
  out += "\\x";
  out += kUpperHex[byte >> 4];
  out += kUpperHex[byte & 0x0F];
}

// The length of the valid UTF-8 sequence that starts `text`, or 0: no
// overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t utf8Length(std::string_view text) {
  const auto at = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = at(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || at(1) < low || at(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (at(i) < 0x80 || at(i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string terminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = utf8Length(text);
    // A C1 control is two bytes, C2 80 to C2 9F; its code point is the second.
    const bool control =
        length == 1 ? isControl(lead)
                    : length == 2 && lead == 0xC2 && isControl(static_cast<unsigned char>(text[1]));
    if (length == 0 || control) {
      length = length == 0 ? 1 : length;
      for (std::size_t i = 0; i < length; ++i) appendHex(out, static_cast<unsigned char>(text[i]));
    } else if (lead == '\\') {
      out += "\\\\";
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return out;
}

std::string utf8FromPrinterText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (const char c : text) appendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (isControl(byte)) {
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      appendUtf8(out, byte);
    }
  }
  return out + "\"";
}

}  // namespace fp::protocol
