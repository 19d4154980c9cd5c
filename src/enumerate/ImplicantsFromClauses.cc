// Prime implicants straight from the clauses: the consistent minimal transversals of the
// non-tautological clauses (a tautological clause is satisfied whatever the term). Cheap per
// prime and solver-free, so it is tried first; but without propagation the search for even one
// transversal of a large structured formula can be long, hence the step bound.
#include <functional>

#include "enumerate/Phases.h"
#include "transversal/Transversals.h"
#include "utils/LitIndex.h"

namespace primal {

namespace {

bool tautological(const std::vector<int>& clause, std::vector<char>& seen) {
    bool taut = false;
    for (int l : clause) seen[litIndex(l)] = 1;
    for (int l : clause)
        if (seen[litIndex(-l)]) taut = true;
    for (int l : clause) seen[litIndex(l)] = 0;
    return taut;
}

bool run(const std::vector<std::vector<int>>& clauses, int n, uint64_t steps, uint64_t per_prime,
         const std::function<void(const std::vector<int>&)>& keep) {
    TransversalEngine engine(n);
    std::vector<char> seen(2 * size_t(n) + 2, 0);
    for (const std::vector<int>& c : clauses)
        if (!tautological(c, seen)) engine.addEdge(c);
    engine.setStepLimit(steps, per_prime);
    return engine.enumerate([&](const std::vector<int>& t) {
        keep(t);
        return true;
    });
}

}  // namespace

void keepFound(RunContext& ctx, PhaseTimer& timer, bool implicant, const std::vector<int>& found, bool store) {
    if (store) (implicant ? ctx.implicants : ctx.implicates).add(found);
    ctx.record(implicant, found);
    timer.tick();
}

bool implicantsFromClauses(RunContext& ctx, uint64_t steps, uint64_t per_prime) {
    PhaseTimer timer(ctx.times.max_model);
    return run(ctx.formula.cls, ctx.n, steps, per_prime,
               [&](const std::vector<int>& t) { keepFound(ctx, timer, true, t); });
}

bool implicantsOfClauses(const std::vector<std::vector<int>>& clauses, int n, PrimeStore& out, uint64_t steps,
                         uint64_t per_prime, PhaseTimes& times) {
    PhaseTimer timer(times.max_model);
    return run(clauses, n, steps, per_prime, [&](const std::vector<int>& t) {
        out.add(t);
        timer.tick();
    });
}

}  // namespace primal
