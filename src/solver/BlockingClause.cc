// Adding a clause to a solver that still holds the assignment of its last satisfiable search.
// Instead of returning to the root, the solver backtracks only to the level just below the
// clause's highest literal level, so the first watch becomes unassigned and every lower level
// (with its propagations) is kept for the next search. Nothing is propagated here: a clause
// that is unit under the kept trail waits in its watch lists until the search reaches it.
// A one-literal clause is the exception: it becomes a root fact, assigned and propagated at
// once on top of the kept levels (cancelUntil keeps such facts when it backtracks below them).
#include "solver/Solver.h"

namespace Sat {

lbool Solver::add_blck_assert(vec<Lit>& ps) {
    if (ps.size() == 0) {
        ok = false;
        return l_False;
    }

    if (ps.size() == 1) {
        Lit p = ps[0];
        if (level(var(p)) == 0 && value(var(p)) != l_Undef) {
            if (notice) notice("Variable already assigned!!!");
            return l_False;
        }
        // Only the levels from p's own on depend on p's old value; the ones below are kept and p
        // becomes a root fact on top of them, so that the next search does not start over.
        if (value(var(p)) != l_Undef) cancelUntil(level(var(p)) - 1);
        assert(value(p) == l_Undef);  // its own level and those above were undone
        uncheckedEnqueue(p);
        if (decisionLevel() > 0) {
            vardata[var(p)].level = 0;
            roots_above++;
            if (propagate() == CRef_Undef) return l_True;
            // The kept levels contradict p: back to the root (p stays) and propagate p there.
            cancelUntil(0);
            for (qhead = trail.size() - 1; trail[qhead] != p; qhead--);
        }
        ok = (propagate() == CRef_Undef);
        return ok ? l_True : l_False;
    }

    // The first literal of the highest level becomes the first watch.
    int max_i = 0;
    int max_level = level(var(ps[0]));
    for (int i = 1; i < ps.size(); i++) {
        int l = level(var(ps[i]));
        if (l > max_level) {
            max_level = l;
            max_i = i;
        }
    }
    Lit tmp = ps[0];
    ps[0] = ps[max_i];
    ps[max_i] = tmp;

    int target = max_level - 1;
    if (target < 0) return l_False;
    if (decisionLevel() > target) cancelUntil(target);

    // The watched literal of the highest level is free again: the clause is not falsified and
    // propagates at the latest when the search comes back to that level.
    assert(value(ps[0]) != l_False && decisionLevel() <= target);
    CRef cr = ca.alloc(ps, false);
    clauses.push(cr);
    attachClause(cr);
    return ok ? l_True : l_False;
}

}  // namespace Sat
