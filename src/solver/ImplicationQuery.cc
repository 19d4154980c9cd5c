// Which literals unit propagation derives from a set of assumptions, without searching.
#include "solver/Solver.h"

namespace Sat {

bool Solver::implies(const vec<Lit>& assumps, vec<Lit>& out) {
    trail_lim.push(trail.size());
    for (int i = 0; i < assumps.size(); i++) {
        Lit a = assumps[i];
        if (value(a) == l_False) {
            cancelUntil(0);
            return false;
        }
        if (value(a) == l_Undef) uncheckedEnqueue(a);
    }

    int trail_before = trail.size();
    bool ret = true;
    if (propagate() == CRef_Undef) {
        out.clear();
        for (int j = trail_before; j < trail.size(); j++) out.push(trail[j]);
    } else {
        ret = false;
    }
    cancelUntil(0);
    return ret;
}

}  // namespace Sat
