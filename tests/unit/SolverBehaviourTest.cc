// Observable solver behaviour beyond right answers: restart and learnt-limit schedules, the kept
// trail, when `ok` falls, determinism, and every case of adding a blocking clause against the
// assignment of the last search.
#include <gtest/gtest.h>

#include <functional>
#include <algorithm>
#include <random>
#include <set>

#include "solver/Solver.h"
#include "support/Oracle.h"

using namespace Sat;

std::string captureStdout(const std::function<void()>& f);  // in ReaderTest.cc

namespace {

Lit lit(int d) { return mkLit(std::abs(d) - 1, d < 0); }

void add(Solver& s, std::initializer_list<int> c) {
    vec<Lit> ps;
    for (int d : c) ps.push(lit(d));
    s.addClause_(ps);
}

// A solver over n variables whose decisions all set their variable true, keeping the trail, as
// the enumeration's solver does. Blocking clauses are then made of negative literals.
void makeEnumerating(Solver& s, int n) {
    for (int v = 0; v < n; v++) s.newVar();
    for (int v = 0; v < n; v++) s.user_pol[v] = l_False;
    s.keep_trail = true;
}

// The variable (0-based) assigned at decision level `lv`, which must hold exactly one.
Var varAtLevel(const Solver& s, int lv) {
    Var found = var_Undef;
    for (Var v = 0; v < s.nVars(); v++)
        if (s.value(v) != l_Undef && s.level(v) == lv) {
            EXPECT_EQ(found, var_Undef) << "two variables at level " << lv;
            found = v;
        }
    return found;
}

bool watchedBy(Solver& s, Lit p, CRef cr) {
    const vec<Solver::Watcher>& ws = s.watches.lookup(~p);
    for (int i = 0; i < ws.size(); i++)
        if (ws[i].cref == cr) return true;
    return false;
}

// Pigeons into holes, one fewer hole than pigeons: unsatisfiable and hard enough for many
// conflicts.
void addPigeonhole(Solver& s, int holes) {
    int pigeons = holes + 1;
    auto x = [&](int p, int h) { return p * holes + h + 1; };
    while (s.nVars() < pigeons * holes) s.newVar();
    for (int p = 0; p < pigeons; p++) {
        vec<Lit> ps;
        for (int h = 0; h < holes; h++) ps.push(lit(x(p, h)));
        s.addClause_(ps);
    }
    for (int h = 0; h < holes; h++)
        for (int p = 0; p < pigeons; p++)
            for (int q = p + 1; q < pigeons; q++) add(s, {-x(p, h), -x(q, h)});
}

}  // namespace

TEST(SolverSchedule, LubySequence) {
    const double want[] = {1, 1, 2, 1, 1, 2, 4, 1, 1, 2, 1, 1, 2, 4, 8, 1};
    for (int i = 0; i < 16; i++) EXPECT_EQ(luby(2, i), want[i]) << i;
    EXPECT_EQ(luby(3, 6), 9);
    EXPECT_EQ(luby(2, 30), 16);

}

TEST(SolverSchedule, LearntLimitGrowsAfterTheSpecifiedConflictCounts) {
    Solver s;
    addPigeonhole(s, 7);
    const int m = s.nClauses();
    s.conflict_budget = 2000;
    ASSERT_EQ(s.solve_(), l_Undef);
    ASSERT_GE(s.conflicts, 2000u);
    // Countdowns of 100, 150, 225, 337, ... from the unrounded interval.
    double limit = m * s.learntsize_factor, interval = 100;
    uint64_t left = s.conflicts;
    int cnt = 100;
    while (left >= uint64_t(cnt)) {
        left -= uint64_t(cnt);
        interval *= 1.5, cnt = int(interval), limit *= 1.1;
    }
    EXPECT_EQ(s.max_learnts, limit);
    EXPECT_DOUBLE_EQ(s.learntsize_adjust_confl, interval);
    EXPECT_EQ(s.learntsize_adjust_cnt, cnt - int(left));
    EXPECT_TRUE(s.ok);  // a spent budget says nothing about satisfiability
    EXPECT_EQ(s.decisionLevel(), 0);
    EXPECT_EQ(s.model.size(), 0);

    Solver floor;
    floor.min_learnts_lim = 5000;
    addPigeonhole(floor, 3);
    floor.solve_();
    EXPECT_GE(floor.max_learnts, 5000);
}

// reduceDB keeps every binary learnt. By default it ranks the whole list, binaries last, and
// removes the longer learnts among the first half; with binaries exempt it ranks only the
// longer ones and removes the less active half of them (locked ones excepted in both).
TEST(SolverSchedule, ReductionRanksOnlyTheLongerLearnts) {
    std::mt19937 rng(3);
    for (int round = 0; round < 100; round++) {
        const bool exempt = round % 2 == 1;
        Solver s;
        s.exempt_binary_learnts = exempt;
        s.garbage_frac = 1e9;  // no compaction: the test follows clause references
        while (s.nVars() < 12) s.newVar();
        int n = 1 + int(rng() % 40);
        std::vector<int> rank(size_t(n), 0);
        for (int i = 0; i < n; i++) rank[size_t(i)] = i;
        std::shuffle(rank.begin(), rank.end(), rng);
        std::vector<std::pair<float, CRef>> longer;
        int binaries = 0;
        for (int i = 0; i < n; i++) {
            vec<Lit> ps;
            int size = 2 + int(rng() % 4);
            for (int k = 0; k < size; k++) ps.push(mkLit(k * 2 + int(rng() % 2), rng() % 2));
            CRef cr = s.ca.alloc(ps, true);
            s.ca[cr].setActivity(float(rank[size_t(i)]) + 0.5f);
            s.learnts.push(cr);
            s.attachClause(cr);
            if (size == 2)
                binaries++;
            else
                longer.push_back({s.ca[cr].activity(), cr});
        }
        s.num_bin_learnts = 0;
        s.cla_inc = 0;  // no clause falls below the extra activity limit
        s.reduceDB();
        std::sort(longer.begin(), longer.end());
        std::set<CRef> kept(s.learnts.begin(), s.learnts.begin() + s.learnts.size());
        // The number of longer learnts removed: half of them, or those in the first half of all.
        const size_t removed = exempt ? longer.size() / 2 : std::min(longer.size(), size_t(n) / 2);
        EXPECT_EQ(kept.size(), size_t(binaries) + longer.size() - removed);
        EXPECT_EQ(s.num_bin_learnts, binaries);
        for (size_t i = 0; i < longer.size(); i++)
            EXPECT_EQ(kept.count(longer[i].second), i < removed ? 0u : 1u) << round;
        int bin_kept = 0;
        for (CRef cr : kept) bin_kept += s.ca[cr].size() == 2;
        EXPECT_EQ(bin_kept, binaries);
        EXPECT_EQ(int(s.nLearnts()), int(kept.size()));
    }

    // The count of binary learnts stays right through learning, reduction and simplification.
    Solver b;
    b.exempt_binary_learnts = true;
    addPigeonhole(b, 5);
    b.learntsize_factor = 0;
    ASSERT_EQ(b.solve_(), l_False);
    int counted = 0;
    for (int i = 0; i < b.learnts.size(); i++) counted += b.ca[b.learnts[i]].size() == 2;
    EXPECT_EQ(counted, b.num_bin_learnts);
}

// Learnts of small LBD (core_lbd) survive every reduction, do not count against the limit,
// and their count stays right through learning, reduction and simplification.
TEST(SolverSchedule, CoreLearntsAreKeptAndCounted) {
    Solver t;
    for (int v = 0; v < 4; v++) t.newVar();
    for (int v = 0; v < 3; v++) t.newDecisionLevel(), t.uncheckedEnqueue(mkLit(v));
    t.uncheckedEnqueue(mkLit(3));  // level 3, like variable 2
    vec<Lit> lits;
    for (int v : {0, 2, 3}) lits.push(mkLit(v, true));
    EXPECT_EQ(t.lbd(lits), 2);
    lits.push(mkLit(1, true));
    EXPECT_EQ(t.lbd(lits), 3);

    for (int core : {0, 3}) {
        Solver s;
        s.core_lbd = core;
        s.exempt_binary_learnts = true;
        s.learntsize_factor = 0;  // a reduction before every decision
        addPigeonhole(s, 6);
        s.conflict_budget = 3000;
        s.solve_();
        std::set<CRef> cores;
        for (int i = 0; i < s.learnts.size(); i++)
            if (s.ca[s.learnts[i]].mark() == ClauseHeader::CoreMark && s.ca[s.learnts[i]].size() > 2)
                cores.insert(s.learnts[i]);
        EXPECT_EQ(int(cores.size()), s.num_core_learnts);
        EXPECT_EQ(cores.empty(), core == 0);
        s.garbage_frac = 1e9;  // no compaction: the references below stay valid
        s.cla_inc = 1e30;      // every ranked learnt falls below the extra activity limit
        s.reduceDB();
        std::set<CRef> kept(s.learnts.begin(), s.learnts.begin() + s.learnts.size());
        for (CRef cr : cores) EXPECT_EQ(kept.count(cr), 1u);
        EXPECT_EQ(s.learnts.size(), s.num_bin_learnts + s.num_core_learnts + (s.decisionLevel() > 0));
    }
}

TEST(SolverState, KeptTrailOkAndDeterminism) {
    // Kept trail: every variable still assigned, at the level of its decision or propagation.
    Solver kept, plain;
    for (Solver* s : {&kept, &plain}) {
        for (int v = 0; v < 6; v++) s->newVar();
        add(*s, {1, 2}), add(*s, {-3, 4}), add(*s, {5, -6, 1});
    }
    kept.keep_trail = true;
    ASSERT_EQ(kept.solve_(), l_True);
    ASSERT_EQ(plain.solve_(), l_True);
    EXPECT_EQ(kept.nAssigns(), 6);
    EXPECT_GT(kept.decisionLevel(), 0);
    for (Var v = 0; v < 6; v++) EXPECT_EQ(kept.value(v), kept.model[v]);
    EXPECT_EQ(plain.decisionLevel(), 0);
    EXPECT_EQ(plain.nAssigns(), 0);
    EXPECT_EQ(plain.model.size(), 6);

    // ok falls for a formula unsatisfiable by itself, not for failed assumptions.
    Solver s;
    for (int v = 0; v < 3; v++) s.newVar();
    add(s, {1, 2}), add(s, {-1, 2});
    s.assumptions.push(lit(-2));
    EXPECT_EQ(s.solve_(), l_False);
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.conflict.size(), 1);
    s.assumptions.clear();
    EXPECT_EQ(s.solve_(), l_True);
    add(s, {-2, 3}), add(s, {-2, -3}), add(s, {2});
    EXPECT_FALSE(s.ok);  // the root propagation of the new unit conflicts at once
    uint64_t solves = s.solves;
    EXPECT_EQ(s.solve_(), l_False);
    EXPECT_EQ(s.solves, solves);  // answered without a search
    EXPECT_EQ(s.conflict.size(), 0);
    Solver e;
    vec<Lit> empty;
    EXPECT_FALSE(e.addClause_(empty));
    EXPECT_FALSE(e.ok);

    // Determinism: the same clauses and options give the same search and the same model.
    std::mt19937 rng(9);
    for (int round = 0; round < 20; round++) {
        testutil::Cnf f = testutil::randomCnf(rng, 60, 250, 3);
        Solver a, b;
        for (Solver* x : {&a, &b}) {
            while (x->nVars() < 60) x->newVar();
            x->random_var_freq = 0.1;  // random draws too must repeat
            for (const auto& c : f) {
                vec<Lit> ps;
                for (int d : c) ps.push(lit(d));
                x->addClause_(ps);
            }
        }
        ASSERT_EQ(a.solve_(), b.solve_());
        EXPECT_EQ(a.decisions, b.decisions);
        EXPECT_EQ(a.conflicts, b.conflicts);
        EXPECT_EQ(a.propagations, b.propagations);
        for (int v = 0; v < a.model.size(); v++) ASSERT_EQ(a.model[v], b.model[v]);
    }
}

TEST(BlockingClause, HighestLevelLiteralLeadsAndOnlyItsLevelIsUndone) {
    Solver s;
    makeEnumerating(s, 6);
    ASSERT_EQ(s.solve_(), l_True);
    ASSERT_EQ(s.decisionLevel(), 6);
    Var l2 = varAtLevel(s, 2), l5 = varAtLevel(s, 5), l3 = varAtLevel(s, 3);
    vec<Lit> ps;
    ps.push(~mkLit(l2)), ps.push(~mkLit(l5)), ps.push(~mkLit(l3));  // false under the model
    int clauses = s.nClauses(), props = int(s.propagations);
    EXPECT_EQ(s.add_blck_assert(ps), l_True);
    EXPECT_EQ(ps[0], ~mkLit(l5));
    EXPECT_EQ(ps[1], ~mkLit(l2));
    EXPECT_EQ(ps[2], ~mkLit(l3));
    EXPECT_EQ(s.decisionLevel(), 4);
    EXPECT_EQ(s.nAssigns(), 4);  // nothing assigned or propagated on top
    EXPECT_EQ(s.value(l5), l_Undef);
    EXPECT_EQ(s.qhead, s.nAssigns());
    EXPECT_EQ(int(s.propagations), props);
    ASSERT_EQ(s.nClauses(), clauses + 1);
    CRef cr = s.clauses.last();
    EXPECT_TRUE(watchedBy(s, ~mkLit(l5), cr));
    EXPECT_TRUE(watchedBy(s, ~mkLit(l2), cr));
    EXPECT_FALSE(watchedBy(s, ~mkLit(l3), cr));
    EXPECT_FALSE(s.ca[cr].learnt());

    // The next search continues on the kept levels and satisfies the clause.
    ASSERT_EQ(s.solve_(), l_True);
    EXPECT_EQ(s.model[l5], l_False);
    EXPECT_EQ(s.model[l2], l_True);
}

TEST(BlockingClause, TiesGoToTheEarliestLiteral) {
    Solver s;
    makeEnumerating(s, 3);
    add(s, {-2, 3}), add(s, {-3, 2});  // whichever of 2 and 3 is decided implies the other
    ASSERT_EQ(s.solve_(), l_True);
    Var d = var(lit(2)), p = var(lit(3));
    if (s.reason(p) == CRef_Undef) std::swap(d, p);
    ASSERT_EQ(s.level(d), s.level(p));
    ASSERT_NE(s.reason(p), CRef_Undef);
    int lv = s.level(p);
    vec<Lit> ps;
    ps.push(~mkLit(p)), ps.push(~mkLit(d));
    if (lv > 1) ps.push(~mkLit(varAtLevel(s, 1)));
    EXPECT_EQ(s.add_blck_assert(ps), l_True);
    EXPECT_EQ(ps[0], ~mkLit(p));
    EXPECT_EQ(s.decisionLevel(), lv - 1);
    EXPECT_EQ(s.value(p), l_Undef);
    EXPECT_EQ(s.value(d), l_Undef);
}

TEST(BlockingClause, AllLiteralsAtTheRootChangeNothing) {
    Solver s;
    makeEnumerating(s, 3);
    add(s, {1});
    ASSERT_EQ(s.solve_(), l_True);
    Var fresh = s.newVar();  // never assigned: level 0
    vec<Lit> ps;
    ps.push(lit(-1)), ps.push(mkLit(fresh));
    int trail = s.nAssigns(), level = s.decisionLevel(), clauses = s.nClauses();
    EXPECT_EQ(s.add_blck_assert(ps), l_False);
    EXPECT_EQ(s.nAssigns(), trail);
    EXPECT_EQ(s.decisionLevel(), level);
    EXPECT_EQ(s.nClauses(), clauses);
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(ps[0], lit(-1));
}

// A one-literal clause undoes only the levels from its variable's own, becomes a root fact on
// top of the kept ones, and stays fixed when the search later backtracks below them.
TEST(BlockingClause, OneLiteralIsFixedAtTheRoot) {
    Solver s;
    makeEnumerating(s, 5);
    ASSERT_EQ(s.solve_(), l_True);
    Var v = varAtLevel(s, 3);
    Var low = varAtLevel(s, 1);
    vec<Lit> ps;
    ps.push(~mkLit(v));
    EXPECT_EQ(s.add_blck_assert(ps), l_True);
    EXPECT_EQ(s.decisionLevel(), 2);
    EXPECT_EQ(s.nAssigns(), 3);
    EXPECT_EQ(s.value(v), l_False);
    EXPECT_EQ(s.level(v), 0);
    EXPECT_EQ(s.reason(v), CRef_Undef);
    s.cancelUntil(1);
    EXPECT_EQ(s.value(v), l_False);
    EXPECT_EQ(s.value(low), l_True);
    EXPECT_EQ(s.nAssigns(), 2);
    s.cancelUntil(0);
    EXPECT_EQ(s.nAssigns(), 1);
    EXPECT_EQ(s.value(v), l_False);
    EXPECT_EQ(s.qhead, 0);  // queued again: what it implied above the root is gone
    ASSERT_EQ(s.solve_(), l_True);
    EXPECT_EQ(s.model[v], l_False);

    // A variable fixed at the root, in either polarity: only the message.
    for (Lit q : {mkLit(v), ~mkLit(v)}) {
        vec<Lit> one;
        one.push(q);
        int trail = s.nAssigns();
        lbool r = l_True;
        EXPECT_EQ(captureStdout([&] { r = s.add_blck_assert(one); }), "Variable already assigned!!!\n");
        EXPECT_EQ(r, l_False);
        EXPECT_EQ(s.nAssigns(), trail);
        EXPECT_TRUE(s.ok);
    }

    // Propagating the new root fact conflicts: the solver is unsatisfiable from then on.
    Solver c;
    makeEnumerating(c, 3);
    add(c, {1, 2}), add(c, {1, -2});  // true decisions never meet a conflict here
    ASSERT_EQ(c.solve_(), l_True);
    ASSERT_GT(c.level(var(lit(1))), 0);
    vec<Lit> one;
    one.push(lit(-1));
    EXPECT_EQ(c.add_blck_assert(one), l_False);
    EXPECT_FALSE(c.ok);
    uint64_t solves = c.solves;
    EXPECT_EQ(c.solve_(), l_False);
    EXPECT_EQ(c.solves, solves);
}

TEST(BlockingClause, EmptyClauseAndRootSolverWithRecordedLevels) {
    Solver s;
    for (int v = 0; v < 4; v++) s.newVar(l_False);
    ASSERT_EQ(s.solve_(), l_True);  // no kept trail: back at the root, levels still recorded
    ASSERT_EQ(s.decisionLevel(), 0);
    Var l1 = var(lit(1)), l3 = var(lit(3));
    ASSERT_LT(s.level(l1), s.level(l3));
    vec<Lit> ps;
    ps.push(mkLit(l1)), ps.push(mkLit(l3));
    EXPECT_EQ(s.add_blck_assert(ps), l_True);
    EXPECT_EQ(ps[0], mkLit(l3));
    EXPECT_EQ(s.nAssigns(), 0);  // attached, not propagated
    EXPECT_EQ(s.nClauses(), 1);

    vec<Lit> empty;
    EXPECT_EQ(s.add_blck_assert(empty), l_False);
    EXPECT_FALSE(s.ok);
    // Stored all the same on a solver that is already unsatisfiable.
    EXPECT_EQ(s.add_blck_assert(ps), l_False);
    EXPECT_EQ(s.nClauses(), 2);
}
