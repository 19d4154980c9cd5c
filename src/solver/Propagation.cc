// Assignment machinery: unit propagation over two watched literals, where each watcher carries
// a blocker literal of its clause so that most satisfied clauses are skipped without reading
// them; backtracking with phase saving; the decision rule (random pick, activity order, then
// user polarity before the saved phase); and the root-level clean-up.
#include "solver/Solver.h"

namespace Sat {

void Solver::uncheckedEnqueue(Lit p, CRef from) {
    assigns[var(p)] = lbool(uint8_t(sign(p)));
    vardata[var(p)] = VarData{from, decisionLevel()};
    trail.push_(p);
}

CRef Solver::propagate() {
    CRef confl = CRef_Undef;
    int num_props = 0;

    while (qhead < trail.size()) {
        Lit p = trail[qhead++];
        assert(value(p) == l_True);
        vec<Watcher>& ws = watches.lookup(p);
        Watcher *i, *j, *end;
        num_props++;

        for (i = j = ws.begin(), end = i + ws.size(); i != end;) {
            Lit blocker = i->blocker;
            if (value(blocker) == l_True) {
                *j++ = *i++;
                continue;
            }

            // Keep the false literal in position 1.
            CRef cr = i->cref;
            Clause c = ca[cr];
            Lit false_lit = ~p;
            if (c[0] == false_lit) c[0] = c[1], c[1] = false_lit;
            assert(c[1] == false_lit);  // it sits in the watch list of p because it watches ~p
            i++;

            Lit first = c[0];
            Watcher w = Watcher(cr, first);
            if (first != blocker && value(first) == l_True) {
                *j++ = w;
                continue;
            }

            // Look for a new literal to watch.
            int size = c.size();
            Lit* lits = c.lits();
            for (int k = 2; k < size; k++)
                if (value(lits[k]) != l_False) {
                    lits[1] = lits[k];
                    lits[k] = false_lit;
                    watches[~lits[1]].push(w);
                    goto NextClause;
                }

            // Unit or conflicting.
            *j++ = w;
            if (value(first) == l_False) {
                confl = cr;
                qhead = trail.size();
                while (i < end) *j++ = *i++;
            } else {
                uncheckedEnqueue(first, cr);
            }
        NextClause:;
        }
        ws.shrink_(int(i - j));
    }
    propagations += num_props;
    simpDB_props -= num_props;
    return confl;
}

// Root facts that were fixed above the root (see add_blck_assert) survive: they are pushed back
// on top of the kept trail and queued again, since what they implied at the undone levels is
// gone; back at level 0 they belong to the root segment again.
void Solver::cancelUntil(int level) {
    assert(level >= 0);
    if (decisionLevel() > level) {
        root_tmp.clear();
        for (int c = trail.size() - 1; c >= trail_lim[level]; c--) {
            Var x = var(trail[c]);
            if (roots_above > 0 && vardata[x].level == 0) {
                root_tmp.push(trail[c]);
                continue;
            }
            assigns[x] = l_Undef;
            if (phase_saving > 1 || (phase_saving == 1 && c > trail_lim.last())) polarity[x] = sign(trail[c]);
            insertVarOrder(x);
        }
        trail.shrink_(trail.size() - trail_lim[level]);
        trail_lim.shrink_(trail_lim.size() - level);
        qhead = trail.size();
        for (int k = root_tmp.size() - 1; k >= 0; k--) trail.push_(root_tmp[k]);
        if (level == 0) roots_above = 0;
        assert(decisionLevel() == level && qhead <= trail.size());
    }
}

Lit Solver::pickBranchLit() {
    Var next = var_Undef;

    // One draw on every call keeps the generator's sequence independent of rnd-freq.
    if (drand(random_seed) < random_var_freq && !order_heap.empty()) {
        next = order_heap[irand(random_seed, order_heap.size())];
        if (value(next) == l_Undef && decision[next]) rnd_decisions++;
    }

    // Activity based decision; assigned or non-decision variables leave the heap here.
    while (next == var_Undef || value(next) != l_Undef || !decision[next]) {
        if (order_heap.empty()) {
            next = var_Undef;
            break;
        }
        next = order_heap.removeMin();
    }

    if (next == var_Undef) return lit_Undef;
    if (user_pol[next] != l_Undef) return mkLit(next, user_pol[next] == l_True);
    if (rnd_pol) return mkLit(next, drand(random_seed) < 0.5);
    return mkLit(next, polarity[next]);
}

void Solver::rebuildOrderHeap() {
    vec<Var> vs;
    for (Var v = 0; v < nVars(); v++)
        if (decision[v] && value(v) == l_Undef) vs.push(v);
    order_heap.build(vs);
}

void Solver::removeSatisfied(vec<CRef>& cs) {
    int i, j;
    for (i = j = 0; i < cs.size(); i++) {
        Clause c = ca[cs[i]];
        if (satisfied(c)) {
            removeClause(cs[i]);
        } else {
            // Trim root-false literals; the watched positions 0 and 1 are not false here.
            for (int k = 2; k < c.size(); k++)
                if (value(c[k]) == l_False) {
                    c[k--] = c[c.size() - 1];
                    c.pop();
                }
            cs[j++] = cs[i];
        }
    }
    cs.shrink_(i - j);
}

bool Solver::simplify() {
    if (!ok || propagate() != CRef_Undef) return ok = false;
    if (nAssigns() == simpDB_assigns || (simpDB_props > 0)) return true;

    removeSatisfied(learnts);
    num_bin_learnts = 0;  // removal and trimming change which learnts are binary
    num_core_learnts = 0;
    for (int i = 0; i < learnts.size(); i++) {
        Clause c = ca[learnts[i]];
        num_bin_learnts += c.size() == 2;
        num_core_learnts += c.size() > 2 && c.mark() == ClauseHeader::CoreMark;
    }
    if (remove_satisfied) {
        removeSatisfied(clauses);

        // Released variables leave the trail and become free for reuse.
        for (int i = 0; i < released_vars.size(); i++) seen[released_vars[i]] = 1;
        int i, j;
        for (i = j = 0; i < trail.size(); i++)
            if (seen[var(trail[i])] == 0) trail[j++] = trail[i];
        trail.shrink_(i - j);
        qhead = trail.size();
        for (int k = 0; k < released_vars.size(); k++) seen[released_vars[k]] = 0;
        for (int k = 0; k < released_vars.size(); k++) free_vars.push(released_vars[k]);
        released_vars.clear();
    }
    checkGarbage();
    rebuildOrderHeap();

    simpDB_assigns = nAssigns();
    simpDB_props = int64_t(clauses_literals + learnts_literals);
    return true;
}

}  // namespace Sat
