#include "libfiscalprinter/src/printer_session.h"

#include <unistd.h>

#include <string>

#include "libfiscalprinter/src/area_text.h"
#include "libfiscalprinter/src/baud_rate.h"
#include "libfiscalprinter/src/port_name.h"
#include "protocol/packed.h"
#include "protocol/trace_notes.h"

namespace fp::lib {

void PrinterSession::releaseInForkedChild(PrinterSession* older) noexcept {
  port_.releaseInForkedChild();
  trace_.releaseInForkedChild();
  setAsideBefore_ = older;
}

int PrinterSession::purge(char*) {
  fields_.clear();
  port_.discardInput();
  return finish(ErrorCode::kOk);
}

int PrinterSession::apiVersion(char* area) {
  writeArea(area, kLibraryVersion);
  return finish(ErrorCode::kOk);
}

int PrinterSession::setPort(int port) {
  portNumber_ = port;
  return finish(port >= 1 ? ErrorCode::kOk : ErrorCode::kPortInvalid);
}

int PrinterSession::setBaudRate(int bitsPerSecond) {
  bitsPerSecond_ = bitsPerSecond;
  return finish(termiosSpeed(bitsPerSecond) ? ErrorCode::kOk : ErrorCode::kBadBaudRate);
}

int PrinterSession::setProtocolType(int type) {
  protocolType_ = type;
  return finish(type == 1 ? ErrorCode::kOk : ErrorCode::kBadProtocolType);
}

ErrorCode PrinterSession::settingsError() const {
  if (portNumber_ < 1) return ErrorCode::kPortInvalid;
  if (!termiosSpeed(bitsPerSecond_)) return ErrorCode::kBadBaudRate;
  if (protocolType_ != 1) return ErrorCode::kBadProtocolType;
  return ErrorCode::kOk;
}

int PrinterSession::openPort(char* area) {
  const Clock::time_point start = Clock::now();
  port_.close();
  trace_.startFromEnvironment();
  if (forkedFrom_ != 0) {
    trace_.note(protocol::note::forked(::getpid(), forkedFrom_));
    forkedFrom_ = 0;
  }
  replyFields_.clear();
  printerStatus_ = 0;
  fiscalStatus_ = 0;
  if (const ErrorCode error = settingsError(); error != ErrorCode::kOk) {
    writeArea(area, errorText(toInt(error)));
    return finish(error);
  }
  const line::ParsedTarget target = targetForPort(portNumber_);
  if (!target.target) return refuseOpen(area, ErrorCode::kPortInvalid, target.error);
  trace_.note(protocol::note::open(line::targetText(*target.target), bitsPerSecond_));
  const OpenResult opened = port_.open(*target.target, bitsPerSecond_, start + kConnectLimit);
  if (opened != OpenResult::kOpened) {
    return refuseOpen(area,
                      opened == OpenResult::kBusy ? ErrorCode::kPortBusy : ErrorCode::kPortInvalid,
                      port_.openFailure());
  }
  LinkTiming timing;
  timing.bitsPerSecond = bitsPerSecond_;
  link_.setTiming(timing);
  const Exchange hello = link_.handshake(start);
  // A server that ends the connection (closes it, or resets it as our bytes
  // reach a socket it closed) before the printer answers serves another client
  // (ser2net says "Port already in use" and hangs up): the network's
  // counterpart of a device another program holds.
  if (hello.outcome == LinkOutcome::kLost && port_.networked()) {
    const std::string reason = port_.lossReason();
    port_.close();
    return refuseOpen(area, ErrorCode::kPortBusy,
                      reason + " before the printer answered (another client has the port?)");
  }
  if (hello.outcome != LinkOutcome::kReplied) {
    port_.close();
    writeArea(area, errorText(toInt(ErrorCode::kNoPrinter)));
    return finish(ErrorCode::kNoPrinter);
  }
  keepStatus(hello.reply);
  // A printer that refuses the handshake (it could not start afresh) is not
  // ready for commands: the port is closed again.
  if (const int returnCode = hello.reply.returnCode; returnCode != 0) {
    port_.close();
    writeArea(area, errorText(kRefusedBase + returnCode));
    return finish(kRefusedBase + returnCode);
  }
  writeArea(area, fieldsText(hello.reply.fields));
  return finish(ErrorCode::kOk);
}

int PrinterSession::closePort(char*) {
  if (port_.isOpen()) trace_.note(protocol::note::kClose);
  port_.close();
  trace_.stop();
  return finish(ErrorCode::kOk);
}

int PrinterSession::addField(const char* data, int length) {
  return finish(fields_.add(data, length));
}

int PrinterSession::sendFields(char* area) {
  protocol::CommandMessage command;
  const ErrorCode built = fields_.toCommand(command);
  fields_.clear();  // whatever happens next, the next command starts afresh
  replyFields_.clear();
  writeArea(area, "");
  if (built != ErrorCode::kOk) return finish(built);
  return run(command, area);
}

int PrinterSession::sendPacked(const char* packed) {
  replyFields_.clear();
  const auto parsed = protocol::parsePackedCommand(packed);
  if (!parsed) return finish(ErrorCode::kMalformedPackedText);
  return run(protocol::CommandMessage{0, parsed->command, parsed->extension, {}}, nullptr);
}

int PrinterSession::run(const protocol::CommandMessage& command, char* area) {
  if (!port_.isOpen()) return finish(forkedFrom_ != 0 ? ErrorCode::kForked : ErrorCode::kNotOpen);
  const Exchange exchange = link_.transact(command);
  switch (exchange.outcome) {
    case LinkOutcome::kReplied:
      break;
    case LinkOutcome::kSilent:
      return finish(ErrorCode::kTimeout);
    case LinkOutcome::kDamaged:
      return finish(ErrorCode::kBadFrames);
    case LinkOutcome::kLost:
      port_.close();
      return finish(ErrorCode::kLineLost);
  }
  keepStatus(exchange.reply);
  const int returnCode = exchange.reply.returnCode;
  if (returnCode != 0) return finish(kRefusedBase + returnCode);  // the area stays empty
  writeArea(area, fieldsText(exchange.reply.fields));
  return finish(ErrorCode::kOk);
}

int PrinterSession::refuseOpen(char* area, ErrorCode error, const std::string& reason) {
  // The code says busy or invalid; the reason ("Permission denied", "Connection
  // refused", a target that does not parse) is in the trace and the area.
  const std::string text = protocol::note::portRefused(errorText(toInt(error)), reason);
  trace_.note(text);
  writeArea(area, text);
  return finish(error);
}

void PrinterSession::keepStatus(const protocol::ReplyMessage& reply) {
  printerStatus_ = reply.printerStatus;
  fiscalStatus_ = reply.fiscalStatus;
  replyFields_ = reply.fields;
}

}  // namespace fp::lib
