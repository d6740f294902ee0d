// A printer library for tests: exports the thirteen entry points, records every
// call, and returns scripted values. Tests reach its control functions through
// dlsym on the same handle the console loads (see recorder.h for a C++ wrapper).
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define REC_MAX_BYTES 64

typedef struct RecordedCall {
  char name[32];                      /* entry point name */
  long long intArg;                   /* the by-value argument (length for AddDataField), else 0 */
  const void* address;                /* the reference argument, or NULL */
  size_t byteCount;                   /* bytes copied into `bytes` */
  unsigned char bytes[REC_MAX_BYTES]; /* AddDataField: the `length` bytes; SendCommandComplete:
                                         the text with its zero byte; areas: their first bytes */
  size_t zeroTerminatedCount;         /* bytes at `address` up to and including the first zero byte
                                         (at most REC_MAX_BYTES), as seen at the call */
  unsigned char atAddress[REC_MAX_BYTES];
  int areaAllZero; /* for 256-byte areas: 1 when the whole area was zero at the call */
} RecordedCall;

/* Forgets every call and every scripted result. */
void rec_reset(void);
/* Number of calls recorded since the last reset. */
size_t rec_count(void);
/* Copies call `index` into `out`; returns 0, or -1 when out of range. */
int rec_get(size_t index, RecordedCall* out);
/* Sets the value `entry` returns from now on (default 0). */
void rec_set_result(const char* entry, int value);
/* Queues a value that `entry` returns once, before falling back to the set result. */
void rec_push_result(const char* entry, int value);

#ifdef __cplusplus
}
#endif
