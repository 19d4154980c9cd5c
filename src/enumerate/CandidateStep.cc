#include "enumerate/CandidateStep.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

using namespace Sat;

namespace primal {

bool termConsistent(RunContext& ctx, const std::vector<int>& term) {
    Solver& fs = *ctx.formula.solver;
    fs.conflict_budget = fs.propagation_budget = -1;
    // The checks are one long series of related searches whose learnt limit starts low on
    // every call, so each hard refutation used to start from scratch: lemmas of LBD <= 4 are
    // kept for good (fpga10_8_sat, 5 s: 2 inconsistent terms refuted before, 10 now; LBD <= 2
    // kept too few, 6 and 8 did no better).
    fs.core_lbd = 4;
    fs.assumptions.clear();
    // Each check starts from the initial phases: phases saved from the model of the previous
    // term carry its literals into the next model, so the implicants reduced from them drift
    // and the dual-rail solver's next terms are mostly inconsistent (logistics.a: 18214
    // implicates against 1237 implicants in 5 s).
    fs.resetPhases();
    for (int l : term) {
        assert(l != 0 && std::abs(l) <= ctx.n);
        fs.assumptions.push(dimacsLit(l));
    }
    ctx.out.watch(fs);
    const lbool res = fs.solve_();
    if (res == l_Undef) ctx.out.stopIfPolled(fs);
    return res == l_True;
}

void reduceModel(RunContext& ctx, std::vector<int>& prime) {
    const Solver& fs = *ctx.formula.solver;
    for (int i = 0; i < ctx.n; i++)
        ctx.rmodel[size_t(i)] = fs.model[i] == l_True ? primeutil::TRUE : primeutil::FALSE;
    std::fill(ctx.reducer.cls2exclude.begin(), ctx.reducer.cls2exclude.end(), false);
    prime = ctx.reducer.extract_Prime(ctx.formula.cls, ctx.rmodel);
}

namespace {

// The formula solver has just refuted a term: its failed assumptions (the solver's final
// conflict) cut down one literal at a time while the rest stays inconsistent, into `clause`
// negated. Every proper subterm of the result is consistent, so the clause is a prime implicate.
// A literal found necessary stays so in every smaller inconsistent set (the set without it is
// then smaller still, hence consistent), so each literal is tried once.
void shrinkRefuted(RunContext& ctx, std::vector<int>& clause) {
    const Solver& fs = *ctx.formula.solver;
    auto inCore = [&fs](int l) { return fs.conflict.has(dimacsLit(l)); };
    std::vector<int> needed, open, rest;
    for (int i = 0; i < fs.conflict.size(); i++) {
        open.push_back(dimacsOf(fs.conflict[i]));
    }
    while (!open.empty()) {
        const int l = open.back();
        open.pop_back();
        rest.clear();
        for (int x : needed) rest.push_back(-x);
        for (int x : open) rest.push_back(-x);
        if (termConsistent(ctx, rest)) {
            needed.push_back(l);
        } else {
            assert(std::all_of(needed.begin(), needed.end(), inCore));
            open.erase(std::remove_if(open.begin(), open.end(), [&](int x) { return !inCore(x); }), open.end());
        }
    }
    clause = std::move(needed);
}

}  // namespace

bool primeOfTerm(RunContext& ctx, const std::vector<int>& term, double start, std::vector<int>& prime, bool shrink) {
    const bool consistent = termConsistent(ctx, term);
    if (!consistent && shrink) shrinkRefuted(ctx, prime);
    addTime(ctx.times.check, userCpuTime() - start);
    if (consistent) {
#ifndef NDEBUG
        for (int l : term) assert(ctx.formula.solver->model[std::abs(l) - 1] == (l > 0 ? l_True : l_False));
#endif
        reduceModel(ctx, prime);
        if (ctx.projected) ctx.restrictToX(prime);
    } else if (!shrink) {
        prime.clear();
        for (int l : term) prime.push_back(-l);
    }
    return consistent;
}

bool storeUnlessEarlier(RunContext& ctx, bool implicant, const std::vector<int>& prime) {
    const std::set<std::vector<int>>& earlier = implicant ? ctx.earlier_implicants : ctx.earlier_implicates;
    if (!earlier.empty()) {
        std::vector<int>& sorted = ctx.sorted_scratch;  // reused: this runs once per prime
        sorted.assign(prime.begin(), prime.end());
        std::sort(sorted.begin(), sorted.end());
        if (earlier.count(sorted) != 0) return false;
    }
    (implicant ? ctx.implicants : ctx.implicates).add(prime);
    return true;
}

}  // namespace primal
