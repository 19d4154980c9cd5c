// The run sequence and the enumeration loop: read the formula, build its negation and the
// dual-rail solver, then alternate maximal models of the dual-rail solver (candidate terms)
// with checks against the formula until no candidate is left. Each consistent term yields a
// prime implicant (by greedy reduction of a model), each inconsistent one a prime implicate
// (its negation); either is blocked in the dual-rail solver without a restart from the root.
#ifndef PRIMAL_CORE_ENUMERATION_H
#define PRIMAL_CORE_ENUMERATION_H

#include <atomic>
#include <cstdint>
#include <zlib.h>

#include "core/SolverWrapper.h"

// Process-wide progress, written by the loop and read by the report handlers (lock-free
// atomics, so a handler never reads a torn value).
extern std::atomic<uint32_t> num_prime_implicant;
extern std::atomic<uint32_t> num_prime_implicate;
extern std::atomic<double> time_max_m;
extern std::atomic<double> time_sat_call;
extern std::atomic<double> time_reduction;
extern std::atomic<bool> print_time_interval;

namespace primal {

struct RunOptions {
    bool print_all = false;
    bool print_time = false;
};

// Runs the whole sequence on an open stream (closed here) and returns the exit status:
// 0 after the final report or "Formula UNSAT...exiting", 1 for an internal failure.
// Throws Sat::ParseError on a syntax error, Sat::ReadError when the input cannot be read whole
// and Sat::OutOfMemoryException when memory runs out.
int runSequence(Sat::SolverWrapper& formula, Sat::SolverWrapper& negation, Sat::DR_SolverWrapper& dual, gzFile in,
                const RunOptions& opts);

// Formats the six lines of the running report ("Num ...", ending with an empty line) into buf
// (at least 512 bytes) with async-signal-safe code; returns the end.
char* formatReport(char* buf);

// Interruption report for SIGINT, SIGTERM and SIGXCPU, progress report for SIGALRM (one alarm
// armed here, five seconds ahead).
void installReportHandlers();

}  // namespace primal

#endif
