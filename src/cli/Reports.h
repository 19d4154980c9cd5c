// The command line's reports: the counters of the prime lines, the run's phase timers, and the
// reports that print them. The sink and the enumeration write them; the report handlers
// (interruption, five-second progress) only read them, so they are lock-free atomics and a
// handler never sees a torn value.
#ifndef PRIMAL_CLI_REPORTS_H
#define PRIMAL_CLI_REPORTS_H

#include <atomic>
#include <cstdint>
#include <vector>

#include "primal/primal.h"

extern std::atomic<uint32_t> num_prime_implicant;
extern std::atomic<uint32_t> num_prime_implicate;
extern std::atomic<bool> print_time_interval;

namespace primal {

// The timers of the process's one run (the query's `timers`).
extern Timers run_times;
// The side the run was asked for: the reports leave out the count of the other (set before the
// handlers are installed).
extern Query::Side report_side;

// Counts a prime and, when printing, writes its line (literals ascending) in the same step, so
// that the counters and the printed lines cannot disagree.
void recordPrime(bool implicant, const std::vector<int>& prime, bool print);

// Formats the six lines of the running report ("Num ...", ending with an empty line) into buf
// (at least 512 bytes) with async-signal-safe code; returns the end.
char* formatReport(char* buf);

// The three phase timers and their total, each after its label, with async-signal-safe code:
// the reports and the JSON file name them differently.
char* formatTimers(char* p, const char* const (&labels)[4]);

// Interruption report for SIGINT, SIGTERM and SIGXCPU, progress report for SIGALRM (one alarm
// armed here, five seconds ahead). `before_report` (async-signal-safe, may be null) runs in the
// interruption handler before its report.
void installReportHandlers(void (*before_report)(int sig));

// The final report, from the counters and timers.
void printFinalReport();

}  // namespace primal

#endif
