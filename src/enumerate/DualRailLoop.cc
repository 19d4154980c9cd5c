// The main engine: each maximal model of the dual-rail solver names a candidate term; the
// candidate step checks it and turns it into a prime, which is blocked in the dual-rail solver
// without a restart. Every prime implicate is found this way; prime implicants whose every
// model extension holds an earlier implicant are not (completeImplicants finds those).
//
// Under a length bound k (capTermLength) every candidate has at most k literals. The counter's
// variables take part in the search, so its maximality is no longer the plain argument above
// (it still holds while every false rail is propagated, as the counter only ever forces rails
// true; measured, no candidate has needed cutting yet), and a refuted candidate t is cut down to
// a minimal inconsistent subterm t' rather than trusted.
//  - Each implicate recorded is prime and at most k long: every proper subterm of t' is
//    consistent, and |t'| <= |t| <= k. It is new: t lacks a literal of every blocked
//    implicate's term, so t' does too. Blocking it removes t (which holds t').
//  - A consistent t reduces, as before, to an implicant p that agrees with t, hence new (t holds
//    the complement of a literal of every blocked implicant). Blocking p removes t. p may be
//    longer than k: blocked and stored, never recorded.
//  - No implicate C of at most k literals is missed: once the solver finds no candidate, the
//    term not-C would still satisfy every clause (it is short; it holds the complement of a
//    literal of each implicant, which C hits; it holds no blocked implicate's term, since C is
//    prime and not found), a contradiction.
#include "enumerate/CandidateStep.h"
#include "formula/DualRailSearch.h"
#include "enumerate/Phases.h"

using namespace Sat;

namespace primal {

LoopEnd dualRailLoop(RunContext& ctx, DR_SolverWrapper& dual, int64_t conflict_budget) {
    std::vector<int> term, prime;
    auto block = [&dual, &ctx](bool implicant, std::vector<int>& p) {
        // A projected run meets one-literal primes whose rail is already fixed at the root, the
        // blocking clause then being false there: no candidate is left. (The rail's value in
        // the last model is the one the clause excludes, and it is a root fact.)
        if (ctx.projected && p.size() == 1) {
            const int l = p[0];
            const Var rail = l > 0 ? 2 * l - 2 : -2 * l - 1;
            if (dual.drSolver->level(rail) == 0 && dual.drSolver->value(rail) != l_Undef) return false;
        }
        // An implicant: a later term holds the complement of one of its literals; an implicate
        // (the negated term): a later term lacks one of the term's literals.
        return dual.addDualRailClsIncr(p, !implicant, true);
    };
    // One stamp ends a phase and starts the next: the stamp that ends a step starts the search.
    PhaseTimer search(ctx.times.max_model);
    ctx.out.watch(*dual.drSolver);
    for (;;) {
        lbool found = nextTerm(dual, ctx.test_vars, term, conflict_budget);
        double t1 = userCpuTime();
        if (found == l_False) {  // the last search counts in no timer
            search.resumeFrom(t1);
            return LoopEnd::Exhausted;
        }
        search.chargeUntil(t1);
        if (found == l_Undef) {
            ctx.out.stopIfPolled(*dual.drSolver);
            return LoopEnd::OverBudget;
        }
        StepEnd s = candidateStep(ctx, term, t1, prime, block, ctx.max_len != 0);
        search.resumeFrom(s.at);
        if (!s.more) return LoopEnd::Exhausted;
    }
}

}  // namespace primal
