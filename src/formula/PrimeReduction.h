// Greedy reduction of a total model to a prime implicant. Variables are offered for dropping
// in ascending order; a variable is dropped when every clause its current literal satisfies
// is either covered (already satisfied by a kept literal) or satisfied by another literal.
// Works on per-variable occurrence lists built once per formula (occ_lst) and one covered bit per
// clause (cls2exclude), which the caller clears before each reduction. Both belong to one run
// (a Reducer), so that two runs in one process share nothing.
#ifndef PRIMAL_FORMULA_PRIMEREDUCTION_H
#define PRIMAL_FORMULA_PRIMEREDUCTION_H

#include <cstddef>
#include <vector>

#include "utils/LitIndex.h"

namespace primeutil {

// Value codes of the reduction model (one entry per variable, entry i for DIMACS variable i+1):
// 0 false, 1 true, 2 undefined (satisfies both literals, never dropped), 3 dropped.
const unsigned short FALSE = 0;
const unsigned short TRUE = 1;
const unsigned short UNDEF = 2;
const unsigned short DROPPED = 3;

// The clauses of each literal, all in one array: two allocations for the whole formula instead
// of two vectors per variable, built from exact counts with no reallocation.
class OccList {
public:
    // Clause indices of literal lit (a variable of 1..vars()), ascending.
    const unsigned int* begin(int lit) const { return list.data() + start[slot(lit)]; }
    const unsigned int* end(int lit) const { return list.data() + start[slot(lit) + 1]; }
    int vars() const { return start.empty() ? 0 : int(start.size() / 2) - 1; }

    std::vector<size_t> start;       // slot s holds list[start[s] .. start[s+1]); slots 0, 1 unused
    std::vector<unsigned int> list;
    static size_t slot(int lit) { return primal::litIndex(lit); }
};

bool isSAT(const std::vector<int>& clause, const std::vector<unsigned short>& model);

struct Reducer {
    OccList occ_lst;
    std::vector<bool> cls2exclude;

    // Builds occ_lst from the clauses (tautological clauses are left out: they need no literal)
    // and sizes cls2exclude to one cleared bit per clause.
    // Returns false when a clause contains the literal 0.
    bool buildOccLists(const std::vector<std::vector<int>>& clauses);

    // Preconditions for the rest: occ_lst describes `clauses`, cls2exclude has one bit per
    // clause. Returns the prime implicant as DIMACS literals in ascending order; rewrites model
    // (dropped variables get code 3) and sets covered bits. Every model entry must be 0 or 1.
    std::vector<int> extract_Prime(const std::vector<std::vector<int>>& clauses, std::vector<unsigned short>& model);
    // Drops variable var (0-based) when no clause needs its value; returns whether it did.
    bool safeFlip(int var, std::vector<unsigned short>& model, const std::vector<std::vector<int>>& clauses);
    // Marks every clause containing the literal as covered.
    void propagate(int lit);
};

}  // namespace primeutil

#endif
