// Solver construction, variables and the attached clause database. Detaching is lazy by
// default: a removal only marks the two watch lists dirty, and they are compacted when next
// looked up, so removing a clause never searches its watch lists.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "solver/Solver.h"
#include "solver/SolverOptions.h"

namespace Sat {

static_assert(sizeof(Solver::Watcher) == 8, "a watcher is two words");
static_assert(sizeof(Solver::VarData) == 8, "reason and level fill two words");

Solver::Solver()
    : keep_trail(false),
      verbosity(0),
      var_decay(opt_var_decay),
      clause_decay(opt_clause_decay),
      random_var_freq(opt_random_var_freq),
      random_seed(opt_random_seed),
      luby_restart(opt_luby_restart),
      ccmin_mode(opt_ccmin_mode),
      phase_saving(opt_phase_saving),
      rnd_pol(false),
      rnd_init_act(opt_rnd_init_act),
      garbage_frac(opt_garbage_frac),
      min_learnts_lim(opt_min_learnts_lim),
      restart_first(opt_restart_first),
      restart_inc(opt_restart_inc),
      learntsize_factor(1.0 / 3.0),
      learntsize_inc(1.1),
      learntsize_adjust_start_confl(100),
      learntsize_adjust_inc(1.5),
      solves(0), starts(0), decisions(0), rnd_decisions(0), propagations(0), conflicts(0),
      dec_vars(0), num_clauses(0), num_learnts(0), clauses_literals(0), learnts_literals(0),
      max_literals(0), tot_literals(0),
      watches(WatcherDeleted(ca)),
      order_heap(VarOrderLt(activity)),
      ok(true),
      cla_inc(1),
      var_inc(1),
      qhead(0),
      simpDB_assigns(-1),
      simpDB_props(0),
      progress_estimate(0),
      remove_satisfied(true),
      next_var(0),
      ca(1048576),
      max_learnts(0),
      num_bin_learnts(0),
      roots_above(0),
      learntsize_adjust_confl(0),
      learntsize_adjust_cnt(0),
      conflict_budget(-1),
      propagation_budget(-1),
      asynch_interrupt(false) {}

Solver::~Solver() {}

Var Solver::newVar(lbool upol, bool dvar) {
    Var v;
    if (free_vars.size() > 0) {
        v = free_vars.last();
        free_vars.pop();
    } else {
        if (next_var >= max_vars) throw OutOfMemoryException();
        v = next_var++;
    }

    watches.init(mkLit(v, false));
    watches.init(mkLit(v, true));
    assigns.insert(v, l_Undef);
    vardata.insert(v, VarData{CRef_Undef, 0});
    activity.insert(v, rnd_init_act ? drand(random_seed) * 0.00001 : 0);
    seen.insert(v, 0);
    polarity.insert(v, 1);
    user_pol.insert(v, upol);
    decision.reserve(v);
    trail.capacity(v + 1);
    setDecisionVar(v, dvar);
    return v;
}

void Solver::setDecisionVar(Var v, bool b) {
    if (b && !decision[v])
        dec_vars++;
    else if (!b && decision[v])
        dec_vars--;
    decision[v] = b;
    insertVarOrder(v);
}

void Solver::insertVarOrder(Var x) {
    if (!order_heap.inHeap(x) && decision[x]) order_heap.insert(x);
}

void Solver::attachClause(CRef cr) {
    const Clause c = ca[cr];
    assert(c.size() > 1);  // units go on the trail, never into the watch lists
    watches[~c[0]].push(Watcher(cr, c[1]));
    watches[~c[1]].push(Watcher(cr, c[0]));
    if (c.learnt()) {
        num_learnts++;
        learnts_literals += c.size();
    } else {
        num_clauses++;
        clauses_literals += c.size();
    }
}

void Solver::detachClause(CRef cr, bool strict) {
    const Clause c = ca[cr];
    if (strict) {
        remove(watches[~c[0]], Watcher(cr, c[1]));
        remove(watches[~c[1]], Watcher(cr, c[0]));
    } else {
        watches.smudge(~c[0]);
        watches.smudge(~c[1]);
    }
    if (c.learnt()) {
        num_learnts--;
        learnts_literals -= c.size();
    } else {
        num_clauses--;
        clauses_literals -= c.size();
    }
}

void Solver::removeClause(CRef cr) {
    Clause c = ca[cr];
    detachClause(cr);
    if (locked(c)) vardata[var(c[0])].reason = CRef_Undef;
    c.mark(1);
    ca.free(cr);
}

bool Solver::satisfied(const Clause& c) const {
    for (int i = 0; i < c.size(); i++)
        if (value(c[i]) == l_True) return true;
    return false;
}

void Solver::say(const char* fmt, ...) const {
    if (notice == nullptr) return;
    char line[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(line, sizeof line, fmt, args);
    va_end(args);
    const size_t n = std::strlen(line);
    if (n > 0 && line[n - 1] == '\n') line[n - 1] = '\0';
    notice(line);
}

}  // namespace Sat
