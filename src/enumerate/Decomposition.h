// Splitting a formula before enumerating it. A literal b that the formula implies (fixed by the
// solver at the root) is a prime implicate on its own, belongs to every prime implicant, and
// leaves the rest of the primes to the formula simplified by it. Parts of the simplified formula
// that share no variable are independent: the prime implicates are those of the parts together,
// the prime implicants the unions of one implicant of each part. Enumerating the parts one by
// one replaces a product of prime counts by their sum, which is where the loop would pay most.
#ifndef PRIMAL_CORE_DECOMPOSITION_H
#define PRIMAL_CORE_DECOMPOSITION_H

#include "enumerate/Enumeration.h"
#include "enumerate/RunContext.h"

namespace primal {

// When the satisfiable formula of ctx falls into two or more parts beside its root-fixed
// literals, or into none, and the engine lists every prime implicant of every part within the
// policy's budget, records every prime (first the implicants, as products, then the fixed
// literals and each part's implicates, each part with its own solvers) through ctx's numbering
// and returns true. Otherwise records nothing and returns false: one part is better served by
// the whole formula's solver, which has already searched, and a part whose implicants the
// engine cannot list would hold back the products until the very end.
// Precondition: ctx's formula solver has answered satisfiable without assumptions.
bool enumerateByParts(RunContext& ctx, const RunOptions& opts);

}  // namespace primal

#endif
