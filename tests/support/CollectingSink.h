// A sink that keeps every prime it is handed, for tests that run the enumeration in process.
#ifndef PRIMAL_TESTS_COLLECTINGSINK_H
#define PRIMAL_TESTS_COLLECTINGSINK_H

#include <algorithm>

#include "enumerate/PrimeSink.h"
#include "support/Oracle.h"

namespace testutil {

class CollectingSink : public primal::PrimeSink {
public:
    Primes implicants, implicates;  // in the order handed over
    bool prime(bool implicant, const std::vector<int>& lits) override {
        (implicant ? implicants : implicates).push_back(lits);
        return true;
    }
    // Both lists sorted, for comparison with the oracle.
    PrimeSets sorted() const {
        PrimeSets s{implicants, implicates};
        std::sort(s.implicants.begin(), s.implicants.end());
        std::sort(s.implicates.begin(), s.implicates.end());
        return s;
    }
};

}  // namespace testutil

#endif
