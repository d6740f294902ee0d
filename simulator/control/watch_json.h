// Writing the event stream's JSON: one object a line, valid UTF-8 whatever
// the printer's texts hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim::watch {

// `text` as a JSON string literal, quotes included, through the project's one
// escaper (protocol/printer_text.h): printer texts are ISO-8859-1, written in
// UTF-8, every control character as \u00XX. Valid JSON for any bytes.
std::string jsonString(std::string_view text);

// One JSON object built key by key, in order. Keys are written as given
// (they are our own names, never data).
class JsonObject {
 public:
  JsonObject& text(std::string_view key, std::string_view value);
  JsonObject& number(std::string_view key, std::int64_t value);
  JsonObject& flag(std::string_view key, bool value);
  JsonObject& texts(std::string_view key, const std::vector<std::string>& values);
  // `json` is already JSON (a nested object or array).
  JsonObject& raw(std::string_view key, std::string_view json);
  std::string done() const { return body_ + "}"; }

 private:
  void key(std::string_view name);
  std::string body_ = "{";
};

}  // namespace sim::watch
