#include "protocol/printer_text.h"

namespace fp::protocol {
namespace {

constexpr char kHex[] = "0123456789abcdef";

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

}  // namespace

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
