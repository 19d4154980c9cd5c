// The outer loop: solve_ runs bounded searches with Luby (or geometric) restarts; search
// propagates, learns from conflicts, reduces the learnt clauses when they pass a limit that
// grows on a geometric schedule of conflicts, handles assumptions as the first decisions,
// and decides.
#include <climits>
#include <cmath>

#include "containers/Sort.h"
#include "solver/Solver.h"

namespace Sat {

double luby(double y, int x) {
    // Find the finite subsequence that contains index x, and its size.
    int size, seq;
    for (size = 1, seq = 0; size < x + 1; seq++, size = 2 * size + 1);
    while (size - 1 != x) {
        size = (size - 1) >> 1;
        seq--;
        x = x % size;
    }
    return std::pow(y, seq);
}

namespace {
struct reduceDB_lt {
    ClauseAllocator& ca;
    explicit reduceDB_lt(ClauseAllocator& ca_) : ca(ca_) {}
    bool operator()(CRef x, CRef y) const {
        return ca[x].size() > 2 && (ca[y].size() == 2 || ca[x].activity() < ca[y].activity());
    }
};
}  // namespace

int Solver::lbd(const vec<Lit>& lits) {
    // Called after the backjump: the literals' levels may lie above the current one.
    for (int i = 0; i < lits.size(); i++) lbd_stamp.growTo(level(var(lits[i])) + 1, 0);
    if (++lbd_counter == 0) {  // wrapped: old stamps could pass for new ones
        for (int i = 0; i < lbd_stamp.size(); i++) lbd_stamp[i] = 0;
        lbd_counter = 1;
    }
    int n = 0;
    for (int i = 0; i < lits.size(); i++) {
        int l = level(var(lits[i]));
        if (lbd_stamp[l] != lbd_counter) lbd_stamp[l] = lbd_counter, n++;
    }
    return n;
}

void Solver::reduceDB() {
    int i, j;
    double extra_lim = cla_inc / learnts.size();  // remove any clause below this activity
    // With binaries exempt, they wait at the back unsorted and only the longer learnts are
    // ranked, so a solver holding many binaries does not sort them again on every call.
    // Otherwise the whole list is ranked, binaries last.
    vec<CRef> bin;
    if (exempt_binary_learnts) {
        for (i = j = 0; i < learnts.size(); i++) {
            if (ca[learnts[i]].size() > 2 && ca[learnts[i]].mark() != ClauseHeader::CoreMark)
                learnts[j++] = learnts[i];
            else
                bin.push(learnts[i]);
        }
        learnts.shrink_(i - j);
    }
    const int n = learnts.size();
    sort(learnts, reduceDB_lt(ca));
    // Remove the less active half; binary, core and locked clauses stay.
    num_bin_learnts = 0;
    for (i = 0; i < bin.size(); i++) num_bin_learnts += ca[bin[i]].size() == 2;
    for (i = j = 0; i < n; i++) {
        Clause c = ca[learnts[i]];
        if (c.size() > 2 && c.mark() != ClauseHeader::CoreMark && !locked(c) && (i < n / 2 || c.activity() < extra_lim)) {
            removeClause(learnts[i]);
        } else {
            num_bin_learnts += c.size() == 2;
            learnts[j++] = learnts[i];
        }
    }
    learnts.shrink_(i - j);
    for (i = 0; i < bin.size(); i++) learnts.push(bin[i]);
    checkGarbage();
}

double Solver::progressEstimate() const {
    double progress = 0;
    double F = 1.0 / nVars();
    for (int i = 0; i <= decisionLevel(); i++) {
        int beg = i == 0 ? 0 : trail_lim[i - 1];
        int end = i == decisionLevel() ? trail.size() : trail_lim[i];
        progress += std::pow(F, i) * (end - beg);
    }
    return progress / nVars();
}

lbool Solver::search(int nof_conflicts) {
    int backtrack_level;
    int conflictC = 0;
    vec<Lit> learnt_clause;
    starts++;

    for (;;) {
        CRef confl = propagate();
        if (confl != CRef_Undef) {
            conflicts++;
            conflictC++;
            if (decisionLevel() == 0) return l_False;
            if (poll != nullptr && (conflicts & 1023) == 0 && poll(poll_arg)) polled_stop = asynch_interrupt = true;

            learnt_clause.clear();
            analyze(confl, learnt_clause, backtrack_level);
            cancelUntil(backtrack_level);

            if (learnt_clause.size() == 1) {
                uncheckedEnqueue(learnt_clause[0]);
            } else {
                CRef cr = ca.alloc(learnt_clause, true);
                learnts.push(cr);
                if (learnt_clause.size() == 2) num_bin_learnts++;
                else if (core_lbd > 0 && lbd(learnt_clause) <= core_lbd) {
                    ca[cr].mark(ClauseHeader::CoreMark);
                    num_core_learnts++;
                }
                attachClause(cr);
                claBumpActivity(ca[cr]);
                uncheckedEnqueue(learnt_clause[0], cr);
            }

            varDecayActivity();
            claDecayActivity();

            if (--learntsize_adjust_cnt == 0) {
                learntsize_adjust_confl *= learntsize_adjust_inc;
                learntsize_adjust_cnt = int(learntsize_adjust_confl);
                max_learnts *= learntsize_inc;

                if (verbosity >= 1)
                    say("| %9d | %7d %8d %8d | %8d %8d %6.0f | %6.3f %% |\n", int(conflicts),
                        int(dec_vars - uint64_t(trail_lim.size() == 0 ? trail.size() : trail_lim[0])),
                        int(num_clauses), int(clauses_literals), int(max_learnts), int(num_learnts),
                        double(learnts_literals) / num_learnts, progressEstimate() * 100);
            }
        } else {
            if ((nof_conflicts >= 0 && conflictC >= nof_conflicts) || !withinBudget()) {
                progress_estimate = progressEstimate();
                cancelUntil(0);
                return l_Undef;
            }

            if (decisionLevel() == 0 && !simplify()) return l_False;

            if (double(learnts.size() - (exempt_binary_learnts ? num_bin_learnts : 0) - num_core_learnts - nAssigns()) >=
                max_learnts)
                reduceDB();

            Lit next = lit_Undef;
            while (decisionLevel() < assumptions.size()) {
                Lit p = assumptions[decisionLevel()];
                if (value(p) == l_True) {
                    newDecisionLevel();  // dummy level for an assumption that already holds
                } else if (value(p) == l_False) {
                    analyzeFinal(~p, conflict);
                    return l_False;
                } else {
                    next = p;
                    break;
                }
            }

            if (next == lit_Undef) {
                decisions++;
                next = pickBranchLit();
                if (next == lit_Undef) return l_True;  // every variable is assigned: a model
            }

            newDecisionLevel();
            uncheckedEnqueue(next);
        }
    }
}

lbool Solver::solve_() {
    model.clear();
    conflict.clear();
    if (!ok) return l_False;

    solves++;

    max_learnts = nClauses() * learntsize_factor;
    if (max_learnts < min_learnts_lim) max_learnts = min_learnts_lim;

    learntsize_adjust_confl = learntsize_adjust_start_confl;
    learntsize_adjust_cnt = int(learntsize_adjust_confl);
    lbool status = l_Undef;

    if (verbosity >= 1) {
        say("============================[ Search Statistics ]==============================\n");
        say("| Conflicts |          ORIGINAL         |          LEARNT          | Progress |\n");
        say("|           |    Vars  Clauses Literals |    Limit  Clauses Lit/Cl |          |\n");
        say("===============================================================================\n");
    }

    int curr_restarts = 0;
    while (status == l_Undef) {
        double rest_base = luby_restart ? luby(restart_inc, curr_restarts) : std::pow(restart_inc, curr_restarts);
        // A bound beyond int is as good as none of that size; clamp instead of overflowing.
        double bound = rest_base * restart_first;
        status = search(bound >= double(INT_MAX) ? INT_MAX : int(bound));
        if (!withinBudget()) break;
        curr_restarts++;
    }

    if (verbosity >= 1) say("===============================================================================\n");

    if (status == l_True) {
        model.growTo(nVars());
        for (int i = 0; i < nVars(); i++) model[i] = value(i);
    } else if (status == l_False && conflict.size() == 0) {
        ok = false;
    }

    if (!keep_trail) cancelUntil(0);
    return status;
}

}  // namespace Sat
