#include "formula/DualRailSearch.h"

#include <cassert>
#include <climits>

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

void capTermLength(DR_SolverWrapper& dual, const std::vector<int>& test_vars, size_t k) {
    const size_t vars = test_vars.size();
    if (k == 0 || k >= vars) return;  // no term is longer
    Solver& ds = *dual.drSolver;
    assert(ds.decisionLevel() == 0 && vars * k < size_t(INT32_MAX / 2));
    // s(i, j), i < vars - 1, j = 1..k: at least j of the first i + 1 variables are in the term.
    const int base = dual.nVars;
    auto s = [&](size_t i, size_t j) { return base + int(i * k + j); };
    dual.ensureVar(s(vars - 2, k));
    // Decided false, the counter reads as low as the term allows: it then forces no rail, and
    // the rails are decided as without it, so a candidate stays as close to minimal as it can.
    for (Var v = base; v < ds.nVars(); v++) ds.user_pol[v] = l_True;
    std::vector<int> c;
    auto add = [&](std::initializer_list<int> lits) {
        c.assign(lits);
        dual.pushClause(c);
    };
    for (size_t i = 0; i < vars; i++) {
        const int v = test_vars[i];
        for (int rail : {2 * v - 1, 2 * v}) {  // the variable counts when this rail is false
            if (i + 1 < vars) add({rail, s(i, 1)});
            if (i > 0) {
                if (i + 1 < vars)
                    for (size_t j = 2; j <= k; j++) add({rail, -s(i - 1, j - 1), s(i, j)});
                add({rail, -s(i - 1, k)});
            }
        }
        if (i > 0 && i + 1 < vars)
            for (size_t j = 1; j <= k; j++) add({-s(i - 1, j), s(i, j)});
    }
    for (size_t j = 2; j <= k; j++) add({-s(0, j)});
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
