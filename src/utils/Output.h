// All standard output of the program goes through one buffer of whole lines. A signal handler
// can then write its report without tearing a line: it first writes out the complete lines
// that the main flow has buffered, then its own text, using only write(2). The main flow never
// writes to the descriptor while a report could run, because its own writes happen with the
// report signals blocked.
#ifndef PRIMAL_UTILS_OUTPUT_H
#define PRIMAL_UTILS_OUTPUT_H

#include <cstddef>

namespace Sat {

// Main flow. Text may contain partial lines; only text up to the last newline is visible to a
// signal handler. Lines are written out when the buffer fills, at exit, on outFlush, and after
// every line when standard output is a terminal.
void outWrite(const char* s, size_t n);
void outPrintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void outPuts(const char* s);  // s and a newline
void outFlush();

// Signal handlers only (async-signal-safe).
void outSignalFlush();                          // write the complete buffered lines
void outSignalWrite(const char* s, size_t n);   // write s directly

// Async-signal-safe formatting into a caller's buffer; each returns the new end.
char* fmtUnsigned(char* p, unsigned long long v);
char* fmtFixed6(char* p, double v);  // like printf "%f"
char* fmtText(char* p, const char* s);

}  // namespace Sat

#endif
