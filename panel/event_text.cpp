#include "panel/event_text.h"

#include <cstdio>
#include <cstdlib>

#include "protocol/status_names.h"

namespace panel {
namespace {

namespace proto = fp::protocol;
using sim::watch::Direction;
using sim::watch::Fault;

std::string padded(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*u", digits, value);
  return text;
}

std::string hexWord(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

// Non-empty fields by their number, as the trace decoder shows them.
std::string fieldsText(const std::vector<std::string>& fields) {
  std::string text;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].empty()) continue;
    if (!text.empty()) text += ' ';
    text += std::to_string(i + 1) + "=\"" + fields[i] + '"';
  }
  return text;
}

std::string codeText(std::uint16_t code) {
  const std::string why = proto::returnCodeText(code);
  return std::to_string(code) + (why.empty() ? "" : " " + why);
}

std::string plural(std::uint32_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string amountText(std::int64_t cents) {
  const std::uint64_t magnitude =
      cents < 0 ? 0 - static_cast<std::uint64_t>(cents) : static_cast<std::uint64_t>(cents);
  char text[32];
  std::snprintf(text, sizeof text, "%s%llu.%02llu", cents < 0 ? "-" : "",
                static_cast<unsigned long long>(magnitude / 100),
                static_cast<unsigned long long>(magnitude % 100));
  return text;
}

std::string rateText(std::int64_t rate) {
  return amountText(rate) + " %";
}

MonitorRow frameRow(const sim::watch::Frame& frame) {
  MonitorRow row;
  const std::string number = frame.sequence ? "#" + std::to_string(*frame.sequence) + " " : "";
  if (frame.direction == Direction::kIn) {
    row.direction = ">";
    row.frame = number + frame.name;
    row.details = frame.words.empty() ? "" : "[" + frame.words + "]";
    if (const std::string fields = fieldsText(frame.fields); !fields.empty()) {
      row.details += " " + fields;
    }
    if (frame.repeat) row.verdict = "!! RETRANSMISSION";
    if (frame.name == "bad frame") row.verdict = "!! damaged: answered NAK";
    if (frame.name == "unreadable") row.verdict = "!! fields cannot be read";
    return row;
  }
  row.direction = "<";
  row.frame = number + frame.name;
  if (frame.code) row.details = "return code " + codeText(*frame.code);
  if (frame.status) {
    row.details += " | printer " + hexWord(frame.status->printer) + " " +
                   proto::statusBitNames(proto::StatusWord::Printer, frame.status->printer) +
                   " | fiscal " + hexWord(frame.status->fiscal) + " " +
                   proto::statusBitNames(proto::StatusWord::Fiscal, frame.status->fiscal);
  }
  if (const std::string fields = fieldsText(frame.fields); !fields.empty()) {
    row.details += " | " + fields;
  }
  if (frame.fault == Fault::kCorrupt) row.verdict = "!! corrupted on purpose";
  if (frame.fault == Fault::kDrop) row.verdict = "!! a byte left out on purpose";
  if (!frame.complete)
    row.verdict += (row.verdict.empty() ? "" : "; ") + std::string("!! cut short");
  return row;
}

MonitorRow commandRow(const sim::watch::Command& command) {
  MonitorRow row;
  row.direction = "=";
  row.frame = "#" + std::to_string(command.sequence) + " " + command.name;
  row.details = command.words.empty() ? "" : "[" + command.words + "]";
  row.verdict = (command.code == 0 ? "OK (" : "REFUSED (") + codeText(command.code) + ")";
  return row;
}

std::string documentText(const sim::watch::Fiscal::Document& d) {
  using Kind = sim::watch::DocumentKind;
  switch (d.kind) {
    case Kind::kNone:
      return "No document open";
    case Kind::kNonFiscal:
      return "Non-fiscal document " + padded(d.number, 8) +
             " open: " + plural(d.lines, "line", "lines");
    case Kind::kTicket:
    case Kind::kInvoice:
      break;
  }
  return std::string(d.kind == Kind::kTicket ? "Ticket " : "Invoice A ") + padded(d.number, 8) +
         " open: " + amountText(d.total) + " in " + plural(d.items, "item", "items") + ", paid " +
         amountText(d.paid);
}

std::string dayText(const sim::watch::Fiscal::Day& day) {
  return plural(day.tickets, "ticket", "tickets") + ", " +
         plural(day.invoices, "invoice", "invoices") + ", " + std::to_string(day.nonFiscal) +
         " non-fiscal, " + std::to_string(day.cancelled) + " cancelled; total " +
         amountText(day.total) + ", tax " + amountText(day.tax) + ", returns " +
         amountText(day.returns);
}

std::string lastZText(const sim::watch::Fiscal& fiscal) {
  if (fiscal.lastZ == 0) return "none yet";
  return padded(fiscal.lastZ, 4) + (fiscal.lastZDate.empty() ? "" : " on " + fiscal.lastZDate);
}

}  // namespace panel
