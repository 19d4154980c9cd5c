// Prime implicants straight from the clauses: the consistent minimal transversals of the
// non-tautological clauses (a tautological clause is satisfied whatever the term). Cheap per
// prime and solver-free, so it is tried first; but without propagation the search for even one
// transversal of a large structured formula can be long, hence the step bound.
#include <functional>

#include "enumerate/Reports.h"
#include "transversal/Transversals.h"
#include "enumerate/TransversalPhases.h"
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

EngineFinds::EngineFinds() : t0(Sat::userCpuTime()) {}

EngineFinds::~EngineFinds() { restart(); }

void EngineFinds::restart() { chargeUntil(Sat::userCpuTime()); }

void EngineFinds::chargeUntil(double now) {
    addTime(time_max_m, now - t0);
    t0 = now;
}

void EngineFinds::resumeFrom(double now) { t0 = now; }

void EngineFinds::keep(RunContext& ctx, bool implicant, const std::vector<int>& found, bool store) {
    prime = found;
    if (store) (implicant ? ctx.implicants : ctx.implicates).add(prime);
    ctx.record(implicant, prime);
    if (++count % 4096 == 0) restart();
}

namespace {

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

bool implicantsFromClauses(RunContext& ctx, uint64_t steps, uint64_t per_prime) {
    EngineFinds finds;
    return run(ctx.formula.cls, ctx.n, steps, per_prime, [&](const std::vector<int>& t) { finds.keep(ctx, true, t); });
}

bool implicantsOfClauses(const std::vector<std::vector<int>>& clauses, int n, PrimeStore& out, uint64_t steps,
                         uint64_t per_prime) {
    EngineFinds finds;  // charges the time, kept current for progress reports as keep() does
    return run(clauses, n, steps, per_prime, [&](const std::vector<int>& t) {
        out.add(t);
        if (out.size() % 4096 == 0) finds.restart();
    });
}

}  // namespace primal
