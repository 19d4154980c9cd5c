// DIMACS-style literal lists into the solver, and its model back as a bit mask.
#ifndef PRIMAL_TESTS_SOLVERUTIL_H
#define PRIMAL_TESTS_SOLVERUTIL_H

#include <cstdlib>

#include "solver/Solver.h"
#include "support/Oracle.h"

namespace testutil {

inline Sat::Lit lit(int d) { return Sat::mkLit(std::abs(d) - 1, d < 0); }

inline void toLits(const std::vector<int>& c, Sat::vec<Sat::Lit>& ps) {
    for (int d : c) ps.push(lit(d));
}

// Creates variables up to n, then adds the clauses.
inline void addCnf(Sat::Solver& s, int n, const Cnf& f) {
    while (s.nVars() < n) s.newVar();
    for (const auto& c : f) {
        Sat::vec<Sat::Lit> ps;
        toLits(c, ps);
        s.addClause_(ps);
    }
}

inline uint32_t modelBits(const Sat::Solver& s, int n) {
    uint32_t a = 0;
    for (int v = 0; v < n; v++) a |= uint32_t(s.model[v] == Sat::l_True) << v;
    return a;
}

}  // namespace testutil

#endif
