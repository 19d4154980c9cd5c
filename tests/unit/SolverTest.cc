// The solver against brute force: answers, models, assumption conflicts, incremental use,
// garbage collection under pressure, implied literals against reference unit propagation, and
// enumeration by blocking clauses against the kept trail (where each block leaves the solver).
// Then observable behaviour beyond right answers: restart and learnt-limit schedules, which
// learnts a reduction removes, determinism, clauses after the empty one.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <set>

#include "support/Process.h"
#include "support/SolverUtil.h"

using namespace Sat;
using namespace testutil;

namespace {

// f with the units of the given DIMACS literals.
Cnf withUnits(Cnf f, const std::vector<int>& units) {
    for (int l : units) f.push_back({l});
    return f;
}

int dimacsOf(Lit p) { return (var(p) + 1) * (sign(p) ? -1 : 1); }

// Pigeons into holes, one fewer hole than pigeons: unsatisfiable and hard enough for many
// conflicts.
void addPigeonhole(Solver& s, int holes) { addCnf(s, (holes + 1) * holes, pigeonhole(holes)); }

}  // namespace

TEST(SolverCore, AnswersAndAssumptionConflictsMatchBruteForce) {
    std::mt19937 rng(7);
    for (int round = 0; round < 1500; round++) {
        // Every 40th round: larger 3-CNF near the threshold with compaction after almost every
        // reduction, so that clause references move under the search.
        const bool gc = round % 40 == 0;
        int n = gc ? 18 : 1 + int(rng() % 12);
        Cnf f = randomCnf(rng, n, gc ? int(4.3 * n) : int(rng() % (5 * n)), gc ? 3 : 1 + int(rng() % 4), round % 10 == 1);
        if (gc)
            for (auto& c : f) c.resize(3, c[0]);
        Solver s;
        if (gc) s.garbage_frac = 0.01, s.restart_first = 2;
        addCnf(s, n, f);
        // Several solves on one solver with changing assumptions, then with more clauses.
        for (int k = 0; k < (gc ? 1 : 4); k++) {
            std::vector<int> assumed;
            s.assumptions.clear();
            for (int i = int(rng() % 4); i > 0; i--) {
                assumed.push_back((rng() % 2 ? 1 : -1) * (1 + int(rng() % n)));
                s.assumptions.push(lit(assumed.back()));
            }
            lbool r = s.solve_();
            ASSERT_EQ(r == l_True, isSatisfiable(withUnits(f, assumed), n)) << "round " << round << "\n" << toDimacs(f, n);
            if (r == l_True) {
                ASSERT_TRUE(satisfies(withUnits(f, assumed), modelBits(s, n)));
            } else if (s.conflict.size() > 0) {
                // The conflict is a clause over negated assumptions implied by the formula.
                EXPECT_TRUE(s.ok);
                std::vector<int> negated_conflict;
                for (int i = 0; i < s.conflict.size(); i++) {
                    int d = dimacsOf(s.conflict[i]);
                    EXPECT_NE(std::find(assumed.begin(), assumed.end(), -d), assumed.end());
                    negated_conflict.push_back(-d);
                }
                EXPECT_FALSE(isSatisfiable(withUnits(f, negated_conflict), n));
            } else {
                EXPECT_FALSE(s.ok);
                EXPECT_FALSE(isSatisfiable(f, n));
            }
            Cnf extra = randomCnf(rng, n, 1, 3);
            f.insert(f.end(), extra.begin(), extra.end());
            addCnf(s, n, extra);
        }
    }
}

TEST(SolverCore, ImpliesMatchesReferenceUnitPropagation) {
    std::mt19937 rng(3);
    for (int round = 0; round < 500; round++) {
        int n = 2 + int(rng() % 10);
        Cnf f = randomCnf(rng, n, int(rng() % (3 * n)), 3);
        Solver s;
        addCnf(s, n, f);
        if (!s.ok) continue;
        vec<Lit> assumps;
        std::vector<int> val(size_t(n) + 1, 0);  // reference: 1 true, -1 false
        for (int v = 0; v < n; v++)
            if (s.value(v) != l_Undef) val[size_t(v) + 1] = s.value(v) == l_True ? 1 : -1;
        std::vector<int> root = val;
        bool ref_ok = true;
        for (int i = int(rng() % 3); i >= 0; i--) {
            int l = (rng() % 2 ? 1 : -1) * (1 + int(rng() % n));
            assumps.push(lit(l));
            int& x = val[size_t(std::abs(l))];
            if (x == -(l > 0 ? 1 : -1)) ref_ok = false;
            x = l > 0 ? 1 : -1;
        }
        for (bool changed = ref_ok; changed && ref_ok;) {
            changed = false;
            for (const auto& c : f) {
                int unassigned = 0, last = 0;
                bool sat = false;
                for (int l : c) {
                    int x = val[size_t(std::abs(l))] * (l > 0 ? 1 : -1);
                    if (x > 0) sat = true;
                    if (x == 0 && l != last) unassigned++, last = l;  // repeats count once
                }
                if (sat) continue;
                if (unassigned == 0) ref_ok = false;
                if (unassigned == 1) val[size_t(std::abs(last))] = last > 0 ? 1 : -1, changed = true;
            }
        }
        vec<Lit> out;
        bool got = s.implies(assumps, out);
        ASSERT_EQ(got, ref_ok) << toDimacs(f, n);
        EXPECT_EQ(s.decisionLevel(), 0);
        if (!got) continue;
        std::set<int> implied, expected;
        for (int i = 0; i < out.size(); i++) implied.insert(dimacsOf(out[i]));
        for (int v = 1; v <= n; v++)
            if (val[size_t(v)] != root[size_t(v)]) expected.insert(v * val[size_t(v)]);
        for (int i = 0; i < assumps.size(); i++) expected.erase(dimacsOf(assumps[i]));
        EXPECT_EQ(implied, expected) << toDimacs(f, n);
    }
}

// The enumeration's solver: decisions set variables true, the trail is kept (in three rounds of
// four; otherwise the search ends at the root with the levels still recorded), and each model is
// blocked by a clause false under it: its true variables negated, or random literals (often
// one, which becomes a root fact). Every model must satisfy all clauses so far and be maximal;
// a refused clause or a failed solve must mean that nothing is left. A block of two or more
// literals leads with the first of its highest level and backtracks just below that level
// without propagating; a one-literal block fixes its variable at the root, or only says so when
// it was fixed there already.
TEST(SolverCore, BlockingAgainstKeptTrailEnumeratesExactlyTheMaximalModels) {
    std::mt19937 rng(23);
    int kept_below = 0, empties = 0;  // one-literal blocks that kept the levels below their variable's; empty blocks
    for (int round = 0; round < 600; round++) {
        int n = 1 + int(rng() % 10);
        Cnf f = randomCnf(rng, n, int(rng() % (2 * n)), 1 + int(rng() % 3));
        Solver s;
        addCnf(s, n, f);
        for (int v = 0; v < n; v++) s.user_pol[v] = l_False;
        s.keep_trail = round % 4 != 3;  // otherwise back at the root, the levels still recorded
        if (round % 3 == 0) s.restart_first = 1;  // restarts and learnt units in between
        // The notice goes where the run says (none on some rounds), never to standard output.
        static std::string noticed;
        if (round % 5 != 4) s.notice = [](const char* line) { noticed += line, noticed += '\n'; };
        Cnf g = f;
        for (int models = 0;; models++) {
            bool sat = s.solve_() == l_True;
            ASSERT_EQ(sat, isSatisfiable(g, n)) << "round " << round << "\n" << toDimacs(g, n);
            if (!sat) break;
            ASSERT_LE(models, 1 << n);
            uint32_t a = modelBits(s, n);
            ASSERT_TRUE(satisfies(g, a)) << "round " << round;
            for (int v = 0; v < n; v++)
                ASSERT_TRUE(((a >> v) & 1) || !satisfies(g, a | (1u << v))) << "model not maximal";
            for (int v = 0; v < n && s.keep_trail; v++) ASSERT_EQ(s.value(v), s.model[v]);  // the trail is the model

            std::vector<int> vars(size_t(n), 0), dimacs;
            std::iota(vars.begin(), vars.end(), 0);
            std::shuffle(vars.begin(), vars.end(), rng);
            int size = round % 2 ? n : rng() % 2 ? 1 : 1 + int(rng() % n);
            vec<Lit> block;
            for (int k = 0; k < size; k++) {
                int v = round % 2 ? k : vars[size_t(k)];
                bool is_true = (a >> v) & 1;
                if (round % 2 && !is_true) continue;  // the true variables only
                block.push(mkLit(v, is_true));  // false under the model
                dimacs.push_back(is_true ? -(v + 1) : v + 1);
            }
            g.push_back(dimacs);
            // The expected first watch and backtrack level.
            int lead = 0, top = 0, level = s.decisionLevel();
            for (int i = 0; i < block.size(); i++)
                if (s.level(var(block[i])) > s.level(var(block[lead]))) lead = i;
            if (block.size() > 0) top = s.level(var(block[lead]));
            const bool fixed = block.size() == 1 && top == 0;
            std::vector<Lit> want(block.begin(), block.begin() + block.size());
            if (!want.empty()) std::swap(want[0], want[size_t(lead)]);
            uint64_t props = s.propagations;
            lbool r = l_Undef;
            noticed.clear();
            ASSERT_EQ(captureStdout([&] { r = s.add_blck_assert(block); }), "");
            ASSERT_EQ(noticed, fixed && s.notice ? "Variable already assigned!!!\n" : "");
            ASSERT_EQ(std::vector<Lit>(block.begin(), block.begin() + block.size()), want);
            if (block.size() == 1 && r == l_True) {
                ASSERT_TRUE(s.level(var(block[0])) == 0 && s.value(block[0]) == l_True);
                ASSERT_LT(s.decisionLevel(), top);  // back to the root only when the kept levels contradict it
                kept_below += top > 1 && s.decisionLevel() == top - 1;
            } else if (r == l_True) {
                ASSERT_EQ(s.decisionLevel(), std::min(level, top - 1));
                ASSERT_EQ(s.propagations, props);  // nothing propagated here
                ASSERT_FALSE(s.ca[s.clauses.last()].learnt());
            }
            if (r != l_True) {
                ASSERT_FALSE(isSatisfiable(g, n)) << "refused with models left, round " << round;
                ASSERT_TRUE(block.size() > 0 || !s.ok);  // the empty clause: unsatisfiable for good
                empties += block.size() == 0;
                break;
            }
        }
        // The same clauses on a fresh solver give the same answer.
        Solver fresh;
        addCnf(fresh, n, g);
        ASSERT_EQ(fresh.solve_() == l_True, isSatisfiable(g, n));
    }
    EXPECT_TRUE(kept_below > 80 && empties > 20);
}

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
        Cnf f = randomCnf(rng, 60, 250, 3);
        Solver a, b;
        for (Solver* x : {&a, &b}) {
            x->random_var_freq = 0.1;  // random draws too must repeat
            addCnf(*x, 60, f);
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
