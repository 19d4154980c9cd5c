// The solver against brute force: answers, models, assumption conflicts, incremental use,
// garbage collection under pressure, and enumeration by blocking clauses against the kept trail.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "solver/Solver.h"
#include "support/Oracle.h"

using namespace Sat;
using namespace testutil;

namespace {

void ensureVars(Solver& s, int n) {
    while (s.nVars() < n) s.newVar();
}

void addCnf(Solver& s, const Cnf& f) {
    for (const auto& c : f) {
        vec<Lit> ps;
        for (int l : c) ps.push(mkLit(std::abs(l) - 1, l < 0));
        s.addClause_(ps);
    }
}

uint32_t modelBits(const Solver& s, int n) {
    uint32_t a = 0;
    for (int v = 0; v < n; v++)
        if (s.model[v] == l_True) a |= 1u << v;
    return a;
}

// f with the units of the given DIMACS literals.
Cnf withUnits(Cnf f, const std::vector<int>& units) {
    for (int l : units) f.push_back({l});
    return f;
}

}  // namespace

TEST(SolverCore, AnswersAndAssumptionConflictsMatchBruteForce) {
    std::mt19937 rng(7);
    for (int round = 0; round < 1500; round++) {
        int n = 1 + int(rng() % 12);
        Cnf f = randomCnf(rng, n, int(rng() % (5 * n)), 1 + int(rng() % 4), round % 10 == 0);
        Solver s;
        ensureVars(s, n);
        addCnf(s, f);
        // Several solves on one solver with changing assumptions, then with more clauses.
        for (int k = 0; k < 4; k++) {
            std::vector<int> assumed;
            s.assumptions.clear();
            for (int i = int(rng() % 4); i > 0; i--) {
                int l = (rng() % 2 ? 1 : -1) * (1 + int(rng() % n));
                assumed.push_back(l);
                s.assumptions.push(mkLit(std::abs(l) - 1, l < 0));
            }
            lbool r = s.solve_();
            bool expected = isSatisfiable(withUnits(f, assumed), n);
            ASSERT_EQ(r == l_True, expected) << "round " << round << "\n" << toDimacs(f, n);
            if (r == l_True) {
                uint32_t a = modelBits(s, n);
                ASSERT_TRUE(satisfies(f, a));
                for (int l : assumed) ASSERT_EQ(((a >> (std::abs(l) - 1)) & 1) != 0, l > 0);
            } else if (s.conflict.size() > 0) {
                // The conflict is a clause over negated assumptions implied by the formula.
                EXPECT_TRUE(s.ok);
                std::vector<int> negated_conflict;
                for (int i = 0; i < s.conflict.size(); i++) {
                    Lit p = s.conflict[i];
                    int d = (var(p) + 1) * (sign(p) ? -1 : 1);
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
            addCnf(s, extra);
        }
    }
}

TEST(SolverCore, GarbageCollectionKeepsAnswersCorrect) {
    std::mt19937 rng(11);
    for (int round = 0; round < 40; round++) {
        int n = 18;
        Cnf f = randomCnf(rng, n, 78, 3);
        for (auto& c : f) c.resize(3, c.empty() ? 1 : c[0]);
        Solver s;
        s.garbage_frac = 0.01;
        s.restart_first = 2;
        ensureVars(s, n);
        addCnf(s, f);
        lbool r = s.solve_();
        ASSERT_EQ(r == l_True, isSatisfiable(f, n)) << toDimacs(f, n);
        if (r == l_True) {
            ASSERT_TRUE(satisfies(f, modelBits(s, n)));
        }
    }
}

TEST(SolverCore, BlockingAgainstKeptTrailEnumeratesExactlyTheMaximalModels) {
    std::mt19937 rng(5);
    for (int round = 0; round < 300; round++) {
        int n = 1 + int(rng() % 9);
        Cnf f = randomCnf(rng, n, int(rng() % (3 * n)), 1 + int(rng() % 3));
        Solver s;
        ensureVars(s, n);
        for (int v = 0; v < n; v++) s.user_pol[v] = l_False;
        s.keep_trail = true;
        addCnf(s, f);
        // Block "some variable true in the model turns false". Each model must satisfy the
        // formula and every block so far and be maximal under them; the enumeration ends exactly
        // when nothing is left.
        Cnf g = f;
        std::set<uint32_t> found;
        for (;;) {
            if (s.solve_() != l_True) break;
            uint32_t a = modelBits(s, n);
            ASSERT_TRUE(satisfies(g, a));
            ASSERT_TRUE(found.insert(a).second) << "model repeated";
            for (int v = 0; v < n; v++)
                if (!((a >> v) & 1)) {
                    ASSERT_FALSE(satisfies(g, a | (1u << v))) << "model not maximal";
                }
            vec<Lit> block;
            std::vector<int> dimacs_block;
            for (int v = 0; v < n; v++)
                if ((a >> v) & 1) block.push(mkLit(v, true)), dimacs_block.push_back(-(v + 1));
            g.push_back(dimacs_block);
            if (s.add_blck_assert(block) != l_True) break;
        }
        ASSERT_FALSE(isSatisfiable(g, n)) << "enumeration stopped early\n" << toDimacs(f, n);
    }
}

TEST(SolverCore, ImpliesMatchesReferenceUnitPropagation) {
    std::mt19937 rng(3);
    for (int round = 0; round < 500; round++) {
        int n = 2 + int(rng() % 10);
        Cnf f = randomCnf(rng, n, int(rng() % (3 * n)), 3);
        Solver s;
        ensureVars(s, n);
        addCnf(s, f);
        if (!s.ok) continue;
        vec<Lit> assumps;
        std::vector<int> val(size_t(n) + 1, 0);  // reference: 1 true, -1 false
        for (int v = 0; v < n; v++)
            if (s.value(v) != l_Undef) val[size_t(v) + 1] = s.value(v) == l_True ? 1 : -1;
        std::vector<int> root = val;
        bool ref_ok = true;
        for (int i = int(rng() % 3); i >= 0; i--) {
            int l = (rng() % 2 ? 1 : -1) * (1 + int(rng() % n));
            assumps.push(mkLit(std::abs(l) - 1, l < 0));
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
        std::set<int> implied;
        for (int i = 0; i < out.size(); i++) implied.insert((var(out[i]) + 1) * (sign(out[i]) ? -1 : 1));
        std::set<int> expected;
        for (int v = 1; v <= n; v++)
            if (val[size_t(v)] != root[size_t(v)]) expected.insert(v * val[size_t(v)]);
        for (int i = 0; i < assumps.size(); i++) expected.erase((var(assumps[i]) + 1) * (sign(assumps[i]) ? -1 : 1));
        EXPECT_EQ(implied, expected) << toDimacs(f, n);
    }
}

// Blocking clauses of any shape, one-literal ones often: each is false under the model it blocks,
// so a unit fixes a root fact while decision levels are kept. Every model must satisfy all
// clauses so far and be maximal, a refused clause or a failed solve must mean that nothing is
// left, and the kept solver must agree with a fresh one on the same clauses.
TEST(SolverCore, MixedBlockingWithRootFactsMatchesBruteForce) {
    std::mt19937 rng(23);
    for (int round = 0; round < 600; round++) {
        int n = 1 + int(rng() % 10);
        Cnf f = randomCnf(rng, n, int(rng() % (2 * n)), 1 + int(rng() % 3));
        Solver s;
        ensureVars(s, n);
        for (int v = 0; v < n; v++) s.user_pol[v] = l_False;
        s.keep_trail = true;
        if (round % 3 == 0) s.restart_first = 1;  // restarts and learnt units in between
        addCnf(s, f);
        Cnf g = f;
        int models = 0;
        for (;;) {
            bool sat = s.solve_() == l_True;
            ASSERT_EQ(sat, isSatisfiable(g, n)) << "round " << round << "\n" << toDimacs(g, n);
            if (!sat) break;
            models++;
            uint32_t a = modelBits(s, n);
            ASSERT_TRUE(satisfies(g, a)) << "round " << round;
            for (int v = 0; v < n; v++)
                if (!((a >> v) & 1)) {
                    ASSERT_FALSE(satisfies(g, a | (1u << v))) << "model not maximal";
                }
            // The trail is the model: the kept solver has every variable assigned.
            for (int v = 0; v < n; v++) ASSERT_EQ(s.value(v), s.model[v]);

            int size = rng() % 2 ? 1 : 1 + int(rng() % n);
            std::vector<int> vars(size_t(n), 0);
            for (int v = 0; v < n; v++) vars[size_t(v)] = v;
            std::shuffle(vars.begin(), vars.end(), rng);
            vec<Lit> block;
            std::vector<int> dimacs;
            for (int k = 0; k < size; k++) {
                int v = vars[size_t(k)];
                bool is_true = (a >> v) & 1;
                block.push(mkLit(v, is_true));  // false under the model
                dimacs.push_back(is_true ? -(v + 1) : v + 1);
            }
            g.push_back(dimacs);
            lbool r = l_Undef;
            testing::internal::CaptureStdout();
            r = s.add_blck_assert(block);
            testing::internal::GetCapturedStdout();
            if (r != l_True) {
                ASSERT_FALSE(isSatisfiable(g, n)) << "refused with models left, round " << round;
                break;
            }
            ASSERT_LE(models, 1 << n);
        }
        // The same clauses on a fresh solver give the same answer.
        Solver fresh;
        ensureVars(fresh, n);
        addCnf(fresh, g);
        ASSERT_EQ(fresh.solve_() == l_True, isSatisfiable(g, n));
    }
}
