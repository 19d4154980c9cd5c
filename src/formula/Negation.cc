// Negation of a stored CNF with one selector a_j per clause C_j: the clauses (-l, -a_j) for
// each l in C_j and (C_j, a_j) make a_j equivalent to "C_j is false", and the final clause
// (a_1, ..., a_m) says that some clause is false. The store is replaced only at the end.
#include "formula/SolverWrapper.h"

namespace Sat {

void SolverWrapper::negateFormula() {
    if (S.nClauses() != 0) notEmptyError();

    std::vector<std::vector<int>> negated;
    std::vector<int> selectors;
    for (size_t j = 0; j < cls.size(); j++) {
        S.newVar(l_Undef, true);
        nVars++;
        int aj = nVars;
        lastAuxVar = aj;
        auxVars.push_back(aj);

        std::vector<int> copy = cls[j];
        for (int l : copy) negated.push_back({-l, -aj});
        copy.push_back(aj);
        negated.push_back(std::move(copy));
        selectors.push_back(aj);
    }
    cls.swap(negated);
    cls.push_back(std::move(selectors));
}

}  // namespace Sat
