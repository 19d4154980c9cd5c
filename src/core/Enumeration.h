// The run sequence: read the formula, set up the dual-rail solver, check satisfiability, then
// enumerate every prime implicant and prime implicate and print the final report.
#ifndef PRIMAL_CORE_ENUMERATION_H
#define PRIMAL_CORE_ENUMERATION_H

#include <zlib.h>

#include "core/Reports.h"
#include "core/SolverWrapper.h"

namespace primal {

struct RunOptions {
    bool print_all = false;
    bool print_time = false;
};

// Runs the whole sequence on an open stream (closed here) and returns the exit status:
// 0 after the final report or "Formula UNSAT...exiting", 1 for an internal failure.
// Throws Sat::ParseError on a syntax error, Sat::ReadError when the input cannot be read whole
// and Sat::OutOfMemoryException when memory runs out.
int runSequence(Sat::SolverWrapper& formula, Sat::DR_SolverWrapper& dual, gzFile in, const RunOptions& opts);

}  // namespace primal

#endif
