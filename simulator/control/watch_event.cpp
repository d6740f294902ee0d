#include "simulator/control/watch_event.h"

#include "protocol/status_names.h"
#include "simulator/control/watch_json.h"

namespace sim::watch {
namespace {

namespace proto = fp::protocol;

std::vector<std::string> bitNames(proto::StatusWord word, std::uint16_t value) {
  std::vector<std::string> names;
  for (int bit = 0; bit < 16; ++bit) {
    if ((value & (1u << bit)) == 0) continue;
    const std::string name = proto::statusBitName(word, bit);
    names.push_back(name.empty() ? "bit " + std::to_string(bit) : name);
  }
  return names;
}

JsonObject& statusKeys(JsonObject& object, const Status& status) {
  return object.number("printer", status.printer)
      .texts("printer_bits", bitNames(proto::StatusWord::Printer, status.printer))
      .number("fiscal", status.fiscal)
      .texts("fiscal_bits", bitNames(proto::StatusWord::Fiscal, status.fiscal));
}

JsonObject& codeKeys(JsonObject& object, std::uint16_t code) {
  return object.number("code", code).text("code_text", proto::returnCodeText(code));
}

JsonObject event(std::string_view name) {
  JsonObject object;
  object.text("event", name);
  return object;
}

std::string format(const Watching& e) {
  return event("watching").number("version", e.version).number("columns", e.columns).done();
}

std::string format(const Paper& e) {
  return event("paper").text("text", e.text).done();
}

std::string format(const Status& e) {
  JsonObject object = event("status");
  return statusKeys(object, e).done();
}

std::string format(const Conditions& e) {
  return event("conditions")
      .text("paper", wordFor(kPaperWords, e.paper))
      .text("cover", wordFor(kOpenWords, e.coverOpen))
      .text("drawer", wordFor(kOpenWords, e.drawerOpen))
      .text("power", wordFor(kPowerWords, e.powerCut))
      .number("delay_ms", e.delayMs)
      .number("baud", e.baud)
      .number("corrupt_every", e.corruptEvery)
      .number("drop_every", e.dropEvery)
      .text("forced_fault", wordFor(kFaultWords, e.forced))
      .number("forced_left", e.forcedLeft)
      .done();
}

std::string format(const Command& e) {
  JsonObject object = event("command");
  object.number("sequence", e.sequence).text("name", e.name).text("words", e.words);
  object.texts("fields", e.fields);
  return codeKeys(object, e.code).texts("reply_fields", e.replyFields).done();
}

std::string format(const Frame& e) {
  JsonObject object = event("frame");
  object.text("direction", wordFor(kDirectionWords, e.direction)).text("name", e.name);
  if (e.sequence) object.number("sequence", *e.sequence);
  if (!e.words.empty()) object.text("words", e.words);
  if (e.code) codeKeys(object, *e.code);
  if (e.status) statusKeys(object, *e.status);
  if (!e.fields.empty()) object.texts("fields", e.fields);
  if (e.direction == Direction::kIn) {
    object.flag("repeat", e.repeat);
  } else {
    object.text("fault", wordFor(kFaultWords, e.fault)).flag("complete", e.complete);
  }
  return object.done();
}

std::string format(const Fiscal& e) {
  const Fiscal::Document& d = e.document;
  const std::string document = JsonObject()
                                   .text("kind", wordFor(kDocumentWords, d.kind))
                                   .number("number", d.number)
                                   .number("total", d.total)
                                   .number("items", d.items)
                                   .number("paid", d.paid)
                                   .number("payments", d.payments)
                                   .number("lines", d.lines)
                                   .done();
  std::string rates = "[";
  for (const Fiscal::Rate& r : e.day.rates) {
    if (rates.size() > 1) rates += ',';
    rates += JsonObject()
                 .number("rate", r.rate)
                 .number("gross", r.gross)
                 .number("net", r.net)
                 .number("tax", r.tax)
                 .done();
  }
  rates += ']';
  const std::string day = JsonObject()
                              .number("tickets", e.day.tickets)
                              .number("invoices", e.day.invoices)
                              .number("non_fiscal", e.day.nonFiscal)
                              .number("cancelled", e.day.cancelled)
                              .number("total", e.day.total)
                              .number("tax", e.day.tax)
                              .number("returns", e.day.returns)
                              .raw("rates", rates)
                              .done();
  return event("fiscal")
      .raw("document", document)
      .raw("day", day)
      .raw("last_z", JsonObject().number("number", e.lastZ).text("date", e.lastZDate).done())
      .raw("memory", JsonObject()
                         .number("used", e.lastZ)
                         .number("capacity", e.zCapacity)
                         .flag("file", e.memoryFile)
                         .done())
      .done();
}

std::string format(const Dropped& e) {
  return event("dropped").number("lines", static_cast<std::int64_t>(e.lines)).done();
}

}  // namespace

std::string formatEvent(const Event& event) {
  return std::visit([](const auto& e) { return format(e); }, event);
}

}  // namespace sim::watch
