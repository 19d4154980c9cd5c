// First-UIP conflict analysis with three minimisation modes. The deep mode's redundancy test
// (litRedundant) walks reason clauses with an explicit stack instead of recursion, and caches
// its verdicts in `seen` (2 removable, 3 failed) so no literal is explored twice per conflict.
#include "solver/Solver.h"

namespace Sat {

namespace {
enum : char { seen_undef = 0, seen_source = 1, seen_removable = 2, seen_failed = 3 };
}

void Solver::varBumpActivity(Var v, double inc) {
    if ((activity[v] += inc) > 1e100) {
        for (int i = 0; i < nVars(); i++) activity[i] *= 1e-100;
        var_inc *= 1e-100;
    }
    if (order_heap.inHeap(v)) order_heap.decrease(v);
}

void Solver::claBumpActivity(Clause c) {
    float act = float(double(c.activity()) + cla_inc);
    c.setActivity(act);
    if (act > 1e20) {
        for (int i = 0; i < learnts.size(); i++) {
            Clause l = ca[learnts[i]];
            l.setActivity(float(double(l.activity()) * 1e-20));
        }
        cla_inc *= 1e-20;
    }
}

void Solver::analyze(CRef confl, vec<Lit>& out_learnt, int& out_btlevel) {
    int pathC = 0;
    Lit p = lit_Undef;

    out_learnt.push();  // room for the asserting literal
    int index = trail.size() - 1;

    do {
        Clause c = ca[confl];
        if (c.learnt()) claBumpActivity(c);

        for (int j = (p == lit_Undef) ? 0 : 1; j < c.size(); j++) {
            Lit q = c[j];
            if (!seen[var(q)] && level(var(q)) > 0) {
                varBumpActivity(var(q));
                seen[var(q)] = seen_source;
                if (level(var(q)) >= decisionLevel())
                    pathC++;
                else
                    out_learnt.push(q);
            }
        }

        // Next literal of the current level to resolve on.
        while (!seen[var(trail[index--])]);
        p = trail[index + 1];
        confl = reason(var(p));
        seen[var(p)] = seen_undef;
        pathC--;
    } while (pathC > 0);
    out_learnt[0] = ~p;

    int i, j;
    out_learnt.copyTo(analyze_toclear);
    if (ccmin_mode == 2) {
        for (i = j = 1; i < out_learnt.size(); i++)
            if (reason(var(out_learnt[i])) == CRef_Undef || !litRedundant(out_learnt[i])) out_learnt[j++] = out_learnt[i];
    } else if (ccmin_mode == 1) {
        for (i = j = 1; i < out_learnt.size(); i++) {
            Var x = var(out_learnt[i]);
            if (reason(x) == CRef_Undef) {
                out_learnt[j++] = out_learnt[i];
            } else {
                const Clause c = ca[reason(x)];
                for (int k = 1; k < c.size(); k++)
                    if (!seen[var(c[k])] && level(var(c[k])) > 0) {
                        out_learnt[j++] = out_learnt[i];
                        break;
                    }
            }
        }
    } else {
        i = j = out_learnt.size();
    }

    max_literals += out_learnt.size();
    out_learnt.shrink_(i - j);
    tot_literals += out_learnt.size();

    if (out_learnt.size() == 1) {
        out_btlevel = 0;
    } else {
        int max_i = 1;
        for (int k = 2; k < out_learnt.size(); k++)
            if (level(var(out_learnt[k])) > level(var(out_learnt[max_i]))) max_i = k;
        Lit q = out_learnt[max_i];
        out_learnt[max_i] = out_learnt[1];
        out_learnt[1] = q;
        out_btlevel = level(var(q));
    }

    for (int k = 0; k < analyze_toclear.size(); k++) seen[var(analyze_toclear[k])] = seen_undef;
}

bool Solver::litRedundant(Lit p) {
    Clause c = ca[reason(var(p))];
    vec<ShrinkStackElem>& stack = analyze_stack;
    stack.clear();

    for (uint32_t i = 1;; i++) {
        if (i < uint32_t(c.size())) {
            Lit l = c[i];
            // Root facts and literals known to be implied are fine.
            if (level(var(l)) == 0 || seen[var(l)] == seen_source || seen[var(l)] == seen_removable) continue;

            // A decision, or a literal already shown not redundant, fails the whole chain.
            if (reason(var(l)) == CRef_Undef || seen[var(l)] == seen_failed) {
                stack.push(ShrinkStackElem(0, p));
                for (int k = 0; k < stack.size(); k++)
                    if (seen[var(stack[k].l)] == seen_undef) {
                        seen[var(stack[k].l)] = seen_failed;
                        analyze_toclear.push(stack[k].l);
                    }
                return false;
            }

            // Descend into the reason of l.
            stack.push(ShrinkStackElem(i, p));
            i = 0;
            p = l;
            c = ca[reason(var(p))];
        } else {
            // Every antecedent of p is implied: p is removable.
            if (seen[var(p)] == seen_undef) {
                seen[var(p)] = seen_removable;
                analyze_toclear.push(p);
            }
            if (stack.size() == 0) break;
            i = stack.last().i;
            p = stack.last().l;
            c = ca[reason(var(p))];
            stack.pop();
        }
    }
    return true;
}

void Solver::analyzeFinal(Lit p, LSet& out_conflict) {
    out_conflict.clear();
    out_conflict.insert(p);

    if (decisionLevel() == 0) return;

    seen[var(p)] = 1;
    for (int i = trail.size() - 1; i >= trail_lim[0]; i--) {
        Var x = var(trail[i]);
        if (seen[x]) {
            if (reason(x) == CRef_Undef) {
                out_conflict.insert(~trail[i]);
            } else {
                const Clause c = ca[reason(x)];
                for (int j = 1; j < c.size(); j++)
                    if (level(var(c[j])) > 0) seen[var(c[j])] = 1;
            }
            seen[x] = 0;
        }
    }
    seen[var(p)] = 0;
}

}  // namespace Sat
