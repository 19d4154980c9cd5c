// Each road to the primes on its own, against the truth table: the engine on the clauses with
// the implicates from the implicants; the transversal endgame from no implicant at all (every
// candidate checked by the solver) followed by the completion, or under a length bound by the
// short implicants from the clauses; the clause engine cut short by its step bound, then the
// dual-rail loop with a tiny conflict budget, the endgame and the completion. Whatever the road, every prime comes exactly once and the counters match.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <stdexcept>

#include "enumerate/CandidateStep.h"
#include "formula/DualRailSearch.h"
#include "enumerate/Phases.h"
#include "enumerate/Policy.h"
#include "enumerate/RunContext.h"
#include "support/CollectingSink.h"
#include "support/Oracle.h"
#include "support/Process.h"

using namespace testutil;

namespace {

Primes sorted(const primal::PrimeStore& store) {
    Primes out;
    store.forEach([&](const int* b, const int* e) { out.emplace_back(b, e), std::sort(out.back().begin(), out.back().end()); });
    std::sort(out.begin(), out.end());
    return out;
}

enum class Road { Clauses, Trusted, EndgameFromNothing, Mixed, Binary };

int trusted_finishes = 0;  // trusted runs that recorded more implicates than they kept

// A formula (variables 1..n) with its solver and run context in process, the primes collected.
struct InProcess {
    Sat::SolverWrapper formula;
    CollectingSink sink;
    primal::PhaseTimes times;
    primal::Recorder recorder;
    std::unique_ptr<primal::RunContext> run;
    InProcess(const Cnf& f, int n, primal::Side side = primal::Side::Both) : recorder(sink, times, side) {
        for (std::vector<int> c : f) formula.addClause(c, true);
        formula.ensureVar(n);
        run = std::make_unique<primal::RunContext>(formula, n, recorder);
        EXPECT_TRUE(run->reducer.buildOccLists(formula.cls));
    }
};

// Runs one road over f (satisfiable, variables 1..n) and compares with the truth table.
void runRoad(const Cnf& f, int n, Road road, uint64_t steps, const std::string& where) {
    InProcess in(f, n);
    primal::RunContext& ctx = *in.run;
    CollectingSink& sink = in.sink;
    ASSERT_TRUE(primal::termConsistent(ctx, {}));

    PrimeSets want = bruteForcePrimes(f, n);
    if (road == Road::Clauses) {
        // Asked for the implicates only, the engine gives up on the implicants' number, counting
        // every one; asked for both, it counts none.
        const uint64_t all = want.implicants.size();
        InProcess unasked(f, n, primal::Side::Implicates);
        EXPECT_FALSE(primal::implicantsFromClauses(*unasked.run, 0, 0, all - 1)) << where;
        EXPECT_EQ(unasked.run->implicants.size(), all) << where;
        ASSERT_TRUE(primal::implicantsFromClauses(ctx, 0, 0, 0)) << where;
        primal::implicatesFromImplicants(ctx, true);
    } else if (road == Road::Trusted) {
        // After `steps` implicates the engine is trusted (its bound is lifted; the engine's own
        // test checks the lifting) and the rest are recorded without being kept. A bound of 4n
        // steps, nothing per implicate, stops some runs before that: they keep all they record.
        ASSERT_TRUE(primal::implicantsFromClauses(ctx, 0, 0)) << where;
        bool done = primal::implicatesFromImplicants(ctx, true, 4 * uint64_t(n), 0, steps);
        Primes kept = sorted(ctx.implicates);
        EXPECT_TRUE(std::includes(want.implicates.begin(), want.implicates.end(), kept.begin(), kept.end())) << where;
        if (!done) {
            EXPECT_LT(kept.size(), steps) << where;
            EXPECT_EQ(sink.implicates.size(), kept.size()) << where;
            return;
        }
        EXPECT_EQ(kept.size(), std::min<size_t>(steps, want.implicates.size())) << where;
        EXPECT_EQ(sink.sorted().implicates, want.implicates) << where;
        trusted_finishes += want.implicates.size() > steps;
        return;
    } else if (road == Road::Binary) {
        // Clauses of at most two literals: the implicates (of at most `steps` literals, 0: all)
        // by propagation alone, no implicant needed.
        ctx.max_len = steps;
        primal::binaryImplicates(ctx);
        EXPECT_EQ(sink.sorted().implicates, atMost(want.implicates, steps)) << where;
        EXPECT_TRUE(sink.implicants.empty() && ctx.implicates.size() == 0) << where;
        return;
    } else if (road == Road::EndgameFromNothing) {
        // Bounded at `steps` literals (0: no bound), with passes that give way after a few new
        // implicants, or go on while most candidates are alive; the short implicants then come
        // from the clauses, as in a bounded run.
        ctx.max_len = steps;
        ctx.new_implicants_per_pass = 1 + steps % 3;
        primal::implicatesFromImplicants(ctx, false);
        if (steps != 0)
            primal::shortImplicantsFromClauses(ctx);
        else
            primal::completeImplicants(ctx);
    } else {
        // The policy with budgets so small that the engine gives up at once or midway, and a
        // dual-rail loop that hands over at its first conflict.
        Sat::DR_SolverWrapper dual;
        primal::setUpDualRail(dual, n);
        primal::RunOptions opts;
        opts.engine_steps = int64_t(steps), opts.engine_steps_per_prime = 0, opts.endgame_conflicts = 1;
        primal::enumeratePrimes(ctx, [&dual]() -> Sat::DR_SolverWrapper& { return dual; }, opts);
    }
    PrimeSets handed = sink.sorted();  // every prime handed over once
    EXPECT_EQ(handed.implicants, atMost(want.implicants, ctx.max_len)) << where;
    EXPECT_EQ(handed.implicates, atMost(want.implicates, ctx.max_len)) << where;
}

}  // namespace

TEST(Phases, EveryRoadGivesTheTruthTablePrimes) {
    std::mt19937 rng(2024);
    int done = 0, binary_rounds = 0;
    for (int round = 0; done < 400; round++) {
        int n = 1 + int(rng() % 10);
        Cnf f = randomCnf(rng, n, int(rng() % (3 * n + 2)), 1 + int(rng() % 4));
        if (!isSatisfiable(f, n)) continue;
        done++;
        std::string where = "round " + std::to_string(round) + "\n" + toDimacs(f, n);
        runRoad(f, n, Road::Clauses, 0, where + "clauses");
        runRoad(f, n, Road::Trusted, 1 + rng() % 4, where + "trusted");
        runRoad(f, n, Road::EndgameFromNothing, uint64_t(round % 5), where + "endgame");
        runRoad(f, n, Road::Mixed, 1 + rng() % 8, where + "mixed");
        if (primal::twoLiteralClauses(f)) runRoad(f, n, Road::Binary, rng() % 2, where + "binary"), binary_rounds++;
        if (HasFailure()) return;
    }
    EXPECT_GT(trusted_finishes, 50);
    EXPECT_GT(binary_rounds, 100);
}

// A refuted term that is not minimal (as a capped dual-rail term may be) shrinks to the negation
// of a prime implicate within it.
TEST(Phases, RefutedTermsShrinkToPrimeImplicates) {
    std::mt19937 rng(2325);
    int shrunk = 0;
    for (int round = 0; round < 300; round++) {
        const int n = 4 + int(rng() % 7);
        Cnf f = randomCnf(rng, n, n + int(rng() % (3 * n)), 2 + int(rng() % 3));
        if (!isSatisfiable(f, n)) continue;
        InProcess in(f, n);
        primal::RunContext& ctx = *in.run;
        const Primes implicates = bruteForcePrimes(f, n).implicates;
        std::vector<int> term, clause;
        for (int v = 1; v <= n; v++)
            if (rng() % 3 != 0) term.push_back(rng() % 2 ? v : -v);
        if (primal::primeOfTerm(ctx, term, 0, clause, true)) continue;
        std::sort(clause.begin(), clause.end());
        const std::string where = "round " + std::to_string(round) + "\n" + toDimacs(f, n);
        EXPECT_TRUE(std::binary_search(implicates.begin(), implicates.end(), clause)) << where;
        for (int l : clause) EXPECT_NE(std::find(term.begin(), term.end(), -l), term.end()) << where;
        shrunk += clause.size() < term.size();
        if (HasFailure()) return;
    }
    EXPECT_GT(shrunk, 30);
}

// Thousands of parts: every solver reserves its clause arena, so the parts must get theirs one
// at a time, and a run of 3000 two-clause parts fits in a 300 MB address space.
TEST(Phases, ManyPartsTakeTheirSolversInTurn) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#endif
    const int k = 3000;
    Cnf f;
    Primes implicants, implicates, term(1), units;  // the implicant: every a; the implicates: each a
    for (int a = 1; a < 2 * k; a += 2) {  // (a | b) & (a | -b)
        f.insert(f.end(), {{a, a + 1}, {a, -(a + 1)}});
        term[0].push_back(a), units.push_back({a});
    }
    RunResult r = runPrimal({"-mem-lim=300", "-print_all"}, toDimacs(f, 2 * k), 120);
    ASSERT_EQ(r.status, 0) << r.out.substr(r.out.size() > 300 ? r.out.size() - 300 : 0);
    parsePrimeLines(r.out, implicants, implicates);
    EXPECT_TRUE(implicants == term && implicates == units);
}

// Under a length bound the clause engine gives up on a formula with very many long implicants
// (fourteen pairs and a few links: over 8192 implicants of 14 literals): the short primes then
// come from the capped loop and the endgame, and must be the unbounded run's short ones.
TEST(Phases, LengthBoundAfterTheEngineGivesUp) {
    std::mt19937 rng(14);
    for (int round = 0; round < 3; round++) {
        Cnf f = pairsCnf(14);
        for (int i = 0; i < 4; i++) {
            std::vector<int> c;
            while (c.size() < 3) {
                const int v = 1 + int(rng() % 28);
                if (std::find(c.begin(), c.end(), v) == c.end() && std::find(c.begin(), c.end(), -v) == c.end())
                    c.push_back(rng() % 2 ? v : -v);
            }
            f.push_back(c);
        }
        const std::string dimacs = toDimacs(f, 28);
        Primes all[2];  // implicates, implicants (sorted, so their short ones are too)
        parsePrimeLines(runPrimal({"-print_all"}, dimacs).out, all[1], all[0]);
        ASSERT_GT(all[1].size(), 8192u) << dimacs;
        for (size_t k = 2; k <= 4; k++) {
            Primes bounded[2];
            parsePrimeLines(runPrimal({"-print_all", "-max-len=" + std::to_string(k)}, dimacs).out, bounded[1], bounded[0]);
            EXPECT_TRUE(bounded[0] == atMost(all[0], k) && bounded[1] == atMost(all[1], k)) << "k " << k << "\n" << dimacs;
        }
    }
}

// Formulas with many implicants, on which the policy never sets up the dual-rail loop, and its
// primes are a reference run's. Ten pairs linked by three-literal clauses (432 implicants, 16
// implicates): the engine finds the implicates in about a step per implicant, so it keeps them
// on a budget of a few steps per implicant, however small the clause phase's budget (10 steps,
// 5 per implicant); the reference is the loop without the engine. Two-literal clauses, a cycle
// of forty with four chords of negative literals (the implicants are covers of the cycle, over
// 2^14 of them): the implicates come from propagation, which keeps none in the store; the
// reference is the engine alone.
TEST(Phases, ManyImplicantsKeepTheLoopAway) {
    Cnf linked = pairsCnf(10), cycle;
    for (int i = 0; i + 1 < 10; i++) linked.push_back({-(2 * i + 2), 2 * i + 3, (i % 3 ? 1 : -1) * (2 * i + 4)});
    for (int v = 1; v <= 40; v++) cycle.push_back({v, v % 40 + 1});
    for (int v = 3; v <= 12; v += 3) cycle.push_back({-v, -(v + 20)});
    for (const bool two : {false, true}) {
        const int n = two ? 40 : 20;
        InProcess policy(two ? cycle : linked, n), reference(two ? cycle : linked, n);
        ASSERT_TRUE(primal::termConsistent(*policy.run, {}) && primal::termConsistent(*reference.run, {}));
        primal::RunOptions opts;
        if (!two) opts.engine_steps = 10, opts.engine_steps_per_prime = 5;
        primal::enumeratePrimes(*policy.run, []() -> Sat::DR_SolverWrapper& { throw std::logic_error("no loop"); }, opts);
        if (two) {
            ASSERT_TRUE(primal::implicantsFromClauses(*reference.run, 0, 0));
            ASSERT_TRUE(primal::implicatesFromImplicants(*reference.run, true));
            EXPECT_EQ(policy.run->implicates.size(), 0u);
        } else {
            Sat::DR_SolverWrapper dual;
            bool made = false;
            opts.engine_steps = 0;
            primal::enumeratePrimes(*reference.run, [&]() -> Sat::DR_SolverWrapper& {
                if (!made) primal::setUpDualRail(dual, n), made = true;
                return dual;
            }, opts);
            EXPECT_TRUE(made);
        }
        const PrimeSets got = policy.sink.sorted(), want = reference.sink.sorted();
        EXPECT_TRUE(got.implicants == want.implicants && got.implicates == want.implicates) << two;
        EXPECT_TRUE(two ? want.implicants.size() >= 1u << 14 && want.implicates.size() > 44
                        : want.implicants.size() == 432 && want.implicates.size() == 16) << two;
    }
}
