/*
 * Public C interface of the fiscal printer interface library. The manual page
 * fiscalprinter(3) describes it; each entry point has its own page too.
 *
 * One library instance per process. Any thread may call any entry point: calls
 * are serialized (a call waits while another one runs, at most for the other's
 * deadline), and the field list, the last code and the status words are the one
 * instance's, shared by all threads. No C++ exception leaves the library: an
 * internal failure gives FP_INTERNAL_ERROR. Each entry point returns a 32-bit
 * int. The outcome of an operation is read afterwards with getLastError(): 0
 * means success, and no entry point ever reports -1 (callers reserve -1 for "the
 * call could not be made").
 *
 * A process may fork at any moment, also while another of its threads is inside
 * a call. The child does not share the parent's instance: its first call gets a
 * fresh one at once (never waiting for the parent's call), with no port, no
 * trace, the default settings (port 1, 9600 bit/s, protocol 1), an empty field
 * list and status words 0. Its getLastError() says FP_FORKED until another call
 * leaves a code, and commands give FP_FORKED until it opens a port of its own
 * (its first OpenPort also notes the fork in the trace). The parent's port and its lock
 * stay the parent's: the child's copies of the descriptors are closed at the
 * fork, so the child opening the same device gets FP_PORT_BUSY while the parent
 * holds it. Only a child whose parent had used the library counts as forked.
 *
 * Areas handed by pointer to Purge, GetAPIVersion, OpenPort, SendCommand and
 * ClosePort are FP_AREA_SIZE bytes long and owned by the caller; the library never
 * writes past them.
 */
#ifndef FISCALPRINTER_FISCALPRINTER_H
#define FISCALPRINTER_FISCALPRINTER_H

/* FP_VERSION_MAJOR, FP_VERSION_MINOR, FP_VERSION_PATCH, FP_VERSION_STRING. */
#include <fiscalprinter/version.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define FP_API __attribute__((visibility("default")))
#else
#define FP_API
#endif

/* Size of every caller-owned area handed to the library. */
#define FP_AREA_SIZE 256

/* Codes of getLastError(). 0, 1, 2 and 10 are the ones the console interprets
 * after OpenPort; getErrorText() gives a short text for each. */
#define FP_OK 0 /* success */
/* Another open file (any process) holds the device, or a network server ended
 * the connection before the printer answered (its one-client rule). */
#define FP_PORT_BUSY 1
/* No such device, not a terminal, port number < 1; or a network target that
 * does not parse, cannot be reached, or refuses the line settings. */
#define FP_PORT_INVALID 2
#define FP_NOT_OPEN 3            /* a command was sent while no port is open */
#define FP_BAD_BAUD_RATE 4       /* setBaudRate: a speed the serial driver cannot set */
#define FP_BAD_PROTOCOL_TYPE 5   /* setProtocolType: anything but 1 */
#define FP_BAD_ARGUMENT 6        /* AddDataField: negative length, or NULL data */
#define FP_FIELD_LIST_TOO_LONG 7 /* over 66 fields, a field over 512 bytes, a frame too long */
#define FP_MALFORMED_COMMAND 8   /* fewer than two fields, or a word field not 2 bytes */
#define FP_MALFORMED_PACKED 9    /* SendCommandComplete: not exactly "HHHH|HHHH" */
#define FP_NO_PRINTER 10         /* the port opened but no printer answered */
#define FP_TIMEOUT 11            /* the printer stopped answering during a command */
#define FP_BAD_FRAMES 12         /* only damaged replies or NAKs, after every resend */
#define FP_LINE_LOST 13          /* the device failed or vanished; the port is closed */
#define FP_INTERNAL_ERROR                                    \
  14 /* the library itself failed (out of memory); a command \
        may or may not have been sent */
#define FP_FORKED                                              \
  15 /* this process was forked from one using the library and \
        has not opened a port of its own (see above) */
/* The printer refused the command: FP_REFUSED_BASE + its return code (1..65535). */
#define FP_REFUSED_BASE 1000

/* Discards any partly gathered field list and any unread input. `area` is not
 * written. */
FP_API int Purge(char* area);

/* Writes the library's version text, NUL-terminated, into `area`. */
FP_API int GetAPIVersion(char* area);

/* Port number (1 = first port) used by the next OpenPort. Port N is the device
 * named by the environment variable FISCALPRINTER_PORT<N> when set and not
 * empty, otherwise /dev/ttyS<N-1>. The name may also be a printer on the
 * network: "tcp:HOST:PORT" (raw bytes) or "rfc2217:HOST:PORT" (telnet with COM
 * port control), HOST a name, an IPv4 address or an IPv6 address in brackets.
 * FP_PORT_INVALID for N < 1. */
FP_API int setComPort(int port);

/* Line speed in bits per second used by the next OpenPort (default 9600).
 * FP_BAD_BAUD_RATE for a speed the serial driver cannot set; OpenPort then
 * refuses with the same code. */
FP_API int setBaudRate(int baud);

/* Protocol variant used by the next OpenPort: only 1, the framed protocol;
 * anything else gives FP_BAD_PROTOCOL_TYPE. */
FP_API int setProtocolType(int type);

/* Opens the configured port raw 8N1, takes an exclusive flock on it (on the
 * network: connects within 2 s, and asks an RFC 2217 server for the settings)
 * and performs the opening handshake (at most 3 s in all). getLastError(): 0 a printer answered,
 * 1 port busy, 2 port invalid, 4/5 bad settings, 10 no printer answered,
 * FP_REFUSED_BASE + its return code the printer refused the handshake (it could
 * not start afresh; the port is closed again). On
 * success `area` receives the printer's identification ("model|firmware"),
 * otherwise the error text. An open port is closed first. When the environment
 * variable FISCALPRINTER_TRACE names a file, frames are traced there until
 * ClosePort. */
FP_API int OpenPort(char* area);

/* Closes the port if open, releasing its lock. Harmless when nothing is open. */
FP_API int ClosePort(char* area);

/* Appends one field of `length` bytes copied from `data` to the field list
 * (length 0 = empty field, `data` not read). The first two fields of a command
 * are the command word and the extension word, two bytes each, high byte first;
 * at most 64 further fields of at most 512 bytes. A field refused here
 * (FP_BAD_ARGUMENT, FP_FIELD_LIST_TOO_LONG) makes the next SendCommand refuse
 * the whole list. */
FP_API int AddDataField(const char* data, int length);

/* Sends the gathered field list as one command and empties the list, whether or
 * not the send succeeds. On success `area` receives the printer's reply fields
 * joined by '|' (control bytes shown as '.'), otherwise (a refusal included) an
 * empty text. A printer refusal gives FP_REFUSED_BASE + its return code. Every
 * command ends within its overall deadline (fiscalprinter(3)), whatever the
 * printer sends. */
FP_API int SendCommand(char* area);

/* Sends a command with no further fields, named by the packed text "HHHH|HHHH"
 * (command word | extension word, upper-case hexadecimal, NUL-terminated);
 * anything else gives FP_MALFORMED_PACKED and sends nothing. The field list is
 * left as it is. */
FP_API int SendCommandComplete(const char* packed);

/* Code of the last operation; 0 means no error. */
FP_API int getLastError(void);

/* Printer status word of the last reply (0 to 65535): bit 0 paper low, bit 1
 * paper out, bit 2 cash drawer open, bit 3 cover open, bit 4 fiscal memory
 * error. */
FP_API int getPrinterStatus(void);

/* Fiscal status word of the last reply (0 to 65535): bit 0 ticket open, bit 1
 * "A" invoice open, bit 2 non-fiscal document open, bit 3 payment started,
 * bit 4 day totals pending, bit 5 last command refused, bit 6 fiscal memory
 * full, bit 7 the open document was open before the printer restarted. */
FP_API int getFiscalStatus(void);

/* A short, static, NUL-terminated English text for any code (never NULL). */
FP_API const char* getErrorText(int code);

/* Extra entry points for tools (fiscalctl). None of them changes getLastError(),
 * and none ever returns NULL. */

/* The two status words, for getStatusBitName. */
#define FP_PRINTER_STATUS_WORD 0
#define FP_FISCAL_STATUS_WORD 1

/* The name of `bit` (0 to 15) of the status word `word` (FP_PRINTER_STATUS_WORD
 * or FP_FISCAL_STATUS_WORD), as a static text ("paper low", "ticket open");
 * "" for a bit that carries nothing, another word or a bit out of range. */
FP_API const char* getStatusBitName(int word, int bit);

/* A static text for a printer return code r (the r of FP_REFUSED_BASE + r):
 * "out of order", "malformed field", ...; "" for a code the printer does not
 * use. */
FP_API const char* getReturnCodeText(int returnCode);

/* Number of fields in the reply to the last OpenPort, SendCommand or
 * SendCommandComplete; 0 when that call got no reply. */
FP_API int getReplyFieldCount(void);

/* Copies field `index` (from 0) of that reply into `buffer`: at most `size`
 * bytes, then a zero byte when there is room for it. Returns the field's full
 * length in bytes (fields may hold any byte, zero included; a result above
 * `size` means the copy was cut short). Returns 0 and writes nothing for an
 * index out of range, a NULL buffer or a negative size. */
FP_API int getReplyField(int index, char* buffer, int size);

#ifdef __cplusplus
}
#endif

#endif
