// The exported C entry points: each hands its call to the process's one session,
// through the guard that serializes calls and stops exceptions.
#include "fiscalprinter/fiscalprinter.h"
#include "libfiscalprinter/src/entry_guard.h"

using fp::lib::guardedCall;
using fp::lib::PrinterSession;

extern "C" {

int Purge(char* area) {
  return guardedCall(area, [&](PrinterSession& s) { return s.purge(area); });
}
int GetAPIVersion(char* area) {
  return guardedCall(area, [&](PrinterSession& s) { return s.apiVersion(area); });
}
int setComPort(int port) {
  return guardedCall(nullptr, [&](PrinterSession& s) { return s.setPort(port); });
}
int setBaudRate(int baud) {
  return guardedCall(nullptr, [&](PrinterSession& s) { return s.setBaudRate(baud); });
}
int setProtocolType(int type) {
  return guardedCall(nullptr, [&](PrinterSession& s) { return s.setProtocolType(type); });
}
int OpenPort(char* area) {
  return guardedCall(area, [&](PrinterSession& s) { return s.openPort(area); });
}
int ClosePort(char* area) {
  return guardedCall(area, [&](PrinterSession& s) { return s.closePort(area); });
}
int AddDataField(const char* data, int length) {
  return guardedCall(nullptr, [&](PrinterSession& s) { return s.addField(data, length); });
}
int SendCommand(char* area) {
  return guardedCall(area, [&](PrinterSession& s) { return s.sendFields(area); });
}
int SendCommandComplete(const char* packed) {
  return guardedCall(nullptr, [&](PrinterSession& s) { return s.sendPacked(packed); });
}
int getLastError(void) {
  return guardedCall(nullptr, [](PrinterSession& s) { return s.lastError(); });
}
int getPrinterStatus(void) {
  return guardedCall(nullptr, [](PrinterSession& s) { return s.printerStatus(); });
}
int getFiscalStatus(void) {
  return guardedCall(nullptr, [](PrinterSession& s) { return s.fiscalStatus(); });
}
const char* getErrorText(int code) {
  return fp::lib::errorText(code);  // static texts only: nothing to lock, nothing thrown
}

}  // extern "C"

// The public table and ours must agree.
namespace {
using fp::lib::ErrorCode;
using fp::lib::toInt;
static_assert(toInt(ErrorCode::kPortBusy) == FP_PORT_BUSY);
static_assert(toInt(ErrorCode::kPortInvalid) == FP_PORT_INVALID);
static_assert(toInt(ErrorCode::kNotOpen) == FP_NOT_OPEN);
static_assert(toInt(ErrorCode::kBadBaudRate) == FP_BAD_BAUD_RATE);
static_assert(toInt(ErrorCode::kBadProtocolType) == FP_BAD_PROTOCOL_TYPE);
static_assert(toInt(ErrorCode::kBadArgument) == FP_BAD_ARGUMENT);
static_assert(toInt(ErrorCode::kFieldListTooLong) == FP_FIELD_LIST_TOO_LONG);
static_assert(toInt(ErrorCode::kMalformedCommand) == FP_MALFORMED_COMMAND);
static_assert(toInt(ErrorCode::kMalformedPackedText) == FP_MALFORMED_PACKED);
static_assert(toInt(ErrorCode::kNoPrinter) == FP_NO_PRINTER);
static_assert(toInt(ErrorCode::kTimeout) == FP_TIMEOUT);
static_assert(toInt(ErrorCode::kBadFrames) == FP_BAD_FRAMES);
static_assert(toInt(ErrorCode::kLineLost) == FP_LINE_LOST);
static_assert(toInt(ErrorCode::kInternal) == FP_INTERNAL_ERROR);
static_assert(fp::lib::kRefusedBase == FP_REFUSED_BASE);
static_assert(fp::lib::kAreaSize == FP_AREA_SIZE);
}  // namespace
