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
