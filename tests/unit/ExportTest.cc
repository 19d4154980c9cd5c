// DIMACS export: read back with the project's own reader and compared by truth table with the
// clauses under the root assignment plus the assumptions; exact text of the renumbering and of
// the clause writer; the open error, thrown.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <stdexcept>
#include <unistd.h>
#include <zlib.h>

#include "formula/SolverWrapper.h"
#include "support/SolverUtil.h"
#include "support/Process.h"
#include "utils/Output.h"

using namespace Sat;
using namespace testutil;

namespace {

std::string exported(Solver& s, const vec<Lit>& assumps) {
    return captureStdout([&] { s.toDimacs(stdout, assumps); });
}

// The header's variable count must agree with the clauses: no mismatch report.
Cnf readBack(const std::string& text) {
    SolverWrapper w;
    gzFile in = gzdopen(memfdWith(text), "rb");
    EXPECT_EQ(captureStdout([&] { w.readInstance(in); }), "");
    gzclose(in);
    return w.cls;
}

const char* const kUnsatText = "p cnf 1 2\n1 0\n-1 0\n";

}  // namespace

TEST(Export, RoundTripKeepsTheModelsUnderRootAndAssumptions) {
    std::mt19937 rng(5);
    int contradictory = 0;
    for (int round = 0; round < 700; round++) {
        int n = 1 + int(rng() % 11);
        Cnf f = randomCnf(rng, n, int(rng() % (2 * n + 1)), 1 + int(rng() % 4), round % 25 == 0);
        for (int i = int(rng() % 3); i > 0; i--) f.push_back({(rng() % 2 ? 1 : -1) * (1 + int(rng() % n))});
        Solver s;
        addCnf(s, n, f);
        if (round % 2) s.simplify();
        if (round % 5 == 0) s.solve_();  // learnt clauses and learnt root units
        Cnf units;
        vec<Lit> assumps;
        for (int i = int(rng() % 4); i > 0; i--) {
            units.push_back({(rng() % 2 ? 1 : -1) * (1 + int(rng() % n))});
            assumps.push(lit(units.back()[0]));
        }
        std::string ctx = "round " + std::to_string(round) + "\n" + toDimacs(f, n);
        std::string text = exported(s, assumps);
        if (!s.ok) {
            contradictory++;
            ASSERT_EQ(text, kUnsatText) << ctx;
            continue;
        }
        // Written number (0-based) of each variable: first appearance among the literals not
        // false of the problem clauses (not learnt ones) not satisfied, then the assumptions.
        std::vector<int> num(size_t(n), -1);
        int count = 0, m = assumps.size();
        auto see = [&](Lit p) {
            if (num[size_t(var(p))] < 0) num[size_t(var(p))] = count++;
        };
        for (int i = 0; i < s.clauses.size(); i++) {
            const Clause c = s.ca[s.clauses[i]];
            bool sat = false;
            for (int j = 0; j < c.size(); j++) sat |= s.value(c[j]) == l_True;
            m += !sat;
            for (int j = 0; j < c.size() && !sat; j++)
                if (s.value(c[j]) != l_False) see(c[j]);
        }
        for (int i = 0; i < assumps.size(); i++) see(assumps[i]);
        ASSERT_EQ(text.substr(0, text.find('\n') + 1), "p cnf " + std::to_string(count) + " " + std::to_string(m) + "\n")
            << ctx;
        Cnf g = readBack(text);
        ASSERT_EQ(int(g.size()), m) << ctx;
        // Under every assignment, mapped through the numbering, g has the value of f with the
        // root-assigned variables at their root values, and of the assumptions.
        uint32_t root_set = 0, root_true = 0;
        for (int v = 0; v < n; v++) {
            root_set |= uint32_t(s.value(v) != l_Undef) << v;
            root_true |= uint32_t(s.value(v) == l_True) << v;
        }
        for (uint32_t a = 0; a < (1u << n); a++) {
            uint32_t e = 0;
            for (int v = 0; v < n; v++)
                if (num[size_t(v)] >= 0 && ((a >> v) & 1)) e |= 1u << num[size_t(v)];
            ASSERT_EQ(satisfies(g, e), satisfies(f, (a & ~root_set) | root_true) && satisfies(units, a))
                << "assignment " << a << "\n" << ctx;
        }
    }
    EXPECT_GT(contradictory, 20);  // and far fewer than the 700 rounds
    EXPECT_LT(contradictory, 400);
}

TEST(Export, RenumberingAndTextByHand) {
    // (3|5)(-1|2)(4|-2|5), then -5: 3 follows at the root, (3|5) is satisfied, 5 leaves (4|-2|5).
    Solver s;
    addCnf(s, 6, {{3, 5}, {-1, 2}, {4, -2, 5}, {-5}});
    vec<Lit> assumps;
    toLits({-6, 3}, assumps);  // 6 occurs in no clause: numbered last; 3 is true yet written
    const std::string want = "p cnf 5 4\n-4 0\n5 0\n-1 2 0\n-2 3 0\n";
    EXPECT_EQ(exported(s, assumps), want);
    ASSERT_TRUE(s.simplify());  // removing and trimming clauses changes nothing written
    s.verbosity = 1;  // its line goes to the notice output, none at first
    std::string path = writeTempFile("export-hand.cnf", std::string(200, 'x'));  // old content goes
    EXPECT_EQ(captureStdout([&] { s.toDimacs(path.c_str(), assumps); }), "");
    EXPECT_EQ(fileBytes(path), want);
    s.notice = &Sat::outPuts;
    EXPECT_EQ(captureStdout([&] { s.toDimacs(path.c_str(), assumps); }),
              "Wrote DIMACS with 5 variables and 4 clauses.\n");
    EXPECT_EQ(fileBytes(path), want);
    unlink(path.c_str());

    // The clause writer continues a numbering: variable 4 was numbered before, 1 and 2 are false
    // at the root, 3 is new.
    Solver t;
    addCnf(t, 4, {{-1}, {-2}});
    vec<Var> map;
    map.growTo(4, -1);
    map[3] = 0;
    Var max = 1;
    std::string text = captureStdout([&] {
        for (const std::vector<int>& c : Cnf{{3, -1}, {1, 2}, {4, -3, 1}}) {  // satisfied, false, mixed
            vec<Lit> ps;
            toLits(c, ps);
            Clause cl = t.ca[t.ca.alloc(ps)];  // not attached: only written
            t.toDimacs(stdout, cl, map, max);
        }
    });
    EXPECT_EQ(text, "0\n1 -2 0\n");
    EXPECT_EQ(max, 2);  // only variable 3 was new
}

TEST(Export, UnopenableFileThrows) {
    Solver s;
    vec<Lit> none;
    try {
        s.toDimacs("/nonexistent-primal-dir/out.cnf", none);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "could not open file /nonexistent-primal-dir/out.cnf");
    }
}
