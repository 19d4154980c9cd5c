// Dense renumbering of a formula's variables. A variable that occurs in no clause is in no prime
// and needs no solver variable, rail or table entry, so a run works on the occurring variables
// only, numbered 1..d in the order of their original indices. The order is kept so that
// sorted literals stay sorted and a formula without unused indices is left exactly as it is.
#ifndef PRIMAL_FORMULA_RENUMBERING_H
#define PRIMAL_FORMULA_RENUMBERING_H

#include <vector>

namespace primal {

// Rewrites every literal of `clauses` (indices 1..max_var, no literal 0) to the rank of its
// variable among the occurring ones. Returns the original index of each new variable, entry 0
// unused (so 1..d with d = size - 1), or an empty vector when every index up to max_var occurs
// and the clauses are unchanged.
std::vector<int> renumberDensely(std::vector<std::vector<int>>& clauses, int max_var);

}  // namespace primal

#endif
