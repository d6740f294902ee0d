/*
 * Public C interface of the fiscal printer interface library.
 *
 * One library instance per process; every call comes from one thread. Each entry
 * point returns a 32-bit int. The outcome of an operation is read afterwards with
 * getLastError(): 0 means success, and no entry point ever reports -1 (callers
 * reserve -1 for "the call could not be made").
 *
 * Areas handed by pointer to Purge, GetAPIVersion, OpenPort, SendCommand and
 * ClosePort are FP_AREA_SIZE bytes long and owned by the caller; the library never
 * writes past them.
 */
#ifndef FISCALPRINTER_FISCALPRINTER_H
#define FISCALPRINTER_FISCALPRINTER_H

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

/* Codes of getLastError() that the console interprets after OpenPort. */
#define FP_OK 0
#define FP_PORT_BUSY 1
#define FP_PORT_INVALID 2
#define FP_NO_PRINTER 10

/* Discards any partly gathered field list and any unread input. `area` may be
 * written with a short status text. */
FP_API int Purge(char *area);

/* Writes the library's version text, NUL-terminated, into `area`. */
FP_API int GetAPIVersion(char *area);

/* Port number (1 = first port) used by the next OpenPort. */
FP_API int setComPort(int port);

/* Line speed in bits per second used by the next OpenPort. */
FP_API int setBaudRate(int baud);

/* Protocol variant used by the next OpenPort (1 = the framed protocol). */
FP_API int setProtocolType(int type);

/* Opens and locks the configured port and performs the opening handshake with
 * the printer. getLastError(): 0 a printer answered, 1 port busy, 2 port invalid,
 * 10 no printer answered. */
FP_API int OpenPort(char *area);

/* Closes the port if open. Harmless when nothing is open. */
FP_API int ClosePort(char *area);

/* Appends one field of `length` bytes copied from `data` to the field list
 * (length 0 = empty field, `data` not read). The first two fields of a command
 * are the command word and the extension word, two bytes each, high byte first. */
FP_API int AddDataField(const char *data, int length);

/* Sends the gathered field list as one command and empties the list, whether or
 * not the send succeeds. The printer's reply fields may be written into `area`
 * as text. */
FP_API int SendCommand(char *area);

/* Sends a command with no further fields, named by the packed text "HHHH|HHHH"
 * (command word | extension word, upper-case hexadecimal, NUL-terminated). */
FP_API int SendCommandComplete(const char *packed);

/* Code of the last operation; 0 means no error. */
FP_API int getLastError(void);

/* Printer status word of the last reply. */
FP_API int getPrinterStatus(void);

/* Fiscal status word of the last reply. */
FP_API int getFiscalStatus(void);

/* A short, static, NUL-terminated English text for any code (never NULL). */
FP_API const char *getErrorText(int code);

#ifdef __cplusplus
}
#endif

#endif
