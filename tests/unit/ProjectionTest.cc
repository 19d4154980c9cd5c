// Primes of a formula with its auxiliary variables forgotten, against truth tables: random
// formulas with random sets of interest (empty, one variable, all of them) on every road, and
// Tseitin encodings of random circuits, whose projected primes are those of the circuit.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <zlib.h>

#include "enumerate/Enumeration.h"
#include "support/CollectingSink.h"
#include "support/Process.h"
#include "support/Oracle.h"

using namespace testutil;

namespace {

// Runs the whole sequence in process on DIMACS text, projected onto x (input indices).
PrimeSets runProjected(const std::string& dimacs, const std::vector<int>& x, primal::RunOptions opts) {
    opts.projection = primal::RunOptions::Projection::List;
    for (int v : x) opts.project_list.emplace_back(v, v);
    Sat::SolverWrapper formula;
    Sat::DR_SolverWrapper dual;
    CollectingSink sink;
    primal::PhaseTimes times;
    primal::runSequence(formula, dual, gzdopen(memfdWith(dimacs), "rb"), opts, sink, times);
    return sink.sorted();
}

// Clauses making o the AND (op 0), OR (1) or XOR (2) of the signed signals a and b.
void gate(Cnf& f, int op, int o, int a, int b) {
    if (op == 0) f.insert(f.end(), {{-o, a}, {-o, b}, {o, -a, -b}});
    if (op == 1) f.insert(f.end(), {{o, -a}, {o, -b}, {-o, a, b}});
    if (op == 2) f.insert(f.end(), {{-o, a, b}, {-o, -a, -b}, {o, -a, b}, {o, a, -b}});
}

std::vector<primal::RunOptions> roads() {
    std::vector<primal::RunOptions> r(4);
    r[1].engine_steps = 0;                          // the dual-rail loop alone
    r[2].engine_steps = 0, r[2].endgame_conflicts = 1;  // the loop, soon the endgame
    r[3].engine_steps = 2, r[3].endgame_conflicts = 1;  // the engine cut short
    return r;
}

}  // namespace

// Random formulas with random sets of interest (0: empty, 1: one variable, 2: all of them,
// else a random subset), one side asked (the other neither handed over nor lost), then random
// circuits of AND/OR/XOR gates over k inputs, Tseitin-encoded with the output asserted, whose
// gate variables, each fixed by the inputs, are forgotten: the primes on every road are the
// truth table's.
TEST(Projection, RandomFormulasAndCircuitsOnEveryRoad) {
    std::mt19937 rng(99), circuits(5);
    for (int round = 0; round < 310; round++) {
        const bool circuit = round >= 250;
        int n = circuit ? 0 : 1 + int(rng() % 10);
        Cnf f;
        std::vector<int> x;
        if (!circuit) {
            f = randomCnf(rng, n, int(rng() % (3 * n + 2)), 1 + int(rng() % 4));
            for (int v = 1, kind = round % 5; v <= n; v++)
                if (kind == 2 || (kind > 2 && rng() % 2) || (kind == 1 && v == 1 + round % n)) x.push_back(v);
        } else {
            const int k = 3 + int(circuits() % 4), gates = 2 + int(circuits() % 5);
            for (int i = 0; i < gates; i++) {  // over earlier signals (signed)
                auto pick = [&] { int s = 1 + int(circuits() % unsigned(k + i)); return circuits() % 2 ? s : -s; };
                const int op = int(circuits() % 3), a = pick();
                gate(f, op, k + i + 1, a, pick());
            }
            f.push_back({n = k + gates});
            for (int v = 1; v <= k; v++) x.push_back(v);
        }
        if (!isSatisfiable(f, n)) continue;
        const PrimeSets want = projectedPrimes(f, n, x);
        if (x.size() == size_t(n) && !circuit) {  // projecting onto every variable changes nothing
            PrimeSets all = bruteForcePrimes(f, n);
            ASSERT_EQ(want.implicants, all.implicants);
            ASSERT_EQ(want.implicates, all.implicates);
        }
        for (primal::RunOptions opts : roads()) {
            opts.side = circuit ? primal::Side::Both : primal::Side(round % 3);
            PrimeSets got = runProjected(toDimacs(f, n), x, opts);
            const std::string where = toDimacs(f, n) + "x = " + testing::PrintToString(x) + " steps " +
                                      std::to_string(opts.engine_steps) + " side " + std::to_string(int(opts.side));
            EXPECT_EQ(got.implicants, opts.side == primal::Side::Implicates ? Primes{} : want.implicants) << where;
            EXPECT_EQ(got.implicates, opts.side == primal::Side::Implicants ? Primes{} : want.implicates) << where;
        }
        if (HasFailure()) return;
    }
}

// The engine lists the formula's implicants, then runs out of steps on G's implicates, which
// are many here (the parity of 7 inputs through a chain of XOR gates: 64 of 7 literals); the
// loop must take over from those the engine found, which it holds in X's own numbering. The
// gates come first (1..6, inputs 7..13), so that numbering is not the formula's.
TEST(Projection, LoopTakesOverFromTheEnginesImplicates) {
    const int k = 7, gates = k - 1;
    Cnf f;
    int prev = gates + 1;
    for (int i = 2; i <= k; i++) gate(f, 2, i - 1, prev, gates + i), prev = i - 1;
    f.push_back({prev});
    std::vector<int> inputs;
    for (int v = gates + 1; v <= gates + k; v++) inputs.push_back(v);
    const PrimeSets want = projectedPrimes(f, gates + k, inputs);
    ASSERT_EQ(want.implicates.size(), 64u);
    primal::RunOptions opts;
    opts.engine_steps = 2000, opts.engine_steps_per_prime = 0;
    PrimeSets got = runProjected(toDimacs(f, gates + k), inputs, opts);
    EXPECT_EQ(got.implicants, want.implicants);
    EXPECT_EQ(got.implicates, want.implicates);
}

// Through the binary: the three ways to name X, their union rules, the empty set (the projection
// of a satisfiable formula is valid), and the refusals, which leave nothing enumerated. The
// naming is settled before the road is chosen: the roads are the tests above.
TEST(Projection, CommandLineNamesTheVariables) {
    // f = x1 x2 + x3 x4 through gates 5 = x1 x2, 6 = x3 x4, 7 = 5 + 6, asserted.
    const std::string gates = "-5 1 0\n-5 2 0\n5 -1 -2 0\n-6 3 0\n-6 4 0\n6 -3 -4 0\n-7 5 6 0\n7 0\n", p = "p cnf 7 8\n";
    const PrimeSets f{{{1, 2}, {3, 4}}, {{1, 3}, {1, 4}, {2, 3}, {2, 4}}}, valid{{{}}, {}};
    const std::vector<std::tuple<std::string, std::string, const PrimeSets*>> cases = {
        {"-project=orig", "c n orig vars 4\n" + p, &f},     {"-project=1-2,3,2-4", p, &f},
        {"-project=show", "c p show 1 2 0\n" + p + "c p show 3 4 2 0\n", &f},
        {"-project=show", "c p show 0\n" + p, &valid},      {"-project=orig", p, nullptr},
        {"-project=show", "c n orig vars 4\n" + p, nullptr}, {"-project=1-8", p, nullptr},
        {"-project=4-2", p, nullptr},                        {"-project=", p, nullptr},
        {"-project=1,,2", p, nullptr},                       {"-project=0-3", p, nullptr},
        {"-project=orig", "c n orig vars 9\n" + p, nullptr}, {"-project=show", "c p show 2 -1 0\n" + p, nullptr},
    };
    for (const auto& [option, header, want] : cases) {
        RunResult r = runPrimal({option, "-print_all"}, header + gates);
        Primes implicants, implicates;
        parsePrimeLines(r.out, implicants, implicates);
        const std::string where = option + "\n" + header + r.out + r.err;
        if (want == nullptr) {
            EXPECT_TRUE(r.status == 1 && std::count(r.err.begin(), r.err.end(), '\n') == 1 && r.out.find("Prime") == std::string::npos &&
                        r.out.find("Vars to test") == std::string::npos) << where;
            continue;
        }
        const std::string counts = "Final Num Prime Implicant: " + std::to_string(want->implicants.size()) +
                                   "\nFinal Num Prime Implicate: " + std::to_string(want->implicates.size()) + "\n";
        EXPECT_TRUE(r.status == 0 && implicants == want->implicants && implicates == want->implicates) << where;
        EXPECT_TRUE(r.out.find("Vars to test: 7\n") != std::string::npos && r.out.find(counts) != std::string::npos) << where;
    }
}
