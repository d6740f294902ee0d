#include "simulator/control/watch_json.h"

namespace sim::watch {
namespace {

constexpr char kHex[] = "0123456789abcdef";

bool isControl(unsigned char byte) {
  return byte < 0x20 || (byte >= 0x7F && byte < 0xA0);
}

}  // namespace

// Kept apart so that it is one call to swap for a shared printer-text escaper.
std::string jsonString(std::string_view text) {
  std::string out = "\"";
  out.reserve(text.size() + 2);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (isControl(byte)) {
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out + "\"";
}

void JsonObject::key(std::string_view name) {
  if (body_.size() > 1) body_ += ',';
  body_ += '"';
  body_ += name;
  body_ += "\":";
}

JsonObject& JsonObject::text(std::string_view name, std::string_view value) {
  key(name);
  body_ += jsonString(value);
  return *this;
}

JsonObject& JsonObject::number(std::string_view name, std::int64_t value) {
  key(name);
  body_ += std::to_string(value);
  return *this;
}

JsonObject& JsonObject::flag(std::string_view name, bool value) {
  key(name);
  body_ += value ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::texts(std::string_view name, const std::vector<std::string>& values) {
  key(name);
  body_ += '[';
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) body_ += ',';
    body_ += jsonString(values[i]);
  }
  body_ += ']';
  return *this;
}

JsonObject& JsonObject::raw(std::string_view name, std::string_view json) {
  key(name);
  body_ += json;
  return *this;
}

}  // namespace sim::watch
