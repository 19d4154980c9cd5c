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
