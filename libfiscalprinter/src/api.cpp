// The exported C entry points: each hands its call to the process's one session.
#include "fiscalprinter/fiscalprinter.h"
#include "libfiscalprinter/src/area_text.h"
#include "libfiscalprinter/src/printer_session.h"

using fp::lib::session;

extern "C" {

int Purge(char* area) {
  return session().purge(area);
}
int GetAPIVersion(char* area) {
  return session().apiVersion(area);
}
int setComPort(int port) {
  return session().setPort(port);
}
int setBaudRate(int baud) {
  return session().setBaudRate(baud);
}
int setProtocolType(int type) {
  return session().setProtocolType(type);
}
int OpenPort(char* area) {
  return session().openPort(area);
}
int ClosePort(char* area) {
  return session().closePort(area);
}
int AddDataField(const char* data, int length) {
  return session().addField(data, length);
}
int SendCommand(char* area) {
  return session().sendFields(area);
}
int SendCommandComplete(const char* packed) {
  return session().sendPacked(packed);
}
int getLastError(void) {
  return session().lastError();
}
int getPrinterStatus(void) {
  return session().printerStatus();
}
int getFiscalStatus(void) {
  return session().fiscalStatus();
}
const char* getErrorText(int code) {
  return fp::lib::errorText(code);
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
static_assert(fp::lib::kRefusedBase == FP_REFUSED_BASE);
static_assert(fp::lib::kAreaSize == FP_AREA_SIZE);
}  // namespace
