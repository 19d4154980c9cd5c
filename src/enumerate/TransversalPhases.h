// The phases of an enumeration that run on the minimal-transversal engine instead of the
// dual-rail solver. Treat a term or clause as a set of literals:
//  - a consistent term implies the formula exactly when it hits every non-tautological clause,
//    so the prime implicants are the consistent minimal transversals of those clauses;
//  - the prime implicates are the consistent minimal transversals of all prime implicants, and
//    the prime implicants those of all prime implicates.
// Each phase records (prints and counts) what it finds through the run context, at once, so an
// interrupted run loses nothing; its search time counts as maximal-model time.
#ifndef PRIMAL_CORE_TRANSVERSALPHASES_H
#define PRIMAL_CORE_TRANSVERSALPHASES_H

#include <cstdint>
#include <vector>

#include "enumerate/RunContext.h"

namespace primal {


// Keeps a prime that the engine found without a solver call: stored, recorded, and its time
// charged to the maximal-model timer. Progress reports read the timers, so they are brought up
// to date every 4096 primes, without a system call per prime.
class EngineFinds {
public:
    EngineFinds();
    ~EngineFinds();  // charges the time since the last stamp
    // Records a prime; with `store`, also keeps it in ctx's store of its kind.
    void keep(RunContext& ctx, bool implicant, const std::vector<int>& found, bool store = true);
    void restart();                 // charges the time up to now
    void chargeUntil(double now);   // charges the time up to `now` (a time stamp)
    void resumeFrom(double now);    // time up to `now` went elsewhere: charge none of it

private:
    double t0;
    uint32_t count = 0;
    std::vector<int> prime;
};

// Implicates the engine keeps before it is trusted to finish (about 70 MB of them).
constexpr uint64_t max_kept_implicates = uint64_t(1) << 20;

// Every prime implicant, from the clauses alone (no solver call), unless the engine passes
// `steps` search steps (plus per_prime for each prime found) first; returns whether it finished.
// Implicants found before giving up are recorded and stay in ctx.implicants.
bool implicantsFromClauses(RunContext& ctx, uint64_t steps, uint64_t per_prime);
// The same for a clause set alone (variables 1..n), into `out`, recording nothing.
bool implicantsOfClauses(const std::vector<std::vector<int>>& clauses, int n, PrimeStore& out, uint64_t steps,
                         uint64_t per_prime);

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

}  // namespace primal

#endif
