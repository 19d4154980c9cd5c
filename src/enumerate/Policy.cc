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
// A run asked for one side stops where that side is complete: after step 1 for the implicants
// when the engine lists them all, before step 3 for the implicates.
#include "enumerate/Policy.h"

#include <algorithm>

#include "enumerate/ByParts.h"
#include "enumerate/Phases.h"
#include "formula/Decomposition.h"

using namespace Sat;

namespace primal {

namespace {

// Clause sets beyond this many literal occurrences go straight to the dual-rail loop: without
// propagation the engine has little chance on them, and its copy of the clauses would cost
// memory the formula solver needs.
constexpr size_t max_engine_occurrences = 4000000;

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

// Every prime not yet recorded, given whether ctx.implicants holds every prime implicant.
void finish(RunContext& ctx, const std::function<DR_SolverWrapper&()>& dual_rail, const RunOptions& opts,
            bool all_implicants, const EngineBudget& b) {
    if (b.steps > 0) {
        // The implicates from the implicants start on a smaller budget than the implicants from
        // the clauses but get as much per prime: where the engine does well it needs 5-50 steps
        // per implicate (random 3-CNF, CBS, gh_4; a step costs well under a microsecond on their
        // long edges), and where it does badly the loop is quick to take them. A step adds one
        // literal, so a long implicate needs its length in steps: 4n more.
        if (all_implicants &&
            implicatesFromImplicants(ctx, true, b.steps / 100 + 4 * uint64_t(ctx.n), b.per_prime))
            return;
        // What the engine found must not be recorded again. Some implicants only: blocked, so the
        // loop does not spend its searches on them again. Every implicant: not blocked (every
        // candidate would then be an implicate, and the loop measured up to three times slower
        // on such a solver) but remembered, like the implicates.
        auto remember = [](const PrimeStore& store, std::set<std::vector<int>>& earlier) {
            store.forEach([&](const int* b, const int* e) {
                std::vector<int> p(b, e);
                std::sort(p.begin(), p.end());
                earlier.insert(std::move(p));
            });
        };
        if (all_implicants) {
            remember(ctx.implicants, ctx.earlier_implicants);
        } else {
            std::vector<int> prime;
            DR_SolverWrapper& dual = dual_rail();
            ctx.implicants.forEach([&](const int* b, const int* e) {
                prime.assign(b, e);
                dual.addDualRailCls(prime, false, true);  // later terms hold the complement of one literal
            });
        }
        remember(ctx.implicates, ctx.earlier_implicates);
    }
    int64_t budget = opts.endgame_conflicts > 0 ? opts.endgame_conflicts : -1;
    if (dualRailLoop(ctx, dual_rail(), budget) == LoopEnd::OverBudget) implicatesFromImplicants(ctx, false);
    // The implicants the loop could not reach are all that is left to find.
    if (opts.side != Side::Implicates) completeImplicants(ctx);
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

}  // namespace

void enumeratePrimes(RunContext& ctx, const std::function<DR_SolverWrapper&()>& dual_rail, const RunOptions& opts) {
    const EngineBudget b = engineBudget(ctx.formula.cls, ctx.first_check_conflicts, opts);
    // Parts are worth their set-up only where the engine may run; without it the run keeps the
    // single dual-rail search over the whole formula.
    if (b.steps > 0 && enumerateByParts(ctx, opts)) return;
    const bool all_implicants = b.steps > 0 && implicantsFromClauses(ctx, b.steps, b.per_prime);
    // Asked for the implicants only: no implicate is computed once the engine has them all.
    if (all_implicants && opts.side == Side::Implicants) return;
    finish(ctx, dual_rail, opts, all_implicants, b);
}

}  // namespace primal
