// Arena compaction: when the words of removed clauses pass a fraction of the arena, every live
// clause is copied once into a fresh arena, sized up front to the live words, and every clause
// reference the solver holds (watchers, reasons of trail variables, learnts, clauses) is
// redirected through the forwarding reference left in the old copy.
#include "solver/Solver.h"

namespace Sat {

void Solver::checkGarbage(double gf) {
    if (double(ca.wasted()) > double(ca.size()) * gf) garbageCollect();
}

void Solver::relocAll(ClauseAllocator& to) {
    // Watchers.
    watches.cleanAll();
    for (int v = 0; v < nVars(); v++)
        for (int s = 0; s < 2; s++) {
            Lit p = mkLit(v, s);
            vec<Watcher>& ws = watches[p];
            for (int j = 0; j < ws.size(); j++) ca.reloc(ws[j].cref, to);
        }

    // Reasons. A reason that is neither moved already nor locked is never followed again.
    for (int i = 0; i < trail.size(); i++) {
        Var v = var(trail[i]);
        CRef r = reason(v);
        if (r != CRef_Undef && (ca[r].reloced() || locked(ca[r]))) ca.reloc(vardata[v].reason, to);
    }

    // Learnt clauses, then problem clauses; removed ones are dropped.
    int i, j;
    for (i = j = 0; i < learnts.size(); i++)
        if (ca[learnts[i]].mark() != 1) {
            ca.reloc(learnts[i], to);
            learnts[j++] = learnts[i];
        }
    learnts.shrink_(i - j);

    for (i = j = 0; i < clauses.size(); i++)
        if (ca[clauses[i]].mark() != 1) {
            ca.reloc(clauses[i], to);
            clauses[j++] = clauses[i];
        }
    clauses.shrink_(i - j);
}

void Solver::garbageCollect() {
    uint32_t live = ca.size() - ca.wasted();
    ClauseAllocator to(ca.size() > ca.wasted() ? live : 0);
    relocAll(to);
    if (verbosity >= 2)
        say("|  Garbage collection:   %12d bytes => %12d bytes             |\n",
            int(ca.size() * 4), int(to.size() * 4));
    to.moveTo(ca);
}

}  // namespace Sat
