// The counters and timers of a run and the reports that print them. The enumeration writes
// them; the report handlers (interruption, five-second progress) only read them, so they are
// lock-free atomics and a handler never sees a torn value.
#ifndef PRIMAL_CORE_REPORTS_H
#define PRIMAL_CORE_REPORTS_H

#include <atomic>
#include <cstdint>
#include <vector>

extern std::atomic<uint32_t> num_prime_implicant;
extern std::atomic<uint32_t> num_prime_implicate;
extern std::atomic<double> time_max_m;
extern std::atomic<double> time_sat_call;
extern std::atomic<double> time_reduction;
extern std::atomic<bool> print_time_interval;

namespace primal {

void addTime(std::atomic<double>& timer, double dt);

// Makes a prime part of the run's result: prints its line when `print` is set (literals sorted
// ascending; `prime` is sorted in place) and counts it. Every prime of every engine goes
// through here, so the counters and the printed lines cannot disagree.
void recordPrime(bool implicant, std::vector<int>& prime, bool print);

// Formats the six lines of the running report ("Num ...", ending with an empty line) into buf
// (at least 512 bytes) with async-signal-safe code; returns the end.
char* formatReport(char* buf);

// Interruption report for SIGINT, SIGTERM and SIGXCPU, progress report for SIGALRM (one alarm
// armed here, five seconds ahead).
void installReportHandlers();

// The final report, from the counters and timers.
void printFinalReport();

}  // namespace primal

#endif
