// Splitting a formula before enumerating it. A literal b that the formula implies (fixed by the
// solver at the root) is a prime implicate on its own, belongs to every prime implicant, and
// leaves the rest of the primes to the formula simplified by it. Parts of the simplified formula
// that share no variable are independent: the prime implicates are those of the parts together,
// the prime implicants the unions of one implicant of each part. Enumerating the parts one by
// one replaces a product of prime counts by their sum, which is where the loop would pay most.
#ifndef PRIMAL_CORE_DECOMPOSITION_H
#define PRIMAL_CORE_DECOMPOSITION_H

#include "core/Enumeration.h"
#include "core/RunContext.h"

namespace primal {

// When the satisfiable formula of ctx has root-fixed literals or falls into two or more parts,
// enumerates every prime of it part by part (each with enumeratePrimes and its own solvers),
// records them through ctx's numbering and returns true. Otherwise does nothing and returns
// false. Precondition: ctx's formula solver has answered satisfiable without assumptions.
bool enumerateByParts(RunContext& ctx, const RunOptions& opts);

}  // namespace primal

#endif
