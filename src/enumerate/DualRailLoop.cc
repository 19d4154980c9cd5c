// The main engine: each maximal model of the dual-rail solver names a candidate term; the
// formula solver checks it; a consistent term's model is reduced to a prime implicant, an
// inconsistent term negated into a prime implicate; the prime is blocked in the dual-rail solver
// without a restart. Every prime implicate is found this way; prime implicants whose every
// model extension holds an earlier implicant are not (completeImplicants finds those).
#include <algorithm>

#include "enumerate/DualRailSearch.h"
#include "enumerate/Reports.h"
#include "enumerate/RunContext.h"
#include "utils/System.h"

using namespace Sat;

namespace primal {

namespace {

std::vector<int> negated(const std::vector<int>& lits) {
    std::vector<int> out;
    out.reserve(lits.size());
    for (int l : lits) out.push_back(-l);
    return out;
}

bool isNew(const std::set<std::vector<int>>& earlier, const std::vector<int>& prime, std::vector<int>& sorted) {
    if (earlier.empty()) return true;
    sorted = prime;
    std::sort(sorted.begin(), sorted.end());
    return earlier.count(sorted) == 0;
}

}  // namespace

LoopEnd dualRailLoop(RunContext& ctx, DR_SolverWrapper& dual, int64_t conflict_budget) {
    std::vector<int> term, prime, sorted;
    // Each stamp is a system call; one stamp ends a phase and starts the next, and the stamp
    // that ends an iteration starts the following one.
    double t0 = userCpuTime();
    for (;;) {
        lbool found = nextTerm(dual, ctx.test_vars, term, conflict_budget);
        double t1 = userCpuTime();
        if (found == l_False) return LoopEnd::Exhausted;  // the last search counts in no timer
        addTime(time_max_m, t1 - t0);
        if (found == l_Undef) return LoopEnd::OverBudget;

        bool consistent = termConsistent(ctx, term);
        addTime(time_sat_call, userCpuTime() - t1);

        bool ok, fresh = true;
        if (consistent) {
            reduceModel(ctx, prime);
            ok = dual.addDualRailClsIncr(prime, false, true);
            fresh = isNew(ctx.earlier_implicants, prime, sorted);
            if (fresh) ctx.implicants.add(prime);
        } else {
            prime = negated(term);
            ok = dual.addDualRailClsIncr(prime, true, true);
            fresh = isNew(ctx.earlier_implicates, prime, sorted);
            if (fresh) ctx.implicates.add(prime);
        }
        t0 = userCpuTime();
        addTime(time_reduction, t0 - t1);

        if (fresh) ctx.record(consistent, prime);
        if (!ok) return LoopEnd::Exhausted;
    }
}

}  // namespace primal
