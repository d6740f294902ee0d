#include "simulator/program/printer_watch.h"

#include "contract/command_set.h"
#include "protocol/frame.h"
#include "protocol/message.h"
#include "protocol/status_words.h"
#include "protocol/wire.h"

namespace sim {
namespace {

using fp::contract::commandLabel;

namespace proto = fp::protocol;

watch::Fault watchFault(Fault fault) {
  switch (fault) {
    case Fault::kCorrupt:
      return watch::Fault::kCorrupt;
    case Fault::kDrop:
      return watch::Fault::kDrop;
    case Fault::kNone:
      break;
  }
  return watch::Fault::kNone;
}

watch::DocumentKind watchKind(DocumentKind kind) {
  switch (kind) {
    case DocumentKind::kTicket:
      return watch::DocumentKind::kTicket;
    case DocumentKind::kInvoice:
      return watch::DocumentKind::kInvoice;
    case DocumentKind::kNonFiscal:
      return watch::DocumentKind::kNonFiscal;
    case DocumentKind::kNone:
      break;
  }
  return watch::DocumentKind::kNone;
}

// A frame in: its name, and the command's words and fields when it has them.
watch::Frame frameIn(const WireEvent& event, bool repeat) {
  watch::Frame frame;
  frame.direction = watch::Direction::kIn;
  switch (event.kind) {
    case WireEvent::Kind::kRejected:
      frame.name = "bad frame";
      return frame;
    case WireEvent::Kind::kMalformed:
      frame.name = "unreadable";
      break;
    case WireEvent::Kind::kHandshake:
    case WireEvent::Kind::kCommand:
      frame.name = commandLabel(event.command.word, event.command.extension);
      frame.words = fp::contract::wordsString(event.command.word, event.command.extension);
      frame.fields = event.command.fields;
      break;
  }
  frame.sequence = event.sequence;
  frame.repeat = repeat;
  return frame;
}

// Bytes out, decoded as the host would read them.
watch::Frame frameOut(std::span<const std::uint8_t> bytes, Fault fault, bool complete) {
  watch::Frame frame;
  frame.direction = watch::Direction::kOut;
  frame.fault = watchFault(fault);
  frame.complete = complete;
  if (bytes.size() == 1 && bytes[0] == proto::kAck) {
    frame.name = "ACK";
  } else if (bytes.size() == 1 && bytes[0] == proto::kNak) {
    frame.name = "NAK";
  } else if (bytes.size() == 1 && bytes[0] == proto::kWorking) {
    frame.name = "still working";
  } else {
    frame.name = "reply";
    proto::FrameDecoder decoder;
    std::vector<proto::DecodedEvent> events;
    decoder.feed(bytes, events);
    proto::ReplyMessage message;
    if (events.size() == 1 && events[0].kind == proto::DecodedEvent::Kind::Frame &&
        proto::parseReply(events[0].body, message) == proto::MessageError::None) {
      frame.sequence = message.sequence;
      frame.code = message.returnCode;
      frame.status = watch::Status{message.printerStatus, message.fiscalStatus};
      frame.fields = message.fields;
    }
  }
  return frame;
}

}  // namespace

void PrinterWatch::publish(const watch::Event& event) {
  mailbox_.publish(watch::formatEvent(event));
}

void PrinterWatch::received(const WireEvent& event, bool repeat) {
  if (active()) publish(frameIn(event, repeat));
}

void PrinterWatch::sent(std::span<const std::uint8_t> bytes, Fault fault, bool complete) {
  if (active()) publish(frameOut(bytes, fault, complete));
}

void PrinterWatch::executed(const WireEvent& event, const Reply& reply) {
  lastRefused_ = (reply.fiscalStatus & proto::fiscal_status::kCommandRefused) != 0;
  if (!active()) return;
  watch::Command command;
  command.sequence = event.sequence;
  if (event.kind == WireEvent::Kind::kMalformed) {
    command.name = "unreadable";
  } else {
    command.name = commandLabel(event.command.word, event.command.extension);
    command.words = fp::contract::wordsString(event.command.word, event.command.extension);
    command.fields = event.command.fields;
  }
  command.code = static_cast<std::uint16_t>(reply.outcome.code);
  command.replyFields = reply.outcome.fields;
  publish(command);
  publishChanges();
}

void PrinterWatch::printed(std::string_view line) {
  if (active()) publish(watch::Paper{std::string(line)});
}

watch::Status PrinterWatch::status() const {
  std::uint16_t fiscal = printer_.fiscalStatus();
  if (lastRefused_) fiscal |= proto::fiscal_status::kCommandRefused;
  return watch::Status{printer_.printerStatus(), fiscal};
}

watch::Conditions PrinterWatch::conditions() const {
  PaperRoll& paper = printer_.paper();
  watch::Conditions c;
  c.paper = paper.isOut()   ? watch::PaperState::kOut
            : paper.isLow() ? watch::PaperState::kNearEnd
                            : watch::PaperState::kOk;
  c.coverOpen = printer_.coverOpen();
  c.drawerOpen = printer_.drawerOpen();
  c.powerCut = live_.powerCut();
  c.delayMs = line_.settings().delayMs;
  c.baud = line_.settings().baud;
  c.corruptEvery = line_.faults().corruptEvery();
  c.dropEvery = line_.faults().dropEvery();
  c.forced = watchFault(line_.faults().forced());
  c.forcedLeft = line_.faults().forcedLeft();
  return c;
}

watch::Fiscal PrinterWatch::fiscal() {
  const Document& d = printer_.document();
  const DayTotals& day = printer_.day();
  watch::Fiscal f;
  f.document = {watchKind(d.kind), d.number, d.total, d.itemLines, d.paid, d.payments, d.textLines};
  f.day.tickets = day.tickets;
  f.day.invoices = day.invoices;
  f.day.nonFiscal = day.nonFiscal;
  f.day.cancelled = day.cancelled;
  f.day.total = day.total;
  f.day.tax = day.tax;
  f.day.returns = day.returns;
  for (const auto& [rate, totals] : day.byRate) {
    f.day.rates.push_back({rate, totals.gross, totals.net, totals.tax});
  }
  f.lastZ = printer_.numbering().zClosing;
  f.lastZDate = printer_.lastClosingAt();
  f.zCapacity = printer_.zCapacity();
  f.memoryFile = memory_ != nullptr;
  return f;
}

void PrinterWatch::publishChanges() {
  if (!active()) return;
  if (const watch::Status now = status(); now != publishedStatus_) {
    publish(now);
    publishedStatus_ = now;
  }
  if (const watch::Conditions now = conditions(); now != publishedConditions_) {
    publish(now);
    publishedConditions_ = now;
  }
  if (watch::Fiscal now = fiscal(); now != publishedFiscal_) {
    publish(now);
    publishedFiscal_ = std::move(now);
  }
}

std::string PrinterWatch::firstLines() {
  publishChanges();  // to the watchers there already are
  std::string lines = watch::formatEvent(watch::Watching{watch::kVersion, PaperRoll::kColumns});
  for (const watch::Event& event :
       {watch::Event(conditions()), watch::Event(status()), watch::Event(fiscal())}) {
    lines += '\n' + watch::formatEvent(event);
  }
  return lines;
}

}  // namespace sim
