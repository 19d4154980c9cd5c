// What the phases of an enumeration share: the formula, its variables, the primes found so far
// and how to report them. The phases, in the order a run takes them:
//   dualRailLoop        maximal models of the dual-rail solver name candidate terms (the main
//                       engine; stops early when one search passes its conflict budget);
//   transversalEndgame  the rest of the prime implicates from minimal transversals of the
//                       implicants found so far (only after an early stop);
//   completeImplicants  the prime implicants the first two cannot reach, as minimal consistent
//                       transversals of the prime implicates.
// Enumeration.cc holds the run sequence and the policy that joins them.
#ifndef PRIMAL_CORE_RUNCONTEXT_H
#define PRIMAL_CORE_RUNCONTEXT_H

#include <cstdint>
#include <set>
#include <vector>

#include "enumerate/PrimeStore.h"
#include "formula/SolverWrapper.h"

namespace primal {

// Every phase works on the variables 1..n that occur in the formula, numbered densely in the
// order of their input indices (see Renumbering.h); only record() speaks input indices.
struct RunContext {
    Sat::SolverWrapper& formula;   // holds the clauses and checks candidate terms
    int n;                         // variables 1..n
    std::vector<int> test_vars;    // 1..n, ascending
    bool print_all;
    PrimeStore implicants;         // every prime found, in the order found
    PrimeStore implicates;
    std::vector<unsigned short> rmodel;  // reduction model, one value code per variable
    std::vector<int> orig_var;     // input index of variable v at entry v; empty: the same
    // Primes recorded before the dual-rail loop started, which it must not record again. They
    // are not blocked in its solver: measured, it does better without them, and it meets them
    // again anyway. Sorted literal lists.
    std::set<std::vector<int>> earlier_implicants, earlier_implicates;
    // Implicants of a part of a formula are not primes of the whole: they are kept in
    // `implicants` but not recorded (see Decomposition.h).
    bool defer_implicants = false;
    // Conflicts the formula solver needed to find the formula satisfiable: a measure of how hard
    // a search without propagation will find it (the engine's budget shrinks with it).
    uint64_t first_check_conflicts = 0;

    RunContext(Sat::SolverWrapper& f, int vars, bool print, std::vector<int> orig = {});

    // Makes a prime (over the variables above) part of the result: printed with input indices
    // and counted. `prime` itself is left in the run's numbering.
    void record(bool implicant, std::vector<int>& prime);
    // Literal l (over the variables above) with its input index.
    int inputLit(int l) const {
        if (orig_var.empty()) return l;
        int v = orig_var[size_t(l < 0 ? -l : l)];
        return l < 0 ? -v : v;
    }

private:
    std::vector<int> printed_;  // the prime in input indices
};

// Solves the formula under the term (DIMACS literals); true when they are consistent, the
// model then being on the formula solver.
bool termConsistent(RunContext& ctx, const std::vector<int>& term);
// Reduces the formula solver's last model to a prime implicant (ascending literals).
void reduceModel(RunContext& ctx, std::vector<int>& prime);

enum class LoopEnd { Exhausted, OverBudget };
// Runs the dual-rail loop until no candidate is left or one search of the dual-rail solver
// passes `conflict_budget` conflicts (negative: no budget).
LoopEnd dualRailLoop(RunContext& ctx, Sat::DR_SolverWrapper& dual, int64_t conflict_budget);

void completeImplicants(RunContext& ctx);

}  // namespace primal

#endif
