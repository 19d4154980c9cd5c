// The solver against brute force: answers, models, assumption conflicts, incremental use,
// garbage collection under pressure, implied literals against reference unit propagation, and
// enumeration by blocking clauses against the kept trail (where each block leaves the solver).
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
            ASSERT_EQ(captureStdout([&] { r = s.add_blck_assert(block); }), fixed ? "Variable already assigned!!!\n" : "");
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
