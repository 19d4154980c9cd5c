// Splitting a formula before enumerating it. A literal b that the formula implies (fixed by the
// solver at the root) is a prime implicate on its own, belongs to every prime implicant, and
// leaves the rest of the primes to the formula simplified by it. Parts of the simplified formula
// that share no variable are independent: the prime implicates are those of the parts together,
// the prime implicants the unions of one implicant of each part. Enumerating the parts one by
// one replaces a product of prime counts by their sum.
#ifndef PRIMAL_FORMULA_DECOMPOSITION_H
#define PRIMAL_FORMULA_DECOMPOSITION_H

#include <vector>

namespace primal {

struct FormulaPart {
    std::vector<std::vector<int>> clauses;  // over the formula's variables, then (numberLocally) the part's own
    std::vector<int> vars;                  // the formula's variables in the part, ascending (numberLocally)
};

struct Decomposition {
    std::vector<FormulaPart> parts;
    bool contradictory = false;  // a clause lost every literal to the fixed ones
};

// The clauses over variables 1..n simplified by the fixed literals (satisfied and tautological
// clauses dropped, false and repeated literals removed), grouped into parts by shared variables.
Decomposition decompose(const std::vector<std::vector<int>>& clauses, int n, const std::vector<int>& fixed);

// Renumbers a part's clauses to its own variables 1..k, keeping the order of indices, and fills
// its `vars`. `scratch` has n+1 entries (reused across parts).
void numberLocally(FormulaPart& part, std::vector<int>& scratch);

}  // namespace primal

#endif
