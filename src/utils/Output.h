// All standard output of the program goes through one buffer of whole lines, so that a signal
// handler can write its report without tearing or repeating a line.
//
// The rule that makes this hold: a report handler only ever runs while no write(2) of standard
// output is in progress. The main flow writes with the report signals blocked, in pieces of at
// most PIPE_BUF bytes, and waits for the descriptor to become writable in ppoll(2) with the
// report signals let through. A handler that runs there (or anywhere outside this module) finds
// the count of bytes already written exact, writes the complete lines from that point, then its
// report. So a full pipe whose reader has stalled never makes the program deaf to SIGINT,
// SIGTERM or SIGXCPU. The streaming timer's signal is blocked the same way.
//
// A counted line and its counter are published with plain stores, no system call per line: a
// handler that interrupts the publication completes it before it reads the counters.
//
// Write errors end the process with status 1: quietly when the reader of a pipe has gone
// (EPIPE; SIGPIPE is ignored by main), otherwise with one line on standard error.
#ifndef PRIMAL_UTILS_OUTPUT_H
#define PRIMAL_UTILS_OUTPUT_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <signal.h>

namespace Sat {

// Main flow. Text may contain partial lines; only text up to the last newline is visible to a
// signal handler. Lines are written out when the buffer fills, at exit, on outFlush, and after
// every line when standard output is a terminal. A line longer than the buffer grows it.
void outWrite(const char* s, size_t n);
void outPrintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void outPuts(const char* s);  // s and a newline
void outFlush();
// One line (ending with a newline) and the counter it belongs to, raised in the same step as far
// as a report can tell: a report never counts a line it does not print, nor the reverse.
void outWriteCounted(const char* s, size_t n, std::atomic<uint32_t>& counter);

// Blocks the report signals and the streaming timer's for the lifetime of the object, so that a
// handler never sees a write of buffered lines half done.
class ReportSignalsBlocked {
public:
    ReportSignalsBlocked();
    ~ReportSignalsBlocked();
    ReportSignalsBlocked(const ReportSignalsBlocked&) = delete;
    ReportSignalsBlocked& operator=(const ReportSignalsBlocked&) = delete;
    const sigset_t& old() const { return old_; }

private:
    sigset_t old_;
};

// Called (async-signal-safe) when a failed write of standard output ends the process, so that
// other output files can be left complete.
void setOutputFailureHook(void (*hook)());

// From here on complete lines are written out at least every 50 ms of wall time (a timer
// signal, SIGURG, whose handler writes what the descriptor takes without waiting), so that a
// reader sees the primes of a slow enumeration as they are found. Nothing changes on a terminal.
void outStartStreaming();

// Signal handlers only (async-signal-safe). Each writes the complete buffered lines, then the
// text that `format` puts into the buffer it is given (at most 1024 bytes), formatted after the
// last counted line has been made consistent with its counter.
// Progress report: waits for the output as long as it takes, letting SIGINT, SIGTERM and
// SIGXCPU through while it waits (their handler finishes this report's text first).
void outSignalReport(char* (*format)(char* p));
// Last report before _exit: never blocks. It writes the buffered lines for a fraction of a
// second at most; the whole lines it could not write, `dropped` (n bytes), are left out, and
// `format` is told about them so that the report counts only the lines written. Gives up,
// report and all, when the reader takes nothing for 0.3 s or the output cannot be written.
void outSignalFinalReport(char* (*format)(char* p, const char* dropped, size_t n));

// Async-signal-safe formatting into a caller's buffer; each returns the new end.
char* fmtUnsigned(char* p, unsigned long long v);
char* fmtFixed6(char* p, double v);  // like printf "%f"
char* fmtText(char* p, const char* s);

}  // namespace Sat

#endif
