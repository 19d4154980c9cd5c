// The run sequence: read the formula, set up the solvers, check satisfiability, then hand every
// prime implicant and prime implicate to the sink, and the final figures.
#ifndef PRIMAL_ENUMERATE_ENUMERATION_H
#define PRIMAL_ENUMERATE_ENUMERATION_H

#include <zlib.h>

#include "enumerate/PhaseTimer.h"
#include "enumerate/PrimeSink.h"
#include "enumerate/RunOptions.h"
#include "formula/SolverWrapper.h"

namespace primal {

enum class RunEnd { Complete, Unsatisfiable, Stopped };

// Runs the whole sequence on an open stream (closed here, also when it throws). `times` are the
// run's phase timers (zeroed here), which a caller may read while the run goes on.
// Throws Sat::ParseError on a syntax error, Sat::ReadError when the input cannot be read whole
// and Sat::OutOfMemoryException when memory runs out.
RunEnd runSequence(Sat::SolverWrapper& formula, Sat::DR_SolverWrapper& dual, gzFile in, const RunOptions& opts,
                   PrimeSink& sink, PhaseTimes& times);
// The same on clauses of DIMACS integers given in memory (as SolverWrapper::takeClauses takes
// them; no header, so no header mismatch).
RunEnd runSequence(Sat::SolverWrapper& formula, Sat::DR_SolverWrapper& dual, std::vector<std::vector<int>> clauses,
                   const RunOptions& opts, PrimeSink& sink, PhaseTimes& times);

}  // namespace primal

#endif
