// Formula wrappers: variable creation, storing and pushing clauses, the printed store, the
// dual-rail translation and the selector encoding of a formula's negation.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <unistd.h>

#include "core/SolverWrapper.h"
#include "support/Oracle.h"

using namespace Sat;
using Clauses = std::vector<std::vector<int>>;
using Ints = std::vector<int>;

std::string captureStdout(const std::function<void()>& f);  // in ReaderTest.cc

namespace {

// nVars, the solver's variables, lastAuxVar and the solver's problem clauses.
Ints counts(SolverWrapper& w) { return {w.nVars, w.S.nVars(), w.lastAuxVar, w.S.nClauses()}; }
std::string printed(SolverWrapper& w) { return captureStdout([&] { w.printCls(); }); }

// Loads a clause into the solver, then runs op with standard output sent to the death-test
// matcher's stream.
void onLoadedSolver(void (SolverWrapper::*op)()) {
    SolverWrapper w;
    Ints c{1, 2};
    w.addClause(c, true);
    dup2(2, 1);
    (w.*op)();
}

}  // namespace

TEST(Wrapper, VariableCreationAndPushing) {
    DR_SolverWrapper d;
    EXPECT_TRUE(d.solver == &d.S && d.drSolver == &d.S && d.maximal);
    EXPECT_EQ(counts(d), (Ints{0, 0, 0, 0}));

    SolverWrapper w;
    Ints c7{-7}, c3{3, -2}, c9{9, -8}, empty;
    w.addClause(c7, false);  // variable 7 alone creates 1..7
    w.addClause(c3, false);
    EXPECT_EQ(counts(w), (Ints{7, 7, 0, 0}));  // push false: only stored
    w.addClause(c9, true);
    EXPECT_EQ(counts(w), (Ints{9, 9, 0, 1}));
    w.pushInstance();  // all three again, twice; the unit -7 is assigned rather than stored
    w.pushInstance();
    EXPECT_EQ(counts(w), (Ints{9, 9, 0, 5}));
    EXPECT_TRUE(w.S.value(6) == l_False);
    EXPECT_EQ(w.cls, (Clauses{{-7}, {3, -2}, {9, -8}}));

    SolverWrapper e;
    e.pushInstance();
    e.addClause(empty, false);
    EXPECT_TRUE(e.S.ok);
    e.addClause(empty, true);
    EXPECT_FALSE(e.S.ok);
    EXPECT_EQ(e.cls, (Clauses{{}, {}}));
}

TEST(Wrapper, PrintClsExactText) {
    SolverWrapper w;
    EXPECT_EQ(printed(w), "");
    Ints a{1, -2}, b{3}, e;
    w.addClause(a, false);
    w.addClause(b, false);
    EXPECT_EQ(printed(w), " 1 -2\n 3\n");
    w.addClause(e, false);
    w.dualRailEncode();
    EXPECT_EQ(printed(w), " 1 4\n 5\n\n");
    EXPECT_EQ(counts(w), (Ints{6, 6, 0, 0}));
}

TEST(Wrapper, DualRailTranslation) {
    SolverWrapper w;
    Ints c{1, -2, 3}, out, t{-3, 2}, none;
    w.cls2DualRailClause(c, out, true);
    EXPECT_EQ(out, (Ints{1, 4, 5}));
    EXPECT_EQ(counts(w), (Ints{6, 6, 0, 0}));  // variable 3 needs rails 5 and 6
    w.cls2DualRailClause(c, out, false);     // appends
    EXPECT_EQ(out, (Ints{1, 4, 5, -1, -4, -5}));
    EXPECT_TRUE(w.cls.empty());
    EXPECT_TRUE(w.addDualRailClsIncr(t, false, false));
    w.addDualRailCls(t, true, true);
    EXPECT_EQ(w.cls, (Clauses{{-6, -3}, {6, 3}}));
    EXPECT_EQ(w.S.nClauses(), 1);
    w.addDualRailCls(none, true, true);
    EXPECT_FALSE(w.S.ok);

    // Blocking against a retained model: the clause is in force for the next solve.
    DR_SolverWrapper d;
    Ints pair1{1, 2}, pair2{3, 4}, term{1, 2};
    d.addClause(pair1, true);
    d.addClause(pair2, true);
    d.S.keep_trail = true;
    for (Var v = 0; v < 4; v++) d.S.user_pol[v] = l_False;
    ASSERT_TRUE(d.S.solve_() == l_True);
    EXPECT_TRUE(d.addDualRailClsIncr(term, false, true));
    EXPECT_EQ(d.cls.back(), (Ints{-1, -3}));
    ASSERT_TRUE(d.S.solve_() == l_True);
    EXPECT_TRUE(d.S.model[0] == l_False || d.S.model[2] == l_False);
    EXPECT_FALSE(d.addDualRailClsIncr(none, true, true));  // the empty clause ends it
    EXPECT_EQ(d.cls.back(), none);
}

TEST(WrapperDeathTest, EncodingANonEmptySolverExitsWith1) {
    for (void (SolverWrapper::*op)() : {&SolverWrapper::dualRailEncode, &SolverWrapper::negateFormula})
        EXPECT_EXIT(onLoadedSolver(op), testing::ExitedWithCode(1), "Dual Rail Encode Error\\.\\.\\.the Solver is not empty\\.");
}

TEST(Negation, SelectorEncoding) {
    SolverWrapper w;
    Ints a{1, -2}, b{3}, none;
    w.addClause(a, false);
    w.addClause(b, false);
    w.negateFormula();
    EXPECT_EQ(w.cls, (Clauses{{-1, -4}, {2, -4}, {1, -2, 4}, {-3, -5}, {3, 5}, {4, 5}}));
    EXPECT_EQ(counts(w), (Ints{5, 5, 5, 0}));
    EXPECT_EQ(w.auxVars, (Ints{4, 5}));

    SolverWrapper e;  // the empty formula is true; its negation is the empty clause
    e.negateFormula();
    EXPECT_EQ(e.cls, (Clauses{{}}));
    EXPECT_EQ(counts(e), (Ints{0, 0, 0, 0}));
    EXPECT_TRUE(e.auxVars.empty());
    e.addClause(none, false);  // an empty clause: its selector is forced true
    e.negateFormula();         // negating again takes fresh selectors
    EXPECT_EQ(e.cls, (Clauses{{1}, {2}, {1, 2}}));
}

// A total assignment of the input variables extends to a model of the negation exactly when
// it falsifies the formula; checked on the store by brute force and through the solver.
TEST(Negation, ModelsAreTheFalsifyingAssignments) {
    std::mt19937 rng(99);
    for (int round = 0; round < 150; round++) {
        int n = 1 + int(rng() % 6), m = int(rng() % 8);
        testutil::Cnf f = testutil::randomCnf(rng, n, m, 1 + int(rng() % 4), true);
        SolverWrapper w;
        w.ensureVar(n);
        for (auto& c : f) w.addClause(c, false);
        w.negateFormula();
        ASSERT_EQ(w.nVars, n + m);
        std::vector<char> extends(size_t(1) << n, 0);
        for (uint32_t a = 0; a < (uint32_t(1) << (n + m)); a++)
            if (testutil::satisfies(w.cls, a)) extends[a & ((1u << n) - 1)] = 1;
        w.pushInstance();
        for (uint32_t a = 0; a < (uint32_t(1) << n); a++) {
            bool falsifies = !testutil::satisfies(f, a);
            ASSERT_EQ(bool(extends[a]), falsifies) << "round " << round << " assignment " << a;
            w.S.assumptions.clear();
            for (int v = 0; v < n; v++) w.S.assumptions.push(mkLit(v, !((a >> v) & 1)));
            ASSERT_EQ(w.S.solve_() == l_True, falsifies) << "round " << round << " assignment " << a;
        }
    }
}
