// The policy. The transversal engine is fast per prime and needs no solver, but has no
// propagation; the dual-rail loop propagates, but pays a solver call per prime and its last
// searches (proving that no candidate is left) can be very long. Measured: the engine wins by
// 10-30 times on formulas with few implicants and very many implicates (random 3-CNF), the loop
// wins where the implicates are few and long (the engine then walks large trees between two
// results). So each gets a budget and hands over when it runs out:
//  1. On a formula of moderate size the engine lists the prime implicants straight from the
//     clauses, then the implicates as the minimal transversals of the implicants, within a step
//     budget per phase that grows with the primes found (once it has found 2^20 implicates from
//     every implicant, it is trusted to finish). Before that, a formula that falls into
//     independent parts is split when the engine lists every implicant of every part.
//  2. Otherwise the dual-rail loop runs, with the primes the engine found kept out of the output
//     (see finish() for which are blocked); when one of its searches passes the conflict budget,
//     the engine takes over the rest of the implicates from the implicants found so far,
//     checking each candidate with the solver.
//  3. Either way the implicants the loop could not reach are the minimal consistent transversals
//     of the implicates.
// Clauses of at most two literals take a road of their own to the implicates (unit propagation,
// see binaryImplicates) where the implicants are many, or not asked for.
// A run asked for one side stops where that side is complete: after step 1 for the implicants
// when the engine lists them all, before step 3 for the implicates. Asked for the implicates,
// step 1 gives up on very many implicants (max_unasked_implicants), which it would hold without
// printing anything.
//
// A run bounded to primes of at most k literals (ctx.max_len) keeps the roads, with every
// search bounded at k: the engine is pruned at k, the dual-rail loop's terms are capped at k
// (see DualRailLoop.cc). Only the implicants need another road: a short implicant is a minimal
// transversal of all the implicates, long ones included, which the bounded run does not find,
// so step 3 gives way to the engine on the clauses pruned at k, which is exact and needs no
// implicate. Step 1 still lists every implicant when it can (the implicates up to k are then
// the transversals up to k of them), but gives up on a formula with very many long ones; asked
// for the implicants only, a bounded run goes straight to the engine pruned at k. The split into
// parts is left out: a part's implicants would have to be listed whatever their length.
#include "enumerate/Policy.h"

#include <algorithm>

#include "enumerate/ByParts.h"
#include "enumerate/CandidateStep.h"
#include "formula/DualRailSearch.h"
#include "enumerate/Phases.h"
#include "formula/Decomposition.h"

using namespace Sat;

namespace primal {

namespace {

// Clause sets beyond this many literal occurrences go straight to the dual-rail loop: without
// propagation the engine has little chance on them, and its copy of the clauses would cost
// memory the formula solver needs.
constexpr size_t max_engine_occurrences = 4000000;

// Under a length bound, implicants longer than it that step 1 lists before it gives up: they
// are never recorded, and with this many the short implicates are better served by the loop.
// Listing them costs about a microsecond each, and once step 1 gives up they are dropped (as
// blocking clauses and edges of the endgame they cost more than they save): a probe whether the
// implicants are few. Where they are, listing them all pays: flat30-1 (900, all long) gives its
// 571785 implicates of at most 4 literals in 0.06 s from them; random 3-CNF at m/n = 4, n = 100
// (4679 implicants): 0.04 s against 0.18 s for those of at most 3 literals. Where they are
// millions (random 3-CNF at m/n = 2-3), 65536 of them took 0.07 s, most of a run at K = 3.
constexpr uint64_t max_long_implicants = uint64_t(1) << 13;
// Asked for the implicates only, the run records no implicant, yet step 1 keeps every one it
// lists, since the implicates from the implicants need them all. Where they are millions (random
// 3-CNF, n = 100, m/n = 2-3) it held 2.5-2.9 GB after 6 s without one implicate printed, on its
// way to running out of memory. So it gives up after this many and drops them, and the loop
// prints implicates from the start (it finds the implicants it needs to block): 39795 in 10 s at
// m/n = 2, 283092 at m/n = 3, in 330-370 MB. Below it the engine's road stays, which is the fast
// one where the implicates are few: 21 linked pairs (279936 implicants, 35 implicates, see
// finish()) 0.8 s against 11.4 s in the loop, 23 pairs (839808) 4.4 s. At 2^18 implicants the
// random rows gave about as many implicates in 10 s, in 100-150 MB.
constexpr uint64_t max_unasked_implicants = uint64_t(1) << 20;
// Clauses of at most two literals have implicates of at most two, which unit propagation finds
// (binaryImplicates) in 2n propagations; the engine's transversals walk the implicants, about a
// microsecond each on random such formulas (n = m = 60..80: 75000 implicants 0.07 s against
// 0.007 s, 1.9 million 3.8 s against 0.14 s; n = m = 100: 13.8 million in one part, no end in
// sight after 60 s, against 5.8 s for the whole run). Below this many implicants the engine
// stays, and with it the order of the lines.
constexpr size_t min_binary_implicants = size_t(1) << 14;
// The dual-rail loop's conflict budget under a length bound (see finish()).
constexpr int64_t max_bounded_loop_conflicts = 10;

// Literal occurrences of the clauses that the formula solver's root assignment leaves open,
// counting only their open literals: what the engine would get after the fixed literals.
size_t unfixedOccurrences(const SolverWrapper& formula) {
    const Solver& fs = *formula.solver;
    size_t total = 0;
    for (const std::vector<int>& c : formula.cls) {
        size_t open = 0;
        bool satisfied = false;
        for (int l : c) {
            const lbool v = fs.value(dimacsLit(l));
            if (v == l_True) satisfied = true;
            open += v == l_Undef;
        }
        if (!satisfied) total += open;
    }
    return total;
}

struct EngineBudget {
    uint64_t steps, per_prime;  // steps 0: the engine does not run
};

EngineBudget engineBudget(const std::vector<std::vector<int>>& clauses, uint64_t first_check_conflicts,
                          const RunOptions& opts) {
    size_t occ = 0;
    for (const std::vector<int>& c : clauses) occ += c.size();
    if (opts.engine_steps <= 0 || occ > max_engine_occurrences) return {0, 0};
    EngineBudget b{uint64_t(opts.engine_steps), uint64_t(opts.engine_steps_per_prime)};
    // A step walks occurrence lists, so it costs more on a larger clause set, where a search
    // without propagation is also less likely to get far: the budget shrinks beyond 4000
    // literal occurrences.
    if (occ > 4000) b.steps = std::max<uint64_t>(1, b.steps * 4000 / occ);
    // So it does where the solver needed many conflicts to find the formula satisfiable: the
    // engine meets the same search without the propagation (par16-2-c: 13700 conflicts, no
    // implicant in 250000 steps; CBS: about 300, every implicant within the budget).
    if (first_check_conflicts > 1000) b.steps = std::max<uint64_t>(1, b.steps * 1000 / first_check_conflicts);
    return b;
}

// Primes an earlier phase recorded, which the loop must not record again (sorted literal lists).
void remember(const PrimeStore& store, std::set<std::vector<int>>& earlier) {
    std::vector<int> p;
    store.forEach([&](const int* b, const int* e) {
        p.assign(b, e);
        std::sort(p.begin(), p.end());
        earlier.insert(p);
    });
}

// Blocks the implicants in ctx's store in the dual-rail solver: later terms hold the complement
// of one literal of each.
void blockImplicants(const RunContext& ctx, DR_SolverWrapper& dual) {
    std::vector<int> prime;
    ctx.implicants.forEach([&](const int* b, const int* e) {
        prime.assign(b, e);
        dual.addDualRailCls(prime, false, true);
    });
}

// A literal the formula solver fixed at the root is a one-literal implicate (of G too when its
// variable is of interest). The loop would find each with a search and block it by undoing every
// level from its rail's on: half the trail per literal, quadratic on n unit clauses. As root
// facts of the dual-rail solver before its first search they cost a propagation each.
void rootFactsFirst(RunContext& ctx, DR_SolverWrapper& dual) {
    std::vector<int> unit(1);
    for (int l : rootFixedLiterals(*ctx.formula.solver)) {
        if (ctx.projected && !ctx.in_x[size_t(std::abs(l))]) continue;
        unit[0] = l;
        dual.addDualRailCls(unit, true, true);
        if (storeUnlessEarlier(ctx, false, unit)) ctx.record(false, unit);
    }
}

// Every prime not yet recorded, given whether ctx.implicants holds every prime implicant.
void finish(RunContext& ctx, const DualRailMaker& dual_rail, const RunOptions& opts,
            bool all_implicants, const EngineBudget& b) {
    if (b.steps > 0) {
        // The implicates from the implicants start on a smaller budget than the implicants from
        // the clauses but get as much per prime: where the engine does well it needs 5-50 steps
        // per implicate (random 3-CNF, CBS, gh_4; a step costs well under a microsecond on their
        // long edges), and where it does badly the loop is quick to take them. A step adds one
        // literal, so a long implicate needs its length in steps: 4n more. The loop would meet
        // every implicant again (they are not blocked, see below), a solver call each, so the
        // engine also gets a few steps per implicant: on random 2-CNF, with tens of thousands of
        // implicants and a hundred implicates, it needed 1 to 2.3 steps per implicant, while the
        // loop took 3 to 10 times as long. Capped at the first phase's budget, that sent 21
        // linked pairs (279936 implicants, 35 implicates, one step per implicant) to the loop:
        // 14.5 s against 0.8 s.
        if (all_implicants && ctx.implicants.size() >= min_binary_implicants && twoLiteralClauses(ctx.formula.cls)) {
            binaryImplicates(ctx);
            return;
        }
        if (all_implicants &&
            implicatesFromImplicants(ctx, true,
                                     b.steps / 100 + 4 * uint64_t(ctx.n) + 4 * ctx.implicants.size(),
                                     b.per_prime))
            return;
        // What the engine found must not be recorded again. Some implicants only: blocked, so the
        // loop does not spend its searches on them again. Every implicant: not blocked (every
        // candidate would then be an implicate, and the loop measured up to three times slower
        // on such a solver) but remembered, like the implicates.
        if (all_implicants)
            remember(ctx.implicants, ctx.earlier_implicants);
        else
            blockImplicants(ctx, dual_rail());
        remember(ctx.implicates, ctx.earlier_implicates);
    }
    DR_SolverWrapper& dual = dual_rail();
    capTermLength(dual, ctx.test_vars, ctx.max_len);
    rootFactsFirst(ctx, dual);
    int64_t budget = opts.endgame_conflicts > 0 ? opts.endgame_conflicts : -1;
    // Capped, the dual-rail searches grow hard fast (a short term that hits the complement of
    // every blocked implicant), while the engine pruned at the bound stays cheap: random 3-CNF,
    // n = 60..100, 5-20 s and more to list every prime up to 4 literals handing over after 20000
    // conflicts; after 1000, the loop took 0.05-0.08 s for a handful of implicates, after 100
    // a few milliseconds (flat30-1 at K = 3 without the engine: 0.09 s against 0.5 s), and
    // after 10 it costs less again: random 3-CNF at K = 3, 5-43% fewer instructions for the
    // whole run (n = 60, m = 120: 138 M -> 78 M); at K = 4 from 6% fewer to 14% more.
    if (ctx.max_len != 0 && budget > max_bounded_loop_conflicts) budget = max_bounded_loop_conflicts;
    if (dualRailLoop(ctx, dual, budget) == LoopEnd::OverBudget) implicatesFromImplicants(ctx, false);
    // The implicants the loop could not reach are all that is left to find; with every implicant
    // known there is nothing to complete, and the search would walk every one of them again as
    // a known set.
    if (!all_implicants && opts.side != Side::Implicates) {
        if (ctx.max_len != 0)
            shortImplicantsFromClauses(ctx);
        else
            completeImplicants(ctx);
    }
}

// When the formula falls into two or more parts beside its root-fixed literals, or into none,
// and the engine lists every prime implicant of every part within its budget, records every
// prime (first the implicants, as products, then the fixed literals and each part's
// implicates) and returns true. Otherwise records nothing and returns false: one part is better
// served by the whole formula's solver, which has already searched, and a part whose
// implicants the engine cannot list would hold back the products until the very end. An
// implicant of the whole can only be recorded once every part's implicants are known, so an
// interrupted run would otherwise lose them all.
bool enumerateByParts(RunContext& ctx, const RunOptions& opts) {
    std::vector<int> fixed = rootFixedLiterals(*ctx.formula.solver);
    Decomposition d = decompose(ctx.formula.cls, ctx.n, fixed);
    assert(!d.contradictory);  // the formula is satisfiable
    if (d.contradictory || d.parts.size() == 1 || (fixed.empty() && d.parts.empty())) return false;

    // The engine needs no solver: a part gets its solvers (each reserving its clause arena) only
    // when its turn comes, one part at a time.
    std::vector<int> scratch(size_t(ctx.n) + 1, 0);
    std::vector<PrimeStore> implicants(d.parts.size());
    for (size_t i = 0; i < d.parts.size(); i++) {
        FormulaPart& part = d.parts[i];
        numberLocally(part, scratch);
        const EngineBudget b = engineBudget(part.clauses, ctx.first_check_conflicts, opts);
        if (b.steps == 0 || !implicantsOfClauses(part.clauses, int(part.vars.size()), implicants[i], b.steps,
                                                 b.per_prime, ctx.times))
            return false;
    }
    recordProducts(ctx, fixed, d.parts, implicants);
    if (opts.side == Side::Implicants) return true;  // every implicant is recorded
    std::vector<int> units;
    for (int l : fixed) units.push_back(ctx.inputLit(l));
    std::sort(units.begin(), units.end());
    for (int l : units) {
        std::vector<int> unit{l};
        ctx.out.recordInput(false, unit);
    }
    for (size_t i = 0; i < d.parts.size(); i++)
        runPart(ctx, d.parts[i], std::move(implicants[i]), [&](RunContext& sub, const DualRailMaker& dual_rail) {
            finish(sub, dual_rail, opts, true, engineBudget(sub.formula.cls, sub.first_check_conflicts, opts));
        });
    return true;
}

// Every prime of G, the formula with the variables outside X forgotten. A clause over X is
// implied by G exactly when the formula implies it, so G's prime implicates are the formula's
// prime implicates within X; G's prime implicants are the consistent minimal transversals of
// those, which the completion finds once they are all known. To find the implicates:
//  - the engine: they are the consistent minimal transversals over X of the formula's prime
//    implicants restricted to X (an implicate over X hits each implicant within X);
//  - the dual-rail loop over X's rails alone (both rails of a variable outside X are true, so no
//    candidate holds it): an inconsistent candidate is maximal among the terms over X, so its
//    negation is a prime implicate of G as before; a consistent one reduces to an implicant p of
//    the formula, blocked by p's literals over X: a later term must contradict one of them,
//    since a term over X that agrees with p within X is consistent with p, hence no implicate.
// An implicant with no literal over X makes G valid: its one prime implicant is the empty term.
//
// The engine's phases over the restricted implicants and over G's implicates see only X, so
// they run on X's variables numbered 1..|X| (xs below): on the formula's variables they would
// get 2n vertices of which all but 2|X| are idle, which keeps them off the bit-set search
// (Tseitin multiplier bits: 12 inputs, 89 gates, 10-25 times slower per prime than the same
// function given by its truth table).
void enumerateProjected(RunContext& ctx, const DualRailMaker& dual_rail, const RunOptions& opts) {
    ctx.defer_implicants = true;  // the formula's implicants are no primes of G
    EngineBudget b = engineBudget(ctx.formula.cls, ctx.first_check_conflicts, opts);
    // The engine gets more steps per prime than on the whole formula: here a consistent
    // candidate of the loop prints nothing (it only blocks), and G's implicants come from the
    // completion whichever road found the implicates, so the loop pays a solver call and a
    // reduction for what the engine gives in a few hundred steps (Tseitin multiplier bits of
    // 16 inputs: 200-800 steps per implicant of the formula; on the loop they took 2-3 times
    // as long as the engine's whole run).
    b.per_prime *= 8;
    const bool all_implicants = b.steps > 0 && implicantsFromClauses(ctx, b.steps, b.per_prime);
    std::vector<int> to_x(size_t(ctx.n) + 1, 0), from_x(1, 0), x_input(1, 0);
    for (int v = 1; v <= ctx.n; v++)
        if (ctx.in_x[size_t(v)]) {
            to_x[size_t(v)] = int(from_x.size());
            from_x.push_back(v);
            x_input.push_back(ctx.inputLit(v));
        }
    const int k = int(from_x.size()) - 1;
    // Maps a prime between the two numberings (the formula's -> X's with to_x, back with from_x).
    auto mapped = [](const int* p, const int* e, const std::vector<int>& to, std::vector<int>& out) {
        out.clear();
        for (; p != e; ++p) out.push_back(*p < 0 ? -to[size_t(-*p)] : to[size_t(*p)]);
    };
    RunContext xs(ctx.formula, k, ctx.out, std::move(x_input));  // the formula is never asked here
    xs.defer_implicants = true;
    PrimeStore restricted;
    std::vector<int> prime, over_x;
    ctx.implicants.forEach([&](const int* p, const int* e) {
        prime.assign(p, e);
        ctx.restrictToX(prime);
        restricted.add(prime);
        mapped(prime.data(), prime.data() + prime.size(), to_x, over_x);
        xs.implicants.add(over_x);
    });
    ctx.implicants = std::move(restricted);
    // Every implicate is kept: the completion needs them all.
    const uint64_t keep_all = ~uint64_t(0);
    const bool engine_done =
        !ctx.g_valid && all_implicants &&
        implicatesFromImplicants(xs, true, b.steps / 100 + 4 * uint64_t(ctx.n), b.per_prime, keep_all);
    if (!ctx.g_valid && !engine_done) {
        // What the engine found, in the formula's numbering, for the loop to leave out.
        xs.implicates.forEach([&](const int* p, const int* e) {
            mapped(p, e, from_x, prime);
            ctx.implicates.add(prime);
        });
        xs.implicates = PrimeStore();
        DR_SolverWrapper& dual = dual_rail();
        std::vector<int> unit(1);
        for (int v = 1; v <= ctx.n; v++)
            if (!ctx.in_x[size_t(v)])
                for (int l : {v, -v}) unit[0] = l, dual.addDualRailCls(unit, true, true);
        blockImplicants(ctx, dual);
        remember(ctx.implicates, ctx.earlier_implicates);
        rootFactsFirst(ctx, dual);
        int64_t budget = opts.endgame_conflicts > 0 ? opts.endgame_conflicts : -1;
        if (dualRailLoop(ctx, dual, budget) == LoopEnd::OverBudget && !ctx.g_valid) implicatesFromImplicants(ctx, false);
        ctx.implicates.forEach([&](const int* p, const int* e) {
            mapped(p, e, to_x, prime);
            xs.implicates.add(prime);
        });
    }
    ctx.defer_implicants = false;
    if (ctx.g_valid) {
        ctx.record(true, {});
        return;
    }
    if (opts.side == Side::Implicates) return;
    xs.defer_implicants = false;
    xs.implicants = PrimeStore();  // the formula's, as edges; G's are all still to be found
    completeImplicants(xs);
}

}  // namespace

void enumeratePrimes(RunContext& ctx, const DualRailMaker& dual_rail, const RunOptions& opts) {
    if (ctx.projected) {
        enumerateProjected(ctx, dual_rail, opts);
        return;
    }
    // Asked for the implicates of clauses of at most two literals, the run needs no implicant.
    if (opts.side == Side::Implicates && opts.engine_steps > 0 && twoLiteralClauses(ctx.formula.cls)) {
        binaryImplicates(ctx);
        return;
    }
    // Parts are worth their set-up only where the engine may run; without it the run keeps the
    // single dual-rail search over the whole formula. What the engine would get are the clauses
    // left by the root-fixed literals: n unit clauses leave none, whatever n.
    if (ctx.max_len == 0 && opts.engine_steps > 0 && unfixedOccurrences(ctx.formula) <= max_engine_occurrences &&
        enumerateByParts(ctx, opts))
        return;
    if (ctx.max_len != 0 && opts.side == Side::Implicants) {
        shortImplicantsFromClauses(ctx);
        return;
    }
    const EngineBudget b = engineBudget(ctx.formula.cls, ctx.first_check_conflicts, opts);
    const uint64_t max_unrecorded = ctx.max_len != 0                  ? max_long_implicants
                                    : opts.side == Side::Implicates ? max_unasked_implicants
                                                                    : UINT64_MAX;
    const bool all_implicants = b.steps > 0 && implicantsFromClauses(ctx, b.steps, b.per_prime, max_unrecorded);
    // What the run does not record only gets in the way (see above): under a length bound once
    // step 1 gives up, the implicates only once it gave up on their number.
    if (!all_implicants && (ctx.max_len != 0 || ctx.implicants.size() > max_unrecorded)) {
        PrimeStore kept;
        ctx.implicants.forEach([&](const int* p, const int* e) {
            if (ctx.max_len != 0 && size_t(e - p) <= ctx.max_len) kept.add(std::vector<int>(p, e));
        });
        ctx.implicants = std::move(kept);
    }
    // Asked for the implicants only: no implicate is computed once the engine has them all.
    if (all_implicants && opts.side == Side::Implicants) return;
    finish(ctx, dual_rail, opts, all_implicants, b);
}

}  // namespace primal
