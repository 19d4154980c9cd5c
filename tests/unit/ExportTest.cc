// DIMACS export of the solver's problem: read back with the project's own reader and compared
// by truth table with the clauses under the root assignment plus the assumptions; exact text of
// the renumbering, the trivial formula of a contradictory solver, and the file errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <unistd.h>
#include <zlib.h>

#include "core/SolverWrapper.h"
#include "support/Oracle.h"
#include "support/Process.h"

using namespace Sat;
using namespace testutil;

std::string captureStdout(const std::function<void()>& f);  // in ReaderTest.cc

namespace {

Lit dimacsLit(int l) { return mkLit(std::abs(l) - 1, l < 0); }

void load(Solver& s, int n, const Cnf& f) {
    while (s.nVars() < n) s.newVar();
    for (const auto& c : f) {
        vec<Lit> ps;
        for (int l : c) ps.push(dimacsLit(l));
        s.addClause_(ps);
    }
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The stream export as text.
std::string exported(Solver& s, const vec<Lit>& assumps) {
    char* buf = nullptr;
    size_t len = 0;
    FILE* f = open_memstream(&buf, &len);
    s.toDimacs(f, assumps);
    std::fclose(f);
    std::string text(buf, len);
    std::free(buf);
    return text;
}

struct ReadBack {
    Cnf cls;
    int nVars = 0;
};

ReadBack readBack(const std::string& path) {
    SolverWrapper w;
    gzFile in = gzopen(path.c_str(), "rb");
    EXPECT_NE(in, nullptr);
    // The header's variable count must agree with the clauses: no mismatch report.
    EXPECT_EQ(captureStdout([&] { w.readInstance(in); }), "");
    gzclose(in);
    return {w.cls, w.nVars};
}

// Written number (0-based) of each solver variable, -1 if unwritten: first appearance among
// the literals not false of the clauses not satisfied, then the assumptions.
std::vector<int> numbering(const Solver& s, const vec<Lit>& assumps, int& count) {
    std::vector<int> num(size_t(s.nVars()), -1);
    count = 0;
    auto see = [&](Lit p) {
        if (num[size_t(var(p))] < 0) num[size_t(var(p))] = count++;
    };
    for (int i = 0; i < s.clauses.size(); i++) {
        const Clause c = s.ca[s.clauses[i]];
        bool sat = false;
        for (int j = 0; j < c.size(); j++) sat |= s.value(c[j]) == l_True;
        if (sat) continue;
        for (int j = 0; j < c.size(); j++)
            if (s.value(c[j]) != l_False) see(c[j]);
    }
    for (int i = 0; i < assumps.size(); i++) see(assumps[i]);
    return num;
}

const char* const kUnsatText = "p cnf 1 2\n1 0\n-1 0\n";

}  // namespace

TEST(Export, RoundTripKeepsTheModelsUnderRootAndAssumptions) {
    std::mt19937 rng(5);
    std::string path = writeTempFile("export-roundtrip.cnf", "");
    int contradictory = 0, written = 0;
    for (int round = 0; round < 700; round++) {
        int n = 1 + int(rng() % 11);
        Cnf f = randomCnf(rng, n, int(rng() % (2 * n + 1)), 1 + int(rng() % 4), round % 25 == 0);
        for (int i = int(rng() % 3); i > 0; i--) f.push_back({(rng() % 2 ? 1 : -1) * (1 + int(rng() % n))});
        Solver s;
        load(s, n, f);
        if (round % 2) s.simplify();
        if (round % 5 == 0) s.solve_();  // learnt clauses and learnt root units
        ASSERT_EQ(s.decisionLevel(), 0);
        std::vector<int> assumed;
        vec<Lit> assumps;
        for (int i = int(rng() % 4); i > 0; i--) {
            assumed.push_back((rng() % 2 ? 1 : -1) * (1 + int(rng() % n)));
            assumps.push(dimacsLit(assumed.back()));
        }
        unlink(path.c_str());  // truncating instead is slow on some file systems
        if (round % 3) {
            s.toDimacs(path.c_str(), assumps);
        } else {
            FILE* out = std::fopen(path.c_str(), "w");
            s.toDimacs(out, assumps);
            std::fclose(out);
        }
        std::string ctx = "round " + std::to_string(round) + "\n" + toDimacs(f, n);
        std::string text = slurp(path);
        ReadBack g = readBack(path);

        if (!s.ok) {
            contradictory++;
            ASSERT_EQ(text, kUnsatText) << ctx;
            ASSERT_FALSE(isSatisfiable(f, n)) << ctx;
            continue;
        }
        written++;
        // The reference: clauses of f not satisfied at the root, without their root-false
        // literals and without tautologies, plus one unit per assumption.
        Cnf ref;
        for (const auto& c : f) {
            bool drop = false;
            std::vector<int> rest;
            for (int l : c) {
                lbool v = s.value(dimacsLit(l));
                drop |= v == l_True || std::find(c.begin(), c.end(), -l) != c.end();
                if (v == l_Undef) rest.push_back(l);
            }
            if (!drop) ref.push_back(rest);
        }
        for (int l : assumed) ref.push_back({l});

        int count = 0;
        std::vector<int> num = numbering(s, assumps, count);
        // Exactly the variables of the reference are written.
        for (int v = 1; v <= n; v++) {
            bool occurs = std::any_of(ref.begin(), ref.end(), [&](const std::vector<int>& c) {
                return std::find_if(c.begin(), c.end(), [&](int l) { return std::abs(l) == v; }) != c.end();
            });
            ASSERT_EQ(num[size_t(v - 1)] >= 0, occurs) << "variable " << v << "\n" << ctx;
        }
        int unsat_clauses = 0;
        for (int i = 0; i < s.clauses.size(); i++) {
            const Clause c = s.ca[s.clauses[i]];
            bool sat = false;
            for (int j = 0; j < c.size(); j++) sat |= s.value(c[j]) == l_True;
            unsat_clauses += !sat;
        }
        int m = unsat_clauses + assumps.size();  // learnt clauses are not written
        ASSERT_EQ(text.substr(0, text.find('\n') + 1), "p cnf " + std::to_string(count) + " " + std::to_string(m) + "\n")
            << ctx;
        ASSERT_EQ(int(g.cls.size()), m) << ctx;
        ASSERT_EQ(g.nVars, count) << ctx;
        // Assumptions come first, as units, in their order.
        for (int i = 0; i < assumps.size(); i++) {
            int l = assumed[size_t(i)];
            int w = num[size_t(std::abs(l) - 1)] + 1;
            ASSERT_EQ(g.cls[size_t(i)], (std::vector<int>{l > 0 ? w : -w})) << ctx;
        }
        // Same truth value under every assignment, mapped through the numbering.
        for (uint32_t a = 0; a < (1u << n); a++) {
            uint32_t e = 0;
            for (int v = 0; v < n; v++)
                if (num[size_t(v)] >= 0 && ((a >> v) & 1)) e |= 1u << num[size_t(v)];
            ASSERT_EQ(satisfies(g.cls, e), satisfies(ref, a)) << "assignment " << a << "\n" << ctx;
        }
    }
    unlink(path.c_str());
    EXPECT_GT(contradictory, 20);
    EXPECT_GT(written, 300);
}

TEST(Export, RenumberingAndTextByHand) {
    // (3|5)(-1|2)(4|-2|5), then -5: 3 follows at the root, (3|5) is satisfied, 5 leaves (4|-2|5).
    Solver s;
    load(s, 6, {{3, 5}, {-1, 2}, {4, -2, 5}, {-5}});
    ASSERT_TRUE(s.value(dimacsLit(3)) == l_True);
    vec<Lit> assumps;
    assumps.push(dimacsLit(-6));  // occurs in no clause: still numbered, after the clause variables
    assumps.push(dimacsLit(3));   // true at the root: written anyway
    const std::string want = "p cnf 5 4\n-4 0\n5 0\n-1 2 0\n-2 3 0\n";
    EXPECT_EQ(exported(s, assumps), want);
    ASSERT_TRUE(s.simplify());  // removing and trimming clauses changes nothing written
    s.verbosity = 1;
    std::string text;
    EXPECT_EQ(captureStdout([&] { text = exported(s, assumps); }), "Wrote DIMACS with 5 variables and 4 clauses.\n");
    EXPECT_EQ(text, want);

    // Everything satisfied at the root: only the header, unless an assumption is given.
    Solver t;
    load(t, 3, {{1, 2}, {-3, 1}, {1}});
    vec<Lit> none, one;
    EXPECT_EQ(exported(t, none), "p cnf 0 0\n");
    one.push(dimacsLit(-2));
    EXPECT_EQ(exported(t, one), "p cnf 1 1\n-1 0\n");
}

TEST(Export, ClauseWriterContinuesTheNumbering) {
    Solver s;
    load(s, 4, {{-1}, {-2}});
    auto clause = [&](std::vector<int> lits) {
        vec<Lit> ps;
        for (int l : lits) ps.push(dimacsLit(l));
        return s.ca.alloc(ps);  // not attached: only written
    };
    CRef satisfied = clause({3, -1}), all_false = clause({1, 2}), mixed = clause({4, -3, 1});
    vec<Var> map;
    map.growTo(4, -1);
    map[3] = 0;  // variable 4 was numbered before
    Var max = 1;
    char* buf = nullptr;
    size_t len = 0;
    FILE* f = open_memstream(&buf, &len);
    Clause c1 = s.ca[satisfied], c2 = s.ca[all_false], c3 = s.ca[mixed];
    s.toDimacs(f, c1, map, max);
    EXPECT_EQ(map[2], -1);  // a satisfied clause numbers nothing
    s.toDimacs(f, c2, map, max);
    s.toDimacs(f, c3, map, max);
    std::fclose(f);
    EXPECT_EQ(std::string(buf, len), "0\n1 -2 0\n");
    std::free(buf);
    EXPECT_EQ(max, 2);
    EXPECT_EQ(map[2], 1);
    EXPECT_EQ(map[0], -1);  // false literals leave their variable unnumbered
}

TEST(Export, ContradictorySolverWritesTheTrivialFormula) {
    Solver s;
    load(s, 3, {{1, 2}, {1}, {-1, 3}, {-3}});
    ASSERT_FALSE(s.ok);
    vec<Lit> assumps;
    assumps.push(dimacsLit(2));
    EXPECT_EQ(exported(s, assumps), kUnsatText);
    std::string path = writeTempFile("export-unsat.cnf", std::string(200, 'x'));  // old content goes
    s.toDimacs(path.c_str(), assumps);
    EXPECT_EQ(slurp(path), kUnsatText);
    ReadBack g = readBack(path);
    EXPECT_EQ(g.cls, (Cnf{{1}, {-1}}));
    EXPECT_EQ(g.nVars, 1);
    unlink(path.c_str());
}

TEST(ExportDeathTest, UnopenableFileEndsWithStatusOne) {
    Solver s;
    load(s, 2, {{1, 2}});
    vec<Lit> none;
    EXPECT_EXIT(s.toDimacs("/nonexistent-primal-dir/out.cnf", none), testing::ExitedWithCode(1),
                "could not open file /nonexistent-primal-dir/out\\.cnf");
    std::string probe = writeTempFile("export-probe", "");
    unlink(probe.c_str());
    std::string dir = probe.substr(0, probe.rfind('/'));  // a directory cannot be opened for writing
    EXPECT_EXIT(s.toDimacs(dir.c_str(), none), testing::ExitedWithCode(1), "could not open file " + dir);
}
