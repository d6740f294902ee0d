#include "fiscalctl/trace_decoder.h"

#include <cstdio>
#include <ctime>
#include <ostream>

#include "fiscalctl/command_names.h"
#include "fiscalctl/output.h"
#include "fiscalctl/request.h"
#include "fiscalprinter/fiscalprinter.h"
#include "protocol/printer_text.h"
#include "protocol/status_names.h"
#include "protocol/trace_line.h"
#include "protocol/trace_notes.h"
#include "protocol/wire.h"

namespace fiscalctl {
namespace {

using protocol::DecodedEvent;
using protocol::TraceLine;
namespace notes = protocol::note;

std::string formatted(std::int64_t microseconds, const char* format, bool withMillis) {
  const time_t seconds = static_cast<time_t>(microseconds / 1'000'000);
  tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return "?";
  char text[48];
  std::size_t used = std::strftime(text, sizeof text, format, &local);
  if (withMillis) {
    std::snprintf(text + used, sizeof text - used, ".%03d",
                  static_cast<int>((microseconds % 1'000'000) / 1000));
  }
  return text;
}

// "13:45:01.123" in local time, and "2026-12-09" its local date.
std::string localTime(std::int64_t microseconds) {
  return formatted(microseconds, "%H:%M:%S", true);
}
std::string localDate(std::int64_t microseconds) {
  return formatted(microseconds, "%Y-%m-%d", false);
}

std::string seconds(std::int64_t microseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(microseconds) / 1e6);
  return text;
}

// The fields with their numbers; empty ones are counted, not shown.
std::string fieldsText(const std::vector<std::string>& fields) {
  std::string text;
  std::size_t empty = 0;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].empty()) {
      ++empty;
      continue;
    }
    text += ' ' + std::to_string(i + 1) + '=' + quoted(fields[i]);
  }
  if (fields.empty()) return "  (no fields)";
  return text + "  (" + std::to_string(fields.size()) +
         (fields.size() == 1 ? " field" : " fields") + ", " + std::to_string(empty) + " empty)";
}

}  // namespace

std::string verdictText(const std::optional<int>& code) {
  if (!code) return "? not recorded";
  if (*code == 0) return "0 no error";  // as fiscalctl's other outputs say it
  if (*code > FP_REFUSED_BASE) {
    const std::string why =
        protocol::returnCodeText(static_cast<std::uint16_t>(*code - FP_REFUSED_BASE));
    return std::to_string(*code) + " refused: " +
           (why.empty() ? "return code " + std::to_string(*code - FP_REFUSED_BASE) : why);
  }
  const std::string number = std::to_string(*code);
  switch (*code) {
    case FP_TIMEOUT:
      return number + " no answer";
    case FP_BAD_FRAMES:
      return number + " damaged frames after every resend";
    case FP_LINE_LOST:
      return number + " line lost";
    default:
      return number;
  }
}

std::string tracedJson(const TracedCommand& command) {
  return "{\"sequence\":" + std::to_string(command.sequence) +
         ",\"command\":" + jsonString(commandLabel(command.command, command.extension)) +
         ",\"words\":" + jsonString(wordsText(command.command, command.extension)) +
         ",\"fields\":" + jsonList(command.fields) +
         ",\"transmissions\":" + std::to_string(command.transmissions) +
         ",\"code\":" + (command.code ? std::to_string(*command.code) : "null") +
         ",\"verdict\":" + jsonString(verdictText(command.code)) +
         ",\"milliseconds\":" + std::to_string((command.endedAt - command.sentAt) / 1000) +
         ",\"reply\":" + (command.replyFields ? jsonList(*command.replyFields) : "null") + "}";
}

int TraceDecoder::failedCommands() const {
  int failed = 0;
  for (const TracedCommand& command : commands_) {
    if (!command.code || *command.code != 0) ++failed;
  }
  return failed;
}

std::ostream& TraceDecoder::stamp(std::int64_t at, char direction) {
  const std::string date = localDate(at);
  if (date != date_) {
    date_ = date;
    out_ << "-- " << date << " --\n";
  }
  return out_ << localTime(at) << ' ' << direction << ' ';
}

void TraceDecoder::line(std::string_view text) {
  const TraceLine parsed = protocol::parseTraceLine(text);
  if (parsed.kind != TraceLine::Kind::Received) endWorking(parsed.microseconds);
  if (parsed.kind != TraceLine::Kind::Malformed) ++traceLines_;
  switch (parsed.kind) {
    case TraceLine::Kind::Malformed:
      ++malformed_;
      out_ << "?? malformed line: " << quoted(text.substr(0, 200))
           << (text.size() > 200 ? "..." : "") << "\n";
      return;
    case TraceLine::Kind::Note:
      note(parsed.microseconds, parsed.note);
      return;
    case TraceLine::Kind::Sent:
      sent(parsed.microseconds, parsed.bytes);
      return;
    case TraceLine::Kind::Received:
      received(parsed.microseconds, parsed.bytes);
      return;
  }
}

void TraceDecoder::finish() {
  endWorking(workingLast_);
  if (pending_) conclude(pending_->command.sentAt, std::nullopt, "the trace ends before its reply");
  out_.flush();
}

void TraceDecoder::newSession() {
  sentFrames_.reset();
  receivedFrames_.reset();
}

void TraceDecoder::sent(std::int64_t at, const std::vector<std::uint8_t>& bytes) {
  std::vector<DecodedEvent> events;
  sentFrames_.feed(bytes, events);
  for (const DecodedEvent& event : events) {
    protocol::CommandMessage message;
    if (event.kind != DecodedEvent::Kind::Frame ||
        protocol::parseCommand(event.body, message) != protocol::MessageError::None) {
      stamp(at, '>') << "!! unreadable frame sent\n";
      continue;
    }
    const std::string label = commandLabel(message.command, message.extension);
    if (pending_ && pending_->command.sequence == message.sequence &&
        pending_->command.command == message.command) {
      const int transmission = ++pending_->command.transmissions;
      if (!pending_->handshake) commands_[pending_->index].transmissions = transmission;
      stamp(at, '>') << "#" << int{message.sequence} << ' ' << label
                     << "  !! RETRANSMISSION (transmission " << transmission << ")\n";
      continue;
    }
    if (pending_) conclude(at, std::nullopt, "no reply before the next command");
    Pending next;
    next.command.sequence = message.sequence;
    next.command.command = message.command;
    next.command.extension = message.extension;
    next.command.fields = message.fields;
    next.command.sentAt = at;
    next.handshake = message.command == protocol::kHelloCommand && message.fields.empty();
    if (!next.handshake) {
      next.index = commands_.size();
      commands_.push_back(next.command);
    }
    pending_ = std::move(next);
    stamp(at, '>') << "#" << int{message.sequence} << ' ' << label << "  ["
                   << wordsText(message.command, message.extension) << "]"
                   << fieldsText(message.fields) << "\n";
  }
}

void TraceDecoder::received(std::int64_t at, const std::vector<std::uint8_t>& bytes) {
  std::vector<DecodedEvent> events;
  receivedFrames_.feed(bytes, events);
  for (const DecodedEvent& event : events) {
    if (event.kind == DecodedEvent::Kind::Working) {
      if (workingCount_++ == 0) workingSince_ = at;
      workingLast_ = at;
      continue;
    }
    endWorking(at);
    switch (event.kind) {
      case DecodedEvent::Kind::Ack:
        stamp(at, '<') << "ACK\n";
        break;
      case DecodedEvent::Kind::Nak:
        stamp(at, '<') << "!! NAK: the printer received a damaged frame\n";
        break;
      case DecodedEvent::Kind::Error:
        if (event.error == protocol::FrameError::StrayByte) {
          stamp(at, '<') << "stray byte outside a frame\n";
        } else {
          stamp(at, '<') << "!! BAD FRAME: " << protocol::frameErrorText(event.error) << "\n";
        }
        break;
      case DecodedEvent::Kind::Frame: {
        protocol::ReplyMessage message;
        const protocol::MessageError error = protocol::parseReply(event.body, message);
        if (error != protocol::MessageError::None) {
          stamp(at, '<') << "!! BAD FRAME: unreadable reply (" << protocol::messageErrorText(error)
                         << ")\n";
        } else {
          reply(at, message);
        }
        break;
      }
      case DecodedEvent::Kind::Working:
        break;
    }
  }
}

void TraceDecoder::reply(std::int64_t at, const protocol::ReplyMessage& message) {
  const std::string why = protocol::returnCodeText(message.returnCode);
  stamp(at, '<') << "#" << int{message.sequence} << " reply: return code " << message.returnCode
                 << (why.empty() ? "" : " " + why) << " | printer "
                 << hexWord(message.printerStatus) << ' '
                 << protocol::statusBitNames(protocol::StatusWord::Printer, message.printerStatus)
                 << " | fiscal " << hexWord(message.fiscalStatus) << ' '
                 << protocol::statusBitNames(protocol::StatusWord::Fiscal, message.fiscalStatus)
                 << " |" << fieldsText(message.fields) << "\n";
  if (!pending_ || pending_->command.sequence != message.sequence) {
    stamp(at, '<') << "   (a reply to no command waiting for one: ignored)\n";
    return;
  }
  if (!pending_->handshake) commands_[pending_->index].replyFields = message.fields;
  conclude(at, message.returnCode == 0 ? 0 : FP_REFUSED_BASE + message.returnCode, "");
}

void TraceDecoder::note(std::int64_t at, const std::string& text) {
  const notes::Meaning meaning = notes::meaning(text);
  stamp(at, '#') << (meaning == notes::Meaning::Resending ? "!! " : "")
                 << protocol::terminalText(text) << "\n";
  switch (meaning) {
    case notes::Meaning::Open:
      if (pending_) conclude(at, std::nullopt, "the port was opened again");
      newSession();
      break;
    case notes::Meaning::Close:
      if (pending_) conclude(at, std::nullopt, "the port was closed");
      newSession();
      break;
    case notes::Meaning::NoAnswer:
      conclude(at, FP_TIMEOUT, "");
      break;
    case notes::Meaning::DamagedFrames:
      conclude(at, FP_BAD_FRAMES, "");
      break;
    case notes::Meaning::LineLost:
      conclude(at, FP_LINE_LOST, "");
      break;
    case notes::Meaning::Resending:
    case notes::Meaning::Other:
      break;
  }
}

void TraceDecoder::endWorking(std::int64_t at) {
  if (workingCount_ == 0) return;
  const std::int64_t end = at >= workingLast_ ? at : workingLast_;
  stamp(workingSince_, '<') << "still working (" << workingCount_ << " messages, "
                            << seconds(end - workingSince_) << ")\n";
  workingCount_ = 0;
}

void TraceDecoder::conclude(std::int64_t at, std::optional<int> code, std::string_view why) {
  if (!pending_) return;
  Pending done = std::move(*pending_);
  pending_.reset();
  if (!done.handshake) {
    TracedCommand& traced = commands_[done.index];
    traced.code = code;
    traced.endedAt = at;
    if (onVerdict_) onVerdict_(traced);
  }
  const std::string label = commandLabel(done.command.command, done.command.extension);
  const bool ok = code && *code == 0;
  stamp(at, '=') << "VERDICT #" << int{done.command.sequence} << ' ' << label << ": "
                 << (ok     ? "OK"
                     : code ? "FAILED"
                            : "UNKNOWN")
                 << " (" << verdictText(code) << (why.empty() ? "" : "; " + std::string(why))
                 << ") after " << seconds(at - done.command.sentAt);
  if (done.command.transmissions > 1)
    out_ << ", " << done.command.transmissions << " transmissions";
  out_ << "\n";
}

}  // namespace fiscalctl
