// The phases of an enumeration. The dual-rail loop asks the dual-rail solver for candidate terms;
// the others run on the minimal-transversal engine instead. Treat a term or clause as a set of literals:
//  - a consistent term implies the formula exactly when it hits every non-tautological clause,
//    so the prime implicants are the consistent minimal transversals of those clauses;
//  - the prime implicates are the consistent minimal transversals of all prime implicants, and
//    the prime implicants those of all prime implicates.
// Each phase records (prints and counts) what it finds through the run context, at once, so an
// interrupted run loses nothing; its search time counts as maximal-model time.
#ifndef PRIMAL_ENUMERATE_PHASES_H
#define PRIMAL_ENUMERATE_PHASES_H

#include <cstdint>
#include <vector>

#include "enumerate/RunContext.h"
#include "formula/SolverWrapper.h"

namespace primal {

// Keeps a prime that the engine found without a solver call: with `store`, kept in ctx's store
// of its kind; recorded; one tick of the engine's timer.
void keepFound(RunContext& ctx, PhaseTimer& timer, bool implicant, const std::vector<int>& found, bool store = true);

class TransversalEngine;
// Lets a phase's engine search be watched while it finds nothing: the caller's interruption
// check every TransversalEngine::poll_interval steps, `timer` refreshed every 16 times that
// (progress reports read it).
void watchEngine(RunContext& ctx, PhaseTimer& timer, TransversalEngine& engine);

// Implicates the engine keeps before it is trusted to finish (about 70 MB of them).
constexpr uint64_t max_kept_implicates = uint64_t(1) << 20;

// Every prime implicant, from the clauses alone (no solver call), unless the engine passes
// `steps` search steps (plus per_prime for each prime found) first; returns whether it finished.
// Implicants found before giving up are recorded and stay in ctx.implicants. It also gives up
// once it has found more than max_unrecorded implicants that the run does not record (longer
// than the length bound, or any when the implicants are not asked for); those are kept too.
bool implicantsFromClauses(RunContext& ctx, uint64_t steps, uint64_t per_prime,
                           uint64_t max_unrecorded = UINT64_MAX);
// Under a length bound: every prime implicant of at most ctx.max_len literals not yet in
// ctx.implicants, from the clauses, with no step bound.
void shortImplicantsFromClauses(RunContext& ctx);
// The same for a clause set alone (variables 1..n), into `out`, recording nothing; its time
// goes to the maximal-model timer of `times`.
bool implicantsOfClauses(const std::vector<std::vector<int>>& clauses, int n, PrimeStore& out, uint64_t steps,
                         uint64_t per_prime, PhaseTimes& times);

// The prime implicates not yet in ctx.implicates. With `implicants_complete`, every minimal
// transversal of the implicants is one, and no solver call is made. Otherwise each candidate
// (a minimal transversal of the implicants found so far that is no known implicate) is checked
// with the formula solver: refuted, it is a prime implicate; otherwise its model reduces to a new
// prime implicant. Passes repeat until one finds no new implicant. Returns false when a pass
// passes `steps` search steps (plus per_prime for each prime found; 0: no bound) first; what it
// found stays recorded. With `implicants_complete`, once `trust_after` implicates are found the
// engine has shown it is productive and is trusted to finish: the step bound is lifted, and the
// implicates found after that are recorded but not kept in ctx.implicates (nothing after this
// phase reads them), so memory stops growing with them.
bool implicatesFromImplicants(RunContext& ctx, bool implicants_complete, uint64_t steps = 0,
                              uint64_t per_prime = 0, uint64_t trust_after = max_kept_implicates);

// Whether every clause has at most two literals; then every prime implicate has at most two.
bool twoLiteralClauses(const std::vector<std::vector<int>>& cls);
// Every prime implicate (of at most ctx.max_len literals) of a satisfiable formula of such
// clauses, from unit propagation in the formula solver: the units by variable, then the binary
// clauses by their first variable. Nothing is kept in ctx.implicates.
void binaryImplicates(RunContext& ctx);

enum class LoopEnd { Exhausted, OverBudget };
// Runs the dual-rail loop until no candidate is left or one search of the dual-rail solver
// passes `conflict_budget` conflicts (negative: no budget).
LoopEnd dualRailLoop(RunContext& ctx, Sat::DR_SolverWrapper& dual, int64_t conflict_budget);

// The prime implicants not yet in ctx.implicants, once ctx.implicates holds every prime
// implicate.
void completeImplicants(RunContext& ctx);

}  // namespace primal

#endif
