// parseEvent(): the reading side of watch_event.h, on nlohmann::json (parsed
// without exceptions; every value's type is looked at before it is read).
#include <array>
#include <limits>
#include <nlohmann/json.hpp>
#include <utility>

#include "simulator/control/watch_event.h"

namespace sim::watch {
namespace {

using nlohmann::json;

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

// The keys of one JSON object, read one at a time; the first failure is kept
// in `error` and every later read fails too.
class Keys {
 public:
  Keys(const json& object, std::string& error, std::string where)
      : object_(object), error_(error), where_(std::move(where)) {}

  bool ok() const { return ok_; }

  // A whole number from `minimum` to `maximum` (default: the largest `out` holds).
  template <typename T>
  Keys& integer(const char* key, T& out, std::int64_t minimum = 0,
                std::optional<std::int64_t> maximum = std::nullopt) {
    constexpr std::int64_t kLargest =
        static_cast<std::uint64_t>(std::numeric_limits<T>::max()) >
                static_cast<std::uint64_t>(kInt64Max)
            ? kInt64Max
            : static_cast<std::int64_t>(std::numeric_limits<T>::max());
    const json* value = find(key);
    if (value == nullptr) return *this;
    std::int64_t read = 0;
    if (value->is_number_unsigned()) {
      const auto u = value->get<std::uint64_t>();
      if (u > static_cast<std::uint64_t>(kInt64Max)) {
        return fail(key, "out of range");
      }
      read = static_cast<std::int64_t>(u);
    } else if (value->is_number_integer()) {
      read = value->get<std::int64_t>();
    } else {
      return fail(key, "not a whole number");
    }
    if (read < minimum || read > maximum.value_or(kLargest)) return fail(key, "out of range");
    out = static_cast<T>(read);
    return *this;
  }

  Keys& text(const char* key, std::string& out) {
    const json* value = find(key);
    if (value == nullptr) return *this;
    if (!value->is_string()) return fail(key, "not a string");
    out = value->get<std::string>();
    return *this;
  }

  Keys& texts(const char* key, std::vector<std::string>& out) {
    const json* value = find(key);
    if (value == nullptr) return *this;
    if (!value->is_array()) return fail(key, "not a list");
    out.clear();
    for (const json& item : *value) {
      if (!item.is_string()) return fail(key, "holds something that is not a string");
      out.push_back(item.get<std::string>());
    }
    return *this;
  }

  Keys& flag(const char* key, bool& out) {
    const json* value = find(key);
    if (value == nullptr) return *this;
    if (!value->is_boolean()) return fail(key, "not true or false");
    out = value->get<bool>();
    return *this;
  }

  // One of the `words`, each standing for a value.
  template <typename T, std::size_t N>
  Keys& word(const char* key, T& out, const std::array<std::pair<std::string_view, T>, N>& words) {
    std::string read;
    text(key, read);
    if (!ok_) return *this;
    for (const auto& [name, value] : words) {
      if (name == read) {
        out = value;
        return *this;
      }
    }
    return fail(key, "not a known word");
  }

  // A nested object, or nullptr (with the failure kept).
  const json* object(const char* key) {
    const json* value = find(key);
    if (value == nullptr) return nullptr;
    if (!value->is_object()) {
      fail(key, "not an object");
      return nullptr;
    }
    return value;
  }

  const json* list(const char* key) {
    const json* value = find(key);
    if (value == nullptr) return nullptr;
    if (!value->is_array()) {
      fail(key, "not a list");
      return nullptr;
    }
    return value;
  }

  bool has(const char* key) const { return ok_ && object_.contains(key); }

  Keys& fail(const char* key, const char* why) {
    if (ok_) error_ = where_ + std::string(key) + ": " + why;
    ok_ = false;
    return *this;
  }

 private:
  const json* find(const char* key) {
    if (!ok_) return nullptr;
    const auto found = object_.find(key);
    if (found == object_.end()) {
      fail(key, "missing");
      return nullptr;
    }
    return &*found;
  }

  const json& object_;
  std::string& error_;
  std::string where_;
  bool ok_ = true;
};

constexpr std::int64_t kAmountLimit = kInt64Max;

std::optional<Event> readWatching(Keys& keys) {
  Watching e;
  keys.integer("version", e.version, 1).integer("columns", e.columns);
  return keys.ok() ? std::optional<Event>(e) : std::nullopt;
}

std::optional<Event> readPaper(Keys& keys) {
  Paper e;
  keys.text("text", e.text);
  return keys.ok() ? std::optional<Event>(e) : std::nullopt;
}

void readStatus(Keys& keys, Status& e) {
  keys.integer("printer", e.printer).integer("fiscal", e.fiscal);
}

std::optional<Event> readStatusEvent(Keys& keys) {
  Status e;
  readStatus(keys, e);
  return keys.ok() ? std::optional<Event>(e) : std::nullopt;
}

std::optional<Event> readConditions(Keys& keys) {
  Conditions e;
  keys.word("paper", e.paper, kPaperWords)
      .word("cover", e.coverOpen, kOpenWords)
      .word("drawer", e.drawerOpen, kOpenWords)
      .word("power", e.powerCut, kPowerWords)
      .integer("delay_ms", e.delayMs)
      .integer("baud", e.baud)
      .integer("corrupt_every", e.corruptEvery)
      .integer("drop_every", e.dropEvery)
      .word("forced_fault", e.forced, kFaultWords)
      .integer("forced_left", e.forcedLeft);
  return keys.ok() ? std::optional<Event>(e) : std::nullopt;
}

std::optional<Event> readCommand(Keys& keys) {
  Command e;
  keys.integer("sequence", e.sequence)
      .text("name", e.name)
      .text("words", e.words)
      .texts("fields", e.fields)
      .integer("code", e.code)
      .texts("reply_fields", e.replyFields);
  return keys.ok() ? std::optional<Event>(e) : std::nullopt;
}

std::optional<Event> readFrame(Keys& keys) {
  Frame e;
  keys.word("direction", e.direction, kDirectionWords).text("name", e.name);
  if (keys.has("sequence")) keys.integer("sequence", e.sequence.emplace());
  if (keys.has("words")) keys.text("words", e.words);
  if (keys.has("fields")) keys.texts("fields", e.fields);
  if (keys.has("code")) keys.integer("code", e.code.emplace());
  if (keys.has("printer") || keys.has("fiscal")) readStatus(keys, e.status.emplace());
  if (e.direction == Direction::kIn) {
    keys.flag("repeat", e.repeat);
  } else {
    keys.word("fault", e.fault, kFaultWords).flag("complete", e.complete);
  }
  return keys.ok() ? std::optional<Event>(e) : std::nullopt;
}

bool readDocument(const json& object, std::string& error, Fiscal::Document& d) {
  Keys keys(object, error, "document.");
  keys.word("kind", d.kind, kDocumentWords)
      .integer("number", d.number)
      .integer("total", d.total, -kAmountLimit)
      .integer("items", d.items)
      .integer("paid", d.paid, -kAmountLimit)
      .integer("payments", d.payments)
      .integer("lines", d.lines);
  return keys.ok();
}

bool readDay(const json& object, std::string& error, Fiscal::Day& d) {
  Keys keys(object, error, "day.");
  keys.integer("tickets", d.tickets)
      .integer("invoices", d.invoices)
      .integer("non_fiscal", d.nonFiscal)
      .integer("cancelled", d.cancelled)
      .integer("total", d.total, -kAmountLimit)
      .integer("tax", d.tax, -kAmountLimit)
      .integer("returns", d.returns, -kAmountLimit);
  const json* rates = keys.list("rates");
  if (rates == nullptr) return false;
  for (const json& item : *rates) {
    if (!item.is_object()) return keys.fail("rates", "holds something that is not an object").ok();
    Fiscal::Rate r;
    Keys rate(item, error, "day.rates.");
    rate.integer("rate", r.rate)
        .integer("gross", r.gross, -kAmountLimit)
        .integer("net", r.net, -kAmountLimit)
        .integer("tax", r.tax, -kAmountLimit);
    if (!rate.ok()) return false;
    d.rates.push_back(r);
  }
  return true;
}

std::optional<Event> readFiscal(Keys& keys, std::string& error) {
  Fiscal e;
  const json* document = keys.object("document");
  const json* day = keys.object("day");
  const json* lastZ = keys.object("last_z");
  const json* memory = keys.object("memory");
  if (document == nullptr || day == nullptr || lastZ == nullptr || memory == nullptr) {
    return std::nullopt;
  }
  if (!readDocument(*document, error, e.document) || !readDay(*day, error, e.day)) {
    return std::nullopt;
  }
  Keys z(*lastZ, error, "last_z.");
  z.integer("number", e.lastZ).text("date", e.lastZDate);
  Keys room(*memory, error, "memory.");
  if (z.ok()) room.integer("capacity", e.zCapacity).flag("file", e.memoryFile);
  return z.ok() && room.ok() ? std::optional<Event>(e) : std::nullopt;
}

std::optional<Event> readDropped(Keys& keys) {
  Dropped e;
  keys.integer("lines", e.lines);
  return keys.ok() ? std::optional<Event>(e) : std::nullopt;
}

}  // namespace

std::optional<Event> parseEvent(std::string_view line, std::string& error) {
  if (line.size() > kMaxLine) {
    error = "line longer than " + std::to_string(kMaxLine) + " bytes";
    return std::nullopt;
  }
  const json object = json::parse(line.begin(), line.end(), nullptr, false);
  if (object.is_discarded()) {
    error = "not JSON";
    return std::nullopt;
  }
  if (!object.is_object()) {
    error = "not a JSON object";
    return std::nullopt;
  }
  Keys keys(object, error, "");
  std::string name;
  if (!keys.text("event", name).ok()) return std::nullopt;
  if (name == "watching") return readWatching(keys);
  if (name == "paper") return readPaper(keys);
  if (name == "status") return readStatusEvent(keys);
  if (name == "conditions") return readConditions(keys);
  if (name == "command") return readCommand(keys);
  if (name == "frame") return readFrame(keys);
  if (name == "fiscal") return readFiscal(keys, error);
  if (name == "dropped") return readDropped(keys);
  error = "unknown event \"" + name.substr(0, 40) + "\"";
  return std::nullopt;
}

}  // namespace sim::watch
