// The dual-rail solver as an oracle of candidate terms: two rails per input variable (+x is
// rail 2x-1, -x rail 2x), a pair clause per variable so that at most one literal of it enters a
// term, and decisions that only set rails true, so each model is maximal and its false rails
// name a minimal term. Blocking clauses go in without a restart (the trail is kept).
#ifndef PRIMAL_FORMULA_DUALRAILSEARCH_H
#define PRIMAL_FORMULA_DUALRAILSEARCH_H

#include <cstdint>
#include <vector>

#include "formula/SolverWrapper.h"

namespace primal {

// Creates the 2n rails and pair clauses, user polarity false on every rail, keep_trail set.
void setUpDualRail(Sat::DR_SolverWrapper& dual, int n);

// At most k literals in every term from now on (k < n; before the first search): a sequential
// counter over the variables of test_vars, a variable counting when one of its rails is false.
void capTermLength(Sat::DR_SolverWrapper& dual, const std::vector<int>& test_vars, size_t k);

// Solves the dual-rail solver (at most conflict_budget conflicts; negative: no bound) and reads
// its model as a term: a false rail puts the opposite literal into it. l_True: a term;
// l_False: no candidate is left; l_Undef: the budget ran out.
Sat::lbool nextTerm(Sat::DR_SolverWrapper& dual, const std::vector<int>& test_vars, std::vector<int>& term,
                    int64_t conflict_budget = -1);

}  // namespace primal

#endif
