// Problem clauses at the root: sorted so duplicates and complementary pairs are neighbours,
// simplified against the root assignment, then stored and watched, or fixed and propagated
// when one literal is left.
#include "solver/Solver.h"
#include "containers/Sort.h"

namespace Sat {

bool Solver::addClause_(vec<Lit>& ps) {
    if (!ok) return false;

    sort(ps);
    Lit p;
    int i, j;
    for (i = j = 0, p = lit_Undef; i < ps.size(); i++)
        if (value(ps[i]) == l_True || ps[i] == ~p)
            return true;
        else if (value(ps[i]) != l_False && ps[i] != p)
            ps[j++] = p = ps[i];
    ps.shrink_(i - j);

    if (ps.size() == 0) return ok = false;
    if (ps.size() == 1) {
        uncheckedEnqueue(ps[0]);
        return ok = (propagate() == CRef_Undef);
    }
    CRef cr = ca.alloc(ps, false);
    clauses.push(cr);
    attachClause(cr);
    return true;
}

bool Solver::addClause(Lit p) {
    add_tmp.clear();
    add_tmp.push(p);
    return addClause_(add_tmp);
}

void Solver::releaseVar(Lit l) {
    if (value(l) == l_Undef) {
        addClause(l);
        released_vars.push(var(l));
    }
}

}  // namespace Sat
