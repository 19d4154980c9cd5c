// Prime implicates of clauses of at most two literals, from unit propagation alone. A resolvent
// of two such clauses has at most two literals, so every prime implicate has one or two. Unit
// propagation decides each: from a set of literals over such clauses it derives the union of
// what each literal derives, and where it stops without a conflict the clauses it left untouched
// are a subset of a satisfiable formula. So l is an implicate exactly when the negation of l
// propagates to a conflict (or l is fixed at the root), and (a | b) one exactly when the negation
// of a propagates b. A unit makes every clause over its variable non-prime (a clause holding the
// unit is subsumed; one holding its negation implies the other literal, a unit). That is 2n
// propagations, where the engine's transversals of the implicants walk every implicant, of which
// such formulas can have millions (random ones over a hundred variables).
#include <cassert>

#include "enumerate/Phases.h"

namespace primal {

bool twoLiteralClauses(const std::vector<std::vector<int>>& cls) {
    for (const std::vector<int>& c : cls)
        if (c.size() > 2) return false;
    return true;
}

void binaryImplicates(RunContext& ctx) {
    assert(twoLiteralClauses(ctx.formula.cls));
    Sat::Solver& s = *ctx.formula.solver;
    assert(s.decisionLevel() == 0);
    PhaseTimer timer(ctx.times.max_model);
    Sat::vec<Sat::Lit> assumps, implied;
    const auto propagates = [&](int l) {  // whether the negation of l propagates without conflict
        assumps.clear();
        assumps.push(~Sat::dimacsLit(l));
        return s.implies(assumps, implied);
    };
    // unit[v]: the literal of v that is an implicate, or 0 (at most one: the formula is satisfiable)
    std::vector<int> unit(size_t(ctx.n) + 1, 0), prime(1);
    for (int v = 1; v <= ctx.n; v++) {
        ctx.out.stopIfInterrupted();
        const Sat::lbool at_root = s.value(Sat::dimacsLit(v));
        if (at_root != Sat::l_Undef)
            unit[size_t(v)] = at_root == Sat::l_True ? v : -v;
        else if (!propagates(v))
            unit[size_t(v)] = v;
        else if (!propagates(-v))
            unit[size_t(v)] = -v;
        if (unit[size_t(v)] == 0) continue;
        prime[0] = unit[size_t(v)];
        keepFound(ctx, timer, false, prime, false);
    }
    if (ctx.max_len == 1) return;
    prime.resize(2);
    for (int v = 1; v <= ctx.n; v++) {
        if (unit[size_t(v)] != 0) continue;
        ctx.out.stopIfInterrupted();
        for (int a : {v, -v}) {
            const bool consistent = propagates(a);
            assert(consistent);  // a is no unit
            (void)consistent;
            // Each clause comes twice, once from each literal: taken from the one of the lower
            // variable, so that it comes out in ascending order.
            for (int i = 0; i < implied.size(); i++) {
                const int b = Sat::var(implied[i]) + 1, lit = Sat::sign(implied[i]) ? -b : b;
                if (b <= v || unit[size_t(b)] != 0) continue;
                prime[0] = a, prime[1] = lit;
                keepFound(ctx, timer, false, prime, false);
            }
        }
    }
}

}  // namespace primal
