// Dual-rail translation: input literal +x is rail 2x-1 and -x is rail 2x (DIMACS numbering).
// A term or clause over input literals becomes a clause over rails, positive rails for a
// blocked implicate's term and negated rails for a blocked implicant.
#include "formula/SolverWrapper.h"

namespace Sat {

void SolverWrapper::cls2DualRailClause(std::vector<int>& clause, std::vector<int>& out, bool positive) {
    for (int l : clause) {
        int x = l < 0 ? -l : l;
        ensureVar(2 * x);
        int rail = l > 0 ? 2 * l - 1 : -2 * l;
        out.push_back(positive ? rail : -rail);
    }
}

// A rail clause is either pushed at once or stored for a later pushInstance, never both: the
// enumeration adds one per prime, and a second copy of each would only cost memory.
void SolverWrapper::addDualRailCls(std::vector<int>& clause, bool positive, bool push) {
    std::vector<int> rails;
    cls2DualRailClause(clause, rails, positive);
    if (push)
        pushClause(rails);
    else
        cls.push_back(std::move(rails));
}

bool SolverWrapper::addDualRailClsIncr(std::vector<int>& clause, bool positive, bool push) {
    std::vector<int> rails;
    cls2DualRailClause(clause, rails, positive);
    if (push) return pushClauseIncr(rails);
    cls.push_back(std::move(rails));
    return true;
}

bool SolverWrapper::pushClauseIncr(std::vector<int>& clause) {
    vec<Lit> lits;
    toLits(clause, lits);
    return S.add_blck_assert(lits) == l_True;
}

void SolverWrapper::dualRailEncode() {
    if (S.nClauses() != 0) notEmptyError();
    std::vector<std::vector<int>> encoded;
    encoded.reserve(cls.size());
    for (std::vector<int>& c : cls) {
        std::vector<int> rails;
        cls2DualRailClause(c, rails, true);
        encoded.push_back(std::move(rails));
    }
    cls.swap(encoded);
}

}  // namespace Sat
