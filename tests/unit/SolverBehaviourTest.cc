// Observable solver behaviour beyond right answers: restart and learnt-limit schedules, which
// learnts a reduction removes, determinism, clauses after the empty one. Blocking clauses are
// checked with the enumeration in SolverCoreTest.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <set>

#include "support/SolverUtil.h"

using namespace Sat;

namespace {

// Pigeons into holes, one fewer hole than pigeons: unsatisfiable and hard enough for many
// conflicts.
void addPigeonhole(Solver& s, int holes) {
    auto x = [&](int p, int h) { return p * holes + h + 1; };
    testutil::Cnf f(size_t(holes) + 1);  // each pigeon somewhere, then no two in a hole
    for (int h = 0; h < holes; h++)
        for (int p = 0; p <= holes; p++) {
            f[size_t(p)].push_back(x(p, h));
            for (int q = p + 1; q <= holes; q++) f.push_back({-x(p, h), -x(q, h)});
        }
    testutil::addCnf(s, (holes + 1) * holes, f);
}

}  // namespace

TEST(SolverSchedule, LubySequence) {
    const double want[] = {1, 1, 2, 1, 1, 2, 4, 1, 1, 2, 1, 1, 2, 4, 8, 1};
    for (int i = 0; i < 16; i++) EXPECT_EQ(luby(2, i), want[i]) << i;
    EXPECT_TRUE(luby(3, 6) == 9 && luby(2, 30) == 16);
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
    EXPECT_TRUE(s.ok && s.decisionLevel() == 0 && s.model.size() == 0);  // a spent budget proves nothing

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
        std::iota(rank.begin(), rank.end(), 0);
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
            if (size == 2) binaries++;
            else longer.push_back({s.ca[cr].activity(), cr});
        }
        s.num_bin_learnts = 0;
        s.cla_inc = 0;  // no clause falls below the extra activity limit
        s.reduceDB();
        std::sort(longer.begin(), longer.end());
        std::set<CRef> kept(s.learnts.begin(), s.learnts.begin() + s.learnts.size());
        // The number of longer learnts removed: half of them, or those in the first half of all.
        const size_t removed = exempt ? longer.size() / 2 : std::min(longer.size(), size_t(n) / 2);
        EXPECT_EQ(kept.size(), size_t(binaries) + longer.size() - removed);  // every binary kept
        EXPECT_TRUE(s.num_bin_learnts == binaries && int(s.nLearnts()) == int(kept.size()));
        for (size_t i = 0; i < longer.size(); i++)
            EXPECT_EQ(kept.count(longer[i].second), i < removed ? 0u : 1u) << round;
    }
}

// Learnts of small LBD (core_lbd) survive every reduction and do not count against the limit;
// their count and that of the binary learnts stay right through learning, reduction and
// simplification (a run to the end, with root units).
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
        addPigeonhole(s, 5);
        ASSERT_EQ(s.solve_(), l_False);
        std::set<CRef> cores;
        int binaries = 0;
        for (int i = 0; i < s.learnts.size(); i++) {
            const Clause& c = s.ca[s.learnts[i]];
            binaries += c.size() == 2;
            if (c.mark() == ClauseHeader::CoreMark && c.size() > 2) cores.insert(s.learnts[i]);
        }
        EXPECT_TRUE(int(cores.size()) == s.num_core_learnts && binaries == s.num_bin_learnts);
        EXPECT_EQ(cores.empty(), core == 0);
        s.garbage_frac = 1e9;  // no compaction: the references below stay valid
        s.cla_inc = 1e30;      // every ranked learnt falls below the extra activity limit
        s.reduceDB();
        std::set<CRef> kept(s.learnts.begin(), s.learnts.begin() + s.learnts.size());
        for (CRef cr : cores) EXPECT_EQ(kept.count(cr), 1u);
        EXPECT_EQ(s.learnts.size(), s.num_bin_learnts + s.num_core_learnts + (s.decisionLevel() > 0));
    }
}

// The same clauses and options give the same search and the same model.
TEST(SolverState, Determinism) {
    std::mt19937 rng(9);
    for (int round = 0; round < 20; round++) {
        testutil::Cnf f = testutil::randomCnf(rng, 60, 250, 3);
        Solver a, b;
        for (Solver* x : {&a, &b}) {
            x->random_var_freq = 0.1;  // random draws too must repeat
            testutil::addCnf(*x, 60, f);
        }
        ASSERT_EQ(a.solve_(), b.solve_());
        EXPECT_TRUE(a.decisions == b.decisions && a.conflicts == b.conflicts && a.propagations == b.propagations);
        for (int v = 0; v < a.model.size(); v++) ASSERT_EQ(a.model[v], b.model[v]);
    }
}

// After the empty clause the solver stays unsatisfiable: a later clause is refused but stored.
TEST(BlockingClause, ClausesAfterTheEmptyOne) {
    Solver s;
    for (int v = 0; v < 4; v++) s.newVar(l_False);
    ASSERT_EQ(s.solve_(), l_True);
    vec<Lit> ps, empty;
    ps.push(mkLit(0)), ps.push(mkLit(2));
    EXPECT_EQ(s.add_blck_assert(empty), l_False);
    EXPECT_EQ(s.add_blck_assert(ps), l_False);
    EXPECT_TRUE(!s.ok && s.nClauses() == 1);
}
