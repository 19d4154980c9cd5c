// Sat::Solver: an incremental CDCL SAT solver (two watched literals with blockers, first-UIP
// learning with minimisation, Luby restarts, activity-based learnt-clause reduction, arena
// garbage collection). Besides the usual interface it can add a blocking clause while it still
// holds the assignment of its last satisfiable search (add_blck_assert), so an enumeration
// continues from the retained decision levels instead of the root.
//
// Ownership: the solver owns its clause arena and every per-variable table. Clause references
// (CRef) are indices into this solver's arena and mean nothing to another solver.
#ifndef PRIMAL_SOLVER_SOLVER_H
#define PRIMAL_SOLVER_SOLVER_H

#include <cassert>
#include <cstdint>
#include <cstdio>

#include "containers/Alg.h"
#include "containers/Heap.h"
#include "containers/IntMap.h"
#include "containers/OccLists.h"
#include "containers/Vec.h"
#include "solver/SolverTypes.h"

namespace Sat {

class Solver {
public:
    Solver();
    virtual ~Solver();

    // Variables ------------------------------------------------------------------------------
    // Creates (or recycles) a variable. Throws OutOfMemoryException when no more variables can
    // be represented by literal codes.
    Var newVar(lbool upol = l_Undef, bool dvar = true);
    void releaseVar(Lit l);

    // Problem clauses, at decision level 0 only --------------------------------------------
    bool addClause_(vec<Lit>& ps);  // ps is sorted and compacted in place
    bool addClause(Lit p);

    // Blocking clause against the retained assignment (precondition: ok). l_True when the
    // clause is in force and the solver is fit for the next solve.
    lbool add_blck_assert(vec<Lit>& ps);

    // Solving --------------------------------------------------------------------------------
    bool simplify();
    lbool solve_();  // under `assumptions`, within the budgets
    bool implies(const vec<Lit>& assumps, vec<Lit>& out);

    // DIMACS export of the root-simplified problem plus assumptions as units.
    void toDimacs(FILE* f, const vec<Lit>& assumps);
    void toDimacs(const char* file, const vec<Lit>& assumps);  // std::runtime_error if it cannot be opened
    void toDimacs(FILE* f, Clause& c, vec<Var>& map, Var& max);

    // Queries --------------------------------------------------------------------------------
    lbool value(Var x) const { return assigns[x]; }
    lbool value(Lit p) const { return assigns[var(p)] ^ sign(p); }
    int nAssigns() const { return trail.size(); }
    int nClauses() const { return int(num_clauses); }
    int nLearnts() const { return int(num_learnts); }
    int nVars() const { return next_var; }
    int decisionLevel() const { return trail_lim.size(); }
    int level(Var x) const { return vardata[x].level; }
    CRef reason(Var x) const { return vardata[x].reason; }
    double progressEstimate() const;

    void setDecisionVar(Var v, bool b);
    // Forgets the saved phases: the next search starts from the initial polarity.
    void resetPhases() {
        for (Var v = 0; v < nVars(); v++) polarity[v] = 1;
    }

    // Largest number of variables: literal codes 2v+1 must fit in an int.
    static constexpr int max_vars = (1 << 30) - 1;

    // Nested types ---------------------------------------------------------------------------
    struct Watcher {
        CRef cref;
        Lit blocker;
        Watcher(CRef cr, Lit p) : cref(cr), blocker(p) {}
        bool operator==(const Watcher& w) const { return cref == w.cref; }
        bool operator!=(const Watcher& w) const { return cref != w.cref; }
    };

    struct WatcherDeleted {
        const ClauseAllocator& ca;
        explicit WatcherDeleted(const ClauseAllocator& _ca) : ca(_ca) {}
        bool operator()(const Watcher& w) const { return ca[w.cref].mark() == 1; }
    };

    struct VarOrderLt {
        const VMap<double>& activity;
        bool operator()(Var x, Var y) const { return activity[x] > activity[y]; }
        explicit VarOrderLt(const VMap<double>& act) : activity(act) {}
    };

    struct VarData {
        CRef reason;
        int level;
    };

    struct ShrinkStackElem {
        uint32_t i;
        Lit l;
        ShrinkStackElem(uint32_t _i, Lit _l) : i(_i), l(_l) {}
    };

    // State, public by design: the driver and the wrappers read and set these directly. -------
    bool keep_trail;
    vec<lbool> model;
    LSet conflict;

    int verbosity;
    double var_decay;
    double clause_decay;
    double random_var_freq;
    double random_seed;
    bool luby_restart;
    int ccmin_mode;
    int phase_saving;
    bool rnd_pol;
    bool rnd_init_act;
    double garbage_frac;
    int min_learnts_lim;
    int restart_first;
    double restart_inc;
    double learntsize_factor;
    double learntsize_inc;
    int learntsize_adjust_start_confl;
    double learntsize_adjust_inc;

    uint64_t solves, starts, decisions, rnd_decisions, propagations, conflicts;
    uint64_t dec_vars, num_clauses, num_learnts, clauses_literals, learnts_literals, max_literals,
        tot_literals;

    vec<CRef> clauses;
    vec<CRef> learnts;
    vec<Lit> trail;
    vec<int> trail_lim;
    vec<Lit> assumptions;
    VMap<double> activity;
    VMap<lbool> assigns;
    VMap<char> polarity;
    VMap<lbool> user_pol;
    VMap<char> decision;
    VMap<VarData> vardata;
    OccLists<Lit, vec<Watcher>, WatcherDeleted, MkIndexLit> watches;
    Heap<Var, VarOrderLt> order_heap;
    bool ok;
    double cla_inc;
    double var_inc;
    int qhead;
    int simpDB_assigns;
    int64_t simpDB_props;
    double progress_estimate;
    bool remove_satisfied;
    Var next_var;
    ClauseAllocator ca;
    vec<Var> released_vars;
    vec<Var> free_vars;
    VMap<char> seen;
    vec<ShrinkStackElem> analyze_stack;
    vec<Lit> analyze_toclear;
    vec<Lit> add_tmp;
    double max_learnts;
    int num_bin_learnts;  // learnts of two literals, which reduceDB never removes
    // Whether binary learnts are exempt from the learnt limit and from the ranking of reduceDB
    // (which never removes them). Off by default; see reduceDB.
    bool exempt_binary_learnts = false;
    // Learnts whose literals span at most this many decision levels (their LBD) are kept for
    // good: reduceDB never removes them and they do not count against the limit. 0: none.
    // For a solver that answers many related queries, where the limit restarts low on every
    // solve and would otherwise throw the same lemmas away each time. Off by default.
    int core_lbd = 0;
    int num_core_learnts = 0;  // kept learnts of more than two literals
    vec<uint32_t> lbd_stamp;   // per decision level, the last learnt that counted it
    uint32_t lbd_counter = 0;
    int roots_above;      // root facts on the trail above the root segment (out of order)
    vec<Lit> root_tmp;
    double learntsize_adjust_confl;
    int learntsize_adjust_cnt;
    int64_t conflict_budget;
    int64_t propagation_budget;
    bool asynch_interrupt;
    // Asked every 1024 conflicts when set (a library caller's interruption check); true ends
    // the search as asynch_interrupt does (which stays set), with `polled_stop` set. Unset: one
    // test per conflict.
    bool (*poll)(void*) = nullptr;
    void* poll_arg = nullptr;
    bool polled_stop = false;
    // Where the solver's rare notice lines go (null: nowhere). The solver never writes output
    // itself: the run hands it the command line's standard output, or nothing.
    void (*notice)(const char* line) = nullptr;
    // A notice line (printf format; a final newline is the line's end), when verbosity asks.
    void say(const char* fmt, ...) const __attribute__((format(printf, 2, 3)));

    // Internals, public so that tests can drive them step by step. -------------------------
    void insertVarOrder(Var x);
    Lit pickBranchLit();
    void newDecisionLevel() { trail_lim.push(trail.size()); }
    void uncheckedEnqueue(Lit p, CRef from = CRef_Undef);
    CRef propagate();
    void cancelUntil(int level);
    void analyze(CRef confl, vec<Lit>& out_learnt, int& out_btlevel);
    void analyzeFinal(Lit p, LSet& out_conflict);
    bool litRedundant(Lit p);
    lbool search(int nof_conflicts);
    void reduceDB();
    int lbd(const vec<Lit>& lits);
    void removeSatisfied(vec<CRef>& cs);
    void rebuildOrderHeap();

    void varDecayActivity() { var_inc *= (1 / var_decay); }
    void varBumpActivity(Var v, double inc);
    void varBumpActivity(Var v) { varBumpActivity(v, var_inc); }
    void claDecayActivity() { cla_inc *= (1 / clause_decay); }
    void claBumpActivity(Clause c);

    void attachClause(CRef cr);
    void detachClause(CRef cr, bool strict = false);
    void removeClause(CRef cr);
    // Whether c is the reason of its first literal's current assignment.
    bool locked(const Clause& c) const {
        CRef r = reason(var(c[0]));
        return value(c[0]) == l_True && r != CRef_Undef && ca[r].lits() == c.lits();
    }
    bool satisfied(const Clause& c) const;

    virtual void garbageCollect();
    void checkGarbage(double gf);
    void checkGarbage() { checkGarbage(garbage_frac); }
    void relocAll(ClauseAllocator& to);

    static double drand(double& seed) {
        seed *= 1389796;
        int q = int(seed / 2147483647);
        seed -= double(q) * 2147483647;
        return seed / 2147483647;
    }
    static int irand(double& seed, int size) { return int(drand(seed) * size); }

    bool withinBudget() const {
        return !asynch_interrupt && (conflict_budget < 0 || conflicts < uint64_t(conflict_budget)) &&
               (propagation_budget < 0 || propagations < uint64_t(propagation_budget));
    }

private:
    Solver(const Solver&) = delete;
    Solver& operator=(const Solver&) = delete;
    Var mapVar(Var x, vec<Var>& map, Var& max);
};

// Luby sequence value y^seq for index x (0-based).
double luby(double y, int x);

}  // namespace Sat

#endif
