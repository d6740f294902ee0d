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
