// Prime implicants straight from the clauses: the consistent minimal transversals of the
// non-tautological clauses (a tautological clause is satisfied whatever the term). Cheap per
// prime and solver-free, so it is tried first; but without propagation the search for even one
// transversal of a large structured formula can be long, hence the step bound.
#include <cassert>
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

// keep returns false to stop; `known`, when given, skips the implicants in it; `watch`, when
// given, is handed the engine before the search.
bool run(const std::vector<std::vector<int>>& clauses, int n, uint64_t steps, uint64_t per_prime,
         const std::function<bool(const std::vector<int>&)>& keep, int max_size = 0,
         const PrimeStore* known = nullptr, const std::function<void(TransversalEngine&)>& watch = {}) {
    TransversalEngine engine(n);
    std::vector<char> seen(2 * size_t(n) + 2, 0);
    for (const std::vector<int>& c : clauses)
        if (!tautological(c, seen)) engine.addEdge(c);
    if (known != nullptr)
        known->forEach([&](const int* b, const int* e) {
            if (max_size == 0 || e - b <= max_size) engine.addKnown(b, e);
        });
    engine.setStepLimit(steps, per_prime);
    engine.setMaxSize(max_size);
    if (watch) watch(engine);
    return engine.enumerate(keep);
}

}  // namespace

void keepFound(RunContext& ctx, PhaseTimer& timer, bool implicant, const std::vector<int>& found, bool store) {
    if (store) (implicant ? ctx.implicants : ctx.implicates).add(found);
    ctx.record(implicant, found);
    timer.tick();
}

void watchEngine(RunContext& ctx, PhaseTimer& timer, TransversalEngine& engine) {
    engine.setPoll([&ctx, &timer, polls = uint32_t(0)]() mutable {
        ctx.out.stopIfInterrupted();
        if (++polls % 16 == 0) timer.restart();
    });
}

bool implicantsFromClauses(RunContext& ctx, uint64_t steps, uint64_t per_prime, uint64_t max_unrecorded) {
    PhaseTimer timer(ctx.times.max_model);
    uint64_t unrecorded = 0;
    return run(
        ctx.formula.cls, ctx.n, steps, per_prime,
        [&](const std::vector<int>& t) {
            keepFound(ctx, timer, true, t);
            const bool recorded = ctx.out.wants(true) && (ctx.max_len == 0 || t.size() <= ctx.max_len);
            return recorded || ++unrecorded <= max_unrecorded;
        },
        0, nullptr, [&](TransversalEngine& engine) { watchEngine(ctx, timer, engine); });
}

// The prime implicants are the consistent minimal transversals of the clauses, and the engine
// pruned at k reaches every one of at most k literals (each is reached through its subsets).
void shortImplicantsFromClauses(RunContext& ctx) {
    assert(ctx.max_len != 0);
    PhaseTimer timer(ctx.times.max_model);
    run(ctx.formula.cls, ctx.n, 0, 0, [&](const std::vector<int>& t) {
        keepFound(ctx, timer, true, t);
        return true;
    }, int(ctx.max_len), &ctx.implicants, [&](TransversalEngine& engine) { watchEngine(ctx, timer, engine); });
}

bool implicantsOfClauses(const std::vector<std::vector<int>>& clauses, int n, PrimeStore& out, uint64_t steps,
                         uint64_t per_prime, PhaseTimes& times) {
    PhaseTimer timer(times.max_model);
    return run(clauses, n, steps, per_prime, [&](const std::vector<int>& t) {
        out.add(t);
        timer.tick();
        return true;
    });
}

}  // namespace primal
