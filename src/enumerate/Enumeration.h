// The run sequence: read the formula, set up the dual-rail solver, check satisfiability, then
// enumerate every prime implicant and prime implicate and print the final report.
#ifndef PRIMAL_CORE_ENUMERATION_H
#define PRIMAL_CORE_ENUMERATION_H

#include <cstdint>
#include <functional>
#include <zlib.h>

#include "enumerate/PrimeStore.h"
#include "enumerate/Reports.h"
#include "formula/SolverWrapper.h"

namespace primal {

struct RunOptions {
    bool print_all = false;
    bool print_time = false;
    // Search steps of the transversal engine (plus engine_steps_per_prime for each prime it
    // finds) before the dual-rail loop takes over (0: the loop from the start). Where the engine
    // works well it needs a handful of steps per prime; where it has to search without
    // propagation it needs thousands, and the solver does better.
    int64_t engine_steps = 250000;
    int64_t engine_steps_per_prime = 100;
    // Conflicts of one dual-rail search before the transversal endgame takes over (0: never).
    int64_t endgame_conflicts = 20000;
};

// Runs the whole sequence on an open stream (closed here, on errors too) and returns the exit status:
// 0 after the final report or "Formula UNSAT...exiting", 1 for an internal failure.
// Throws Sat::ParseError on a syntax error, Sat::ReadError when the input cannot be read whole
// and Sat::OutOfMemoryException when memory runs out.
int runSequence(Sat::SolverWrapper& formula, Sat::DR_SolverWrapper& dual, gzFile in, const RunOptions& opts);

struct RunContext;
class PrimeStore;
// The enumeration proper, once the formula is known satisfiable and its occurrence lists are
// built: every prime recorded once, by whichever engines the policy picks.
void enumeratePrimes(RunContext& ctx, Sat::DR_SolverWrapper& dual, const RunOptions& opts);
// For a caller that needs every implicant before any implicate (a part of a formula): whether
// the policy lets the engine run on a clause set at all; the engine's prime implicants of a
// clause set (variables 1..n; with the conflicts the formula's satisfiability check needed) into
// `out`, recording nothing, true when it found them all within the policy's budget; and the rest
// of the primes of ctx, told whether ctx.implicants already holds every prime implicant, and
// given the dual-rail solver (set up for ctx's variables) only if it needs one.
bool engineApplies(const std::vector<std::vector<int>>& clauses, const RunOptions& opts);
bool partImplicants(const std::vector<std::vector<int>>& clauses, int n, uint64_t first_check_conflicts,
                    const RunOptions& opts, PrimeStore& out);
void finishPrimes(RunContext& ctx, const std::function<Sat::DR_SolverWrapper&()>& dual_rail, const RunOptions& opts,
                  bool all_implicants);

}  // namespace primal

#endif
