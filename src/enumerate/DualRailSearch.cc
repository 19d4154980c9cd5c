#include "enumerate/DualRailSearch.h"

using namespace Sat;

namespace primal {

void setUpDualRail(DR_SolverWrapper& dual, int n) {
    Solver& ds = *dual.drSolver;
    while (dual.nVars < 2 * n) {
        ds.newVar(l_Undef, true);
        dual.nVars++;
    }
    std::vector<int> pair(2);
    for (int i = 1; i <= ds.nVars(); i += 2) {
        pair[0] = i, pair[1] = i + 1;
        dual.pushClause(pair);  // pushed only: nothing reads the rail clauses back
    }
    dual.maximal = true;
    ds.keep_trail = true;
    // Every term found adds a blocking clause, and the binary learnts pile up: measured, not
    // ranking them nor counting them against the learnt limit saves 40% of the work on gh_4.
    ds.exempt_binary_learnts = true;
    for (Var v = 0; v < ds.nVars(); v++) ds.user_pol[v] = l_False;
    // Which rails are decided last decides the terms: a blocking clause flips its latest
    // decided rail. The formula solver's models lean negative (initial phases), so an implicant
    // holds few positive literals; flipping the rail of one of them asks for a term with -x,
    // which is mostly consistent, while a term gathering positive literals is mostly an
    // implicate, often a hard one. So the negative rails go first and the positive ones last,
    // each group from the highest variable down (fpga10_8_sat, 5 s: 46141 implicants against
    // 6 in index order; ascending positive rails: 26, their terms pile up on the last net; on
    // logistics.a both beat index order). Tiny activities only break the ties: the first
    // bump of a conflict outweighs them. With random initial activities the seed stays off.
    if (!ds.rnd_init_act) {
        const double n_rails = ds.nVars();
        for (Var v = 0; v < ds.nVars(); v++)
            ds.activity[v] = ((v & 1) ? 2 * n_rails + v : n_rails + v) * 1e-100;
        ds.rebuildOrderHeap();
    }
}

lbool nextTerm(DR_SolverWrapper& dual, const std::vector<int>& test_vars, std::vector<int>& term,
               int64_t conflict_budget) {
    Solver& ds = *dual.drSolver;
    ds.conflict_budget = conflict_budget < 0 ? -1 : ds.conflicts + uint64_t(conflict_budget);
    ds.propagation_budget = -1;
    ds.assumptions.clear();
    lbool res = ds.solve_();
    ds.conflict_budget = -1;
    if (res != l_True) return res;
    term.clear();
    for (int v : test_vars) {
        if (ds.model[2 * v - 2] == l_False)
            term.push_back(-v);
        else if (ds.model[2 * v - 1] == l_False)
            term.push_back(v);
    }
    return l_True;
}

}  // namespace primal
