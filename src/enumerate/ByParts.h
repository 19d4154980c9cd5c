// Enumerating a formula split into parts (see Decomposition.h): the products of the parts'
// implicants, and each part's own enumeration with its own solvers. Which formulas are split,
// and how each part is finished, is the policy's to say (Policy.h).
#ifndef PRIMAL_ENUMERATE_BYPARTS_H
#define PRIMAL_ENUMERATE_BYPARTS_H

#include <functional>
#include <vector>

#include "enumerate/RunContext.h"
#include "formula/Decomposition.h"

namespace primal {

// The literals the formula solver has fixed at the root (DIMACS, run numbering).
std::vector<int> rootFixedLiterals(const Sat::Solver& fs);

// Records every implicant of the whole formula: the fixed literals and one implicant of each
// part (`implicants[i]` over part i's own variables), in input numbering.
void recordProducts(RunContext& ctx, const std::vector<int>& fixed, const std::vector<FormulaPart>& parts,
                    const std::vector<PrimeStore>& implicants);

// Gives a part (numbered locally) its own formula solver and run context, whose implicants
// (already recorded as products) are `implicants`, and hands them to `finish` with a maker of
// its dual-rail solver, which is built only if asked for. The part's clauses are moved out.
using DualRailMaker = std::function<Sat::DR_SolverWrapper&()>;
void runPart(RunContext& whole, FormulaPart& part, PrimeStore implicants,
             const std::function<void(RunContext&, const DualRailMaker&)>& finish);

}  // namespace primal

#endif
