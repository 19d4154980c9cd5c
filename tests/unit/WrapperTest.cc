// Formula wrappers: variable creation, storing and pushing clauses, the printed store, the
// dual-rail translation and the selector encoding of a formula's negation.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "formula/SolverWrapper.h"
#include "support/Oracle.h"

using namespace Sat;
using namespace testutil;
using Ints = std::vector<int>;

namespace {

// nVars, the solver's variables, lastAuxVar and the solver's problem clauses.
Ints counts(SolverWrapper& w) { return {w.nVars, w.S.nVars(), w.lastAuxVar, w.S.nClauses()}; }
void add(SolverWrapper& w, Cnf f, bool push = false) {
    for (auto& c : f) w.addClause(c, push);
}

}  // namespace

// Variables, stored and pushed clauses, the printed store; a solver that holds clauses is not
// encoded again.
TEST(Wrapper, VariableCreationAndPushing) {
    SolverWrapper w;
    add(w, {{-7}, {3, -2}});                   // variable 7 alone creates 1..7
    EXPECT_EQ(counts(w), (Ints{7, 7, 0, 0}));  // only stored
    add(w, {{9, -8}}, true);
    EXPECT_EQ(counts(w), (Ints{9, 9, 0, 1}));
    w.pushInstance();  // all three again, twice; the unit -7 is assigned rather than stored
    w.pushInstance();
    EXPECT_EQ(counts(w), (Ints{9, 9, 0, 5}));
    EXPECT_TRUE(w.S.value(6) == l_False);
    for (void (SolverWrapper::*op)() : {&SolverWrapper::dualRailEncode, &SolverWrapper::negateFormula}) {
        try {
            (w.*op)();
            ADD_FAILURE() << "accepted";
        } catch (std::logic_error& e) {
            EXPECT_STREQ(e.what(), "Dual Rail Encode Error...the Solver is not empty.");
        }
    }
    add(w, {{}});
    EXPECT_TRUE(w.S.ok);
    add(w, {{}}, true);
    EXPECT_FALSE(w.S.ok);
    EXPECT_EQ(w.printCls(), " -7\n 3 -2\n 9 -8\n\n\n");
}

TEST(Wrapper, DualRailTranslation) {
    SolverWrapper w;
    Ints c{1, -2, 3}, out, t{-3, 2}, none;
    w.cls2DualRailClause(c, out, true);
    EXPECT_EQ(out, (Ints{1, 4, 5}));
    w.cls2DualRailClause(c, out, false);  // appends
    EXPECT_EQ(out, (Ints{1, 4, 5, -1, -4, -5}));
    // A rail clause is stored for a later push, or pushed and not stored.
    EXPECT_TRUE(w.addDualRailClsIncr(t, false, false));
    w.addDualRailCls(t, true, true);
    w.addDualRailCls(c, false, false);
    EXPECT_EQ(w.cls, (Cnf{{-6, -3}, {-1, -4, -5}}));
    EXPECT_EQ(w.S.nClauses(), 1);
    w.addDualRailCls(none, true, true);
    EXPECT_FALSE(w.S.ok);

    SolverWrapper p;
    add(p, {{1, -2}, {3}, {}});
    p.dualRailEncode();
    EXPECT_EQ(p.printCls(), " 1 4\n 5\n\n");
    EXPECT_EQ(counts(p), (Ints{6, 6, 0, 0}));  // variable 3 needs rails 5 and 6

    // Blocking against a retained model: the clause is in force for the next solve.
    DR_SolverWrapper d;
    add(d, {{1, 2}, {3, 4}}, true);
    d.S.keep_trail = true;
    for (Var v = 0; v < 4; v++) d.S.user_pol[v] = l_False;
    ASSERT_TRUE(d.S.solve_() == l_True);
    Ints term{1, 2};
    EXPECT_TRUE(d.addDualRailClsIncr(term, false, true));
    EXPECT_EQ(d.cls.size(), 2u);
    ASSERT_TRUE(d.S.solve_() == l_True);
    EXPECT_TRUE(d.S.model[0] == l_False || d.S.model[2] == l_False);
    EXPECT_FALSE(d.addDualRailClsIncr(none, true, true));  // the empty clause ends it
}

// The selector encoding of the negation: a total assignment of the input variables extends to
// a model of it exactly when it falsifies the formula; checked on the store by brute force and
// through the solver.
TEST(Negation, ModelsAreTheFalsifyingAssignments) {
    std::mt19937 rng(99);
    for (int round = 0; round < 150; round++) {
        int n = 1 + int(rng() % 6), m = int(rng() % 8);
        Cnf f = randomCnf(rng, n, m, 1 + int(rng() % 4), true);
        SolverWrapper w;
        w.ensureVar(n);
        add(w, f);
        w.negateFormula();
        Ints selectors;  // one per clause, numbered after the inputs, and nothing pushed yet
        for (int j = 1; j <= m; j++) selectors.push_back(n + j);
        ASSERT_EQ(counts(w), (Ints{n + m, n + m, m ? n + m : 0, 0}));
        ASSERT_EQ(w.auxVars, selectors);
        std::vector<char> extends(size_t(1) << n, 0);
        for (uint32_t a = 0; a < (uint32_t(1) << (n + m)); a++)
            if (satisfies(w.cls, a)) extends[a & ((1u << n) - 1)] = 1;
        w.pushInstance();
        for (uint32_t a = 0; a < (uint32_t(1) << n); a++) {
            bool falsifies = !satisfies(f, a);
            ASSERT_EQ(bool(extends[a]), falsifies) << "round " << round << " assignment " << a;
            w.S.assumptions.clear();
            for (int v = 0; v < n; v++) w.S.assumptions.push(mkLit(v, !((a >> v) & 1)));
            ASSERT_EQ(w.S.solve_() == l_True, falsifies) << "round " << round << " assignment " << a;
        }
    }
}
