// Checking a candidate term against the formula: the formula solver, under the term as
// assumptions, either finds a model (the term is consistent and the model reduces to a prime
// implicant) or refutes it (the negated term is an implicate).
#include <cstdlib>

#include "enumerate/PrimeReduction.h"
#include "enumerate/Reports.h"
#include "enumerate/RunContext.h"

using namespace Sat;

namespace primal {

RunContext::RunContext(SolverWrapper& f, int vars, bool print, std::vector<int> orig)
    : formula(f), n(vars), print_all(print), rmodel(size_t(vars)), orig_var(std::move(orig)) {
    test_vars.reserve(size_t(vars));
    for (int v = 1; v <= vars; v++) test_vars.push_back(v);
}

void RunContext::record(bool implicant, std::vector<int>& prime) {
    if (implicant && defer_implicants) return;
    if (!print_all || orig_var.empty()) {
        recordPrime(implicant, prime, print_all);
        return;
    }
    // The renumbering keeps the order of the indices, so the printed line is sorted either way.
    printed_.clear();
    for (int l : prime) printed_.push_back(inputLit(l));
    recordPrime(implicant, printed_, true);
}

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
    for (int l : term) fs.assumptions.push(mkLit(std::abs(l) - 1, l < 0));
    return fs.solve_() == l_True;
}

void reduceModel(RunContext& ctx, std::vector<int>& prime) {
    const Solver& fs = *ctx.formula.solver;
    for (int i = 0; i < ctx.n; i++)
        ctx.rmodel[size_t(i)] = fs.model[i] == l_True ? primeutil::TRUE : primeutil::FALSE;
    std::fill(cls2exclude.begin(), cls2exclude.end(), false);
    prime = primeutil::extract_Prime(ctx.formula.cls, ctx.rmodel);
}

}  // namespace primal
