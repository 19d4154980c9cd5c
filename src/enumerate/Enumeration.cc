#include "enumerate/Enumeration.h"

#include <algorithm>
#include <functional>

#include "enumerate/Decomposition.h"
#include "enumerate/DualRailSearch.h"
#include "enumerate/PrimeReduction.h"
#include "enumerate/PrimeStore.h"
#include "formula/Renumbering.h"
#include "enumerate/RunContext.h"
#include "enumerate/TransversalPhases.h"
#include "utils/Output.h"
#include "utils/ParseUtils.h"

using namespace Sat;

namespace primal {

namespace {

// Clause sets beyond this many literal occurrences go straight to the dual-rail loop: without
// propagation the engine has little chance on them, and its copy of the clauses would cost
// memory the formula solver needs.
constexpr size_t max_engine_occurrences = 4000000;

size_t occurrences(const std::vector<std::vector<int>>& clauses) {
    size_t total = 0;
    for (const std::vector<int>& c : clauses) total += c.size();
    return total;
}

}  // namespace

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
//     independent parts is split when the engine lists every implicant of every part
//     (Decomposition.h).
//  2. Otherwise the dual-rail loop runs, with the primes the engine found kept out of the output
//     (see below for which are blocked); when one of its searches passes the conflict budget,
//     the engine takes over the rest of the implicates from the implicants found so far,
//     checking each candidate with the solver.
//  3. Either way the implicants the loop could not reach are the minimal consistent transversals
//     of the implicates.
namespace {

struct EngineBudget {
    uint64_t steps, per_prime;  // steps 0: the engine does not run
};

EngineBudget engineBudget(const std::vector<std::vector<int>>& clauses, uint64_t first_check_conflicts,
                          const RunOptions& opts) {
    const size_t occ = occurrences(clauses);
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
        // What the engine found must not be printed again. Some implicants only: blocked, so the
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
    completeImplicants(ctx);
}

}  // namespace

bool engineApplies(const std::vector<std::vector<int>>& clauses, const RunOptions& opts) {
    return engineBudget(clauses, 0, opts).steps > 0;
}

bool partImplicants(const std::vector<std::vector<int>>& clauses, int n, uint64_t first_check_conflicts,
                    const RunOptions& opts, PrimeStore& out) {
    const EngineBudget b = engineBudget(clauses, first_check_conflicts, opts);
    return b.steps > 0 && implicantsOfClauses(clauses, n, out, b.steps, b.per_prime);
}

void finishPrimes(RunContext& ctx, const std::function<DR_SolverWrapper&()>& dual_rail, const RunOptions& opts,
                  bool all_implicants) {
    finish(ctx, dual_rail, opts, all_implicants, engineBudget(ctx.formula.cls, ctx.first_check_conflicts, opts));
}

void enumeratePrimes(RunContext& ctx, DR_SolverWrapper& dual, const RunOptions& opts) {
    const EngineBudget b = engineBudget(ctx.formula.cls, ctx.first_check_conflicts, opts);
    const bool all_implicants = b.steps > 0 && implicantsFromClauses(ctx, b.steps, b.per_prime);
    finish(ctx, [&dual]() -> DR_SolverWrapper& { return dual; }, opts, all_implicants, b);
}

int runSequence(SolverWrapper& formula, DR_SolverWrapper& dual, gzFile input, const RunOptions& opts) {
    InputStream in(input);
    formula.readInstance(in.get());
    // From here on the formula is over its occurring variables only (see Renumbering.h); the
    // largest input index is still what the run reports.
    std::vector<int> orig_var = renumberDensely(formula.cls, formula.maxVar);
    const int n = orig_var.empty() ? formula.maxVar : int(orig_var.size()) - 1;
    formula.ensureVar(n);
    formula.pushInstance();

    formula.nOrigVars = formula.maxVar;
    outPrintf("Vars to test: %d\n", formula.maxVar);
    in.close();

    RunContext ctx(formula, n, opts.print_all, std::move(orig_var));
    setUpDualRail(dual, n);
    outPrintf("Using %s model\n", "maximal");

    if (!termConsistent(ctx, {})) {
        outPuts("Formula UNSAT...exiting");
        return 0;
    }
    ctx.first_check_conflicts = formula.solver->conflicts;
    formula.solver->exempt_binary_learnts = true;  // from here on it checks candidate terms

    time_max_m.store(0.0);
    time_sat_call.store(0.0);
    time_reduction.store(0.0);
    print_time_interval.store(opts.print_time);

    if (!primeutil::buildOccLists(formula.cls)) {
        outPuts("Error...one clause contains a 0 literal");
        return 1;
    }

    // Parts are worth their set-up only where the engine may run; without it the run keeps the
    // single dual-rail search over the whole formula.
    if (!(engineApplies(formula.cls, opts) && enumerateByParts(ctx, opts)))
        enumeratePrimes(ctx, dual, opts);
    printFinalReport();
    return 0;
}

}  // namespace primal
