// The policy: which engine takes which primes of a satisfiable formula, and when one hands over
// to the other (the reasoning, with its measurements, is at the top of Policy.cc).
#ifndef PRIMAL_ENUMERATE_POLICY_H
#define PRIMAL_ENUMERATE_POLICY_H

#include "enumerate/ByParts.h"
#include "enumerate/RunContext.h"
#include "enumerate/RunOptions.h"

namespace primal {

// Records every prime of ctx's formula once. Precondition: the formula solver has answered
// satisfiable without assumptions, and ctx.reducer is built over the formula's clauses.
// `dual_rail` makes the dual-rail solver (set up for ctx's variables) when a road needs it.
void enumeratePrimes(RunContext& ctx, const DualRailMaker& dual_rail, const RunOptions& opts);

}  // namespace primal

#endif
