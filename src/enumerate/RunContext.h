// What the phases of an enumeration share: the formula, its variables, the primes found so far
// and where they go. The phases, in the order a run may take them (Policy.h decides which):
//   implicantsFromClauses / implicatesFromImplicants   the transversal engine (Phases.h);
//   dualRailLoop        maximal models of the dual-rail solver name candidate terms (stops early
//                       when one search passes its conflict budget);
//   the endgame         the rest of the prime implicates from minimal transversals of the
//                       implicants found so far (only after an early stop);
//   completeImplicants  the prime implicants the others cannot reach, as minimal consistent
//                       transversals of the prime implicates.
// Every prime leaves through record(), which maps it to input numbers and hands it to the sink.
#ifndef PRIMAL_ENUMERATE_RUNCONTEXT_H
#define PRIMAL_ENUMERATE_RUNCONTEXT_H

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "containers/PrimeStore.h"
#include "enumerate/PhaseTimer.h"
#include "enumerate/PrimeSink.h"
#include "enumerate/RunOptions.h"
#include "formula/PrimeReduction.h"
#include "formula/SolverWrapper.h"

namespace primal {

// A sink said stop: unwinds the enumeration from wherever the prime was found.
struct StopRun {};

// The run's exit for primes, shared by the contexts of a split formula's parts: hands over
// those of the asked side and asks the sink whether to go on.
class Recorder {
public:
    Recorder(PrimeSink& sink, PhaseTimes& times, Side side = Side::Both,
             const std::function<bool()>* interrupted = nullptr, void (*notice)(const char*) = nullptr)
        : sink_(sink), times_(times), literals_(sink.wantsLiterals()), side_(side), interrupted_(interrupted),
          notice_(notice) {}
    // A prime in input numbering (sorted in place when the sink wants the literals); one of the
    // side the run was not asked for is neither handed over nor counted.
    void recordInput(bool implicant, std::vector<int>& lits);
    bool wantsLiterals() const { return literals_; }
    bool wants(bool implicant) const { return sideWants(side_, implicant); }
    PhaseTimes& times() { return times_; }
    // Lets a solver of the run ask the caller's interruption check during long searches, and
    // gives it the run's place for notice lines.
    void watch(Sat::Solver& s) const;
    // Stops the run if the caller's interruption check says so (for searches without a solver).
    void stopIfInterrupted() const {
        if (interrupted_ != nullptr && *interrupted_ && (*interrupted_)()) throw StopRun{};
    }
    // After a search ended without an answer: stops the run if the check said so.
    void stopIfPolled(const Sat::Solver& s) const {
        if (s.polled_stop) throw StopRun{};
    }

private:
    PrimeSink& sink_;
    PhaseTimes& times_;
    bool literals_;
    Side side_;
    const std::function<bool()>* interrupted_;  // null or empty: none
    void (*notice_)(const char*);
};

// Every phase works on the variables 1..n that occur in the formula, numbered densely in the
// order of their input indices (see Renumbering.h); only record() speaks input indices.
struct RunContext {
    Sat::SolverWrapper& formula;   // holds the clauses and checks candidate terms
    int n;                         // variables 1..n
    std::vector<int> test_vars;    // 1..n, ascending
    Recorder& out;
    PhaseTimes& times;
    PrimeStore implicants;         // every prime found, in the order found
    PrimeStore implicates;
    primeutil::Reducer reducer;    // built over formula.cls by the caller
    std::vector<unsigned short> rmodel;  // reduction model, one value code per variable
    std::vector<int> orig_var;     // input index of variable v at entry v; empty: the same
    // Primes recorded before the dual-rail loop started, which it must not record again. They
    // are not blocked in its solver: measured, it does better without them, and it meets them
    // again anyway. Sorted literal lists.
    std::set<std::vector<int>> earlier_implicants, earlier_implicates;
    std::vector<int> sorted_scratch;  // a prime sorted for the look-up in those sets
    // Implicants of a part of a formula are not primes of the whole: they are kept in
    // `implicants` but not recorded (see ByParts.h).
    bool defer_implicants = false;
    // Projection onto the variables of interest X (in_x[v] for each variable): the primes
    // recorded are those of G, the formula with the other variables forgotten. Implicants of
    // the formula are then kept restricted to X (see restrictToX) and never recorded; a
    // restriction that comes out empty shows that G is valid (g_valid).
    bool projected = false;
    std::vector<char> in_x;
    bool g_valid = false;
    // Only primes of at most max_len literals are recorded (0: no bound). The searches are
    // bounded too (Policy.cc), but some still meet longer implicants: kept, never recorded.
    size_t max_len = 0;
    // Conflicts the formula solver needed to find the formula satisfiable: a measure of how hard
    // a search without propagation will find it (the engine's budget shrinks with it).
    uint64_t first_check_conflicts = 0;
    // A pass of the endgame (implicatesFromImplicants without every implicant) that has found
    // this many new implicants gives way to a new one over all of them, or under a length bound
    // may go on (see there). Tests lower it to reach that rule on small formulas.
    size_t new_implicants_per_pass = 256;

    RunContext(Sat::SolverWrapper& f, int vars, Recorder& recorder, std::vector<int> orig = {});

    // Makes a prime (over the variables above) part of the result: handed to the sink in input
    // indices. `prime` itself is left as it is.
    void record(bool implicant, const std::vector<int>& prime);
    // Drops the literals outside X from an implicant of the formula (in place, order kept).
    void restrictToX(std::vector<int>& implicant);
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

}  // namespace primal

#endif
