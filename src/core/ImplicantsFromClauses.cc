// Prime implicants straight from the clauses: the consistent minimal transversals of the
// non-tautological clauses (a tautological clause is satisfied whatever the term). Cheap per
// prime and solver-free, so it is tried first; but without propagation the search for even one
// transversal of a large structured formula can be long, hence the step bound.
#include "core/Reports.h"
#include "core/Transversals.h"
#include "core/TransversalPhases.h"
#include "utils/System.h"

namespace primal {

namespace {

bool tautological(const std::vector<int>& clause, std::vector<char>& seen) {
    bool taut = false;
    for (int l : clause) seen[size_t(2 * std::abs(l) + (l < 0))] = 1;
    for (int l : clause)
        if (seen[size_t(2 * std::abs(l) + (l > 0))]) taut = true;
    for (int l : clause) seen[size_t(2 * std::abs(l) + (l < 0))] = 0;
    return taut;
}

}  // namespace

bool implicantsFromClauses(RunContext& ctx, uint64_t steps, uint64_t per_prime) {
    double t0 = Sat::userCpuTime();
    TransversalEngine engine(ctx.n);
    std::vector<char> seen(2 * size_t(ctx.n) + 2, 0);
    for (const std::vector<int>& c : ctx.formula.cls)
        if (!tautological(c, seen)) engine.addEdge(c);
    engine.setStepLimit(steps, per_prime);

    std::vector<int> prime;
    uint32_t found = 0;
    bool done = engine.enumerate([&](const std::vector<int>& t) {
        prime = t;
        ctx.implicants.add(prime);
        ctx.record(true, prime);
        // Progress reports read the timers; a stamp now and then keeps them current without a
        // system call per prime.
        if (++found % 4096 == 0) {
            double t1 = Sat::userCpuTime();
            addTime(time_max_m, t1 - t0);
            t0 = t1;
        }
        return true;
    });
    addTime(time_max_m, Sat::userCpuTime() - t0);
    return done;
}

}  // namespace primal
