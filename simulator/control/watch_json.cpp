#include "simulator/control/watch_json.h"

#include "protocol/printer_text.h"

namespace sim::watch {

std::string jsonString(std::string_view text) {
  return fp::protocol::jsonString(text);
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
