// Where the primes of a run go. The enumeration hands each prime to a sink the moment it is
// known (an interrupted run has handed over everything it found); the command line's sink prints
// it, a library caller's sink passes it on. The sink also hears the few events of a run that a
// caller reports: the formula read, whether it has a model. The caller knows when the run is over.
#ifndef PRIMAL_ENUMERATE_PRIMESINK_H
#define PRIMAL_ENUMERATE_PRIMESINK_H

#include <vector>

namespace primal {

class PrimeSink {
public:
    virtual ~PrimeSink() = default;
    // False for a sink that only counts: prime() then gets no literals (the mapping to input
    // numbers and the sort are skipped).
    virtual bool wantsLiterals() const { return true; }
    // The formula is read: `vars_to_test` is its largest variable index; `header_mismatch` when
    // that differs from the header's variable count.
    virtual void formulaRead(int vars_to_test, bool header_mismatch) {
        (void)vars_to_test, (void)header_mismatch;
    }
    // The formula has no model: no prime follows.
    virtual void unsatisfiable() {}
    // The formula has a model: the enumeration starts.
    virtual void satisfiable() {}
    // One prime: literals in input numbering, ascending. Returning false stops the run.
    virtual bool prime(bool implicant, const std::vector<int>& lits) = 0;
};

}  // namespace primal

#endif
