/*
 * A small client of the fiscal printer interface library: opens port 1 as the
 * test console does, prints the printer's identification and status words,
 * and closes the port. Exit status 0 when a printer answered, 1 otherwise.
 *
 * Build:  cc client.c $(pkg-config --cflags --libs fiscalprinter) -o client
 *    or:  cmake -S . -B build && cmake --build build   (CMakeLists.txt here)
 * Run on the virtual printer:  fiscal-printer-sim --exec ./client
 * or on a real one:            FISCALPRINTER_PORT1=/dev/ttyUSB0 ./client
 */
#include <fiscalprinter/fiscalprinter.h>
#include <stdio.h>

int main(void) {
  char area[FP_AREA_SIZE] = {0};

  GetAPIVersion(area);
  printf("header %s, library %s\n", FP_VERSION_STRING, area);

  setComPort(1);
  setBaudRate(115200);
  setProtocolType(1);
  if (OpenPort(area) != FP_OK) {
    const int code = getLastError();
    fprintf(stderr, "client: cannot open port 1: code %d, %s\n", code, getErrorText(code));
    ClosePort(area);
    return 1;
  }
  printf("printer %s\n", area);
  printf("printer status 0x%04X, fiscal status 0x%04X\n", (unsigned)getPrinterStatus(),
         (unsigned)getFiscalStatus());
  ClosePort(area);
  return 0;
}
