// One candidate term through the formula, the step every road that checks candidates shares:
// the formula solver, under the term as assumptions, either finds a model (the term is
// consistent and the model reduces to a prime implicant) or refutes it (the negated term is an
// implicate); the prime is blocked by the caller's rule, stored unless an earlier phase found
// it, and recorded. The check's time goes to the check timer; the reduction timer gets the
// whole step up to the record (check included, as the reports have always counted it).
#ifndef PRIMAL_ENUMERATE_CANDIDATESTEP_H
#define PRIMAL_ENUMERATE_CANDIDATESTEP_H

#include <vector>

#include "enumerate/RunContext.h"
#include "utils/System.h"

namespace primal {

struct StepEnd {
    bool consistent;  // the prime is an implicant
    bool more;        // the blocking rule left candidates
    double at;        // time stamp at the end of the step, before the record
};

// Checks the term (its check time charged from `start`) and turns it into a prime; returns
// whether the term was consistent. With `shrink`, a refuted term is first cut down to a
// minimal inconsistent subterm (for terms that need not be minimal, see dualRailLoop).
bool primeOfTerm(RunContext& ctx, const std::vector<int>& term, double start, std::vector<int>& prime,
                 bool shrink = false);
// Stores the prime in ctx's store of its kind unless it is one of the earlier primes; returns
// whether it is new.
bool storeUnlessEarlier(RunContext& ctx, bool implicant, const std::vector<int>& prime);

// `block(consistent, prime)` keeps later candidates away from the prime and returns false when
// none is left.
template <class Block>
StepEnd candidateStep(RunContext& ctx, const std::vector<int>& term, double start, std::vector<int>& prime,
                      Block&& block, bool shrink = false) {
    StepEnd s;
    s.consistent = primeOfTerm(ctx, term, start, prime, shrink);
    s.more = block(s.consistent, prime);
    const bool fresh = storeUnlessEarlier(ctx, s.consistent, prime);
    s.at = Sat::userCpuTime();
    addTime(ctx.times.reduction, s.at - start);
    if (fresh) ctx.record(s.consistent, prime);
    return s;
}

}  // namespace primal

#endif
