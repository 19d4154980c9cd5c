#include "formula/SolverWrapper.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace Sat {

SolverWrapper::SolverWrapper() : S(), nVars(0), lastAuxVar(0), nOrigVars(0), maxVar(0), solver(&S) {}

SolverWrapper::~SolverWrapper() {}

void SolverWrapper::toLits(const std::vector<int>& clause, vec<Lit>& lits) {
    for (int l : clause) {
        ensureVar(l < 0 ? -l : l);
        lits.push(dimacsLit(l));
    }
}

void SolverWrapper::addClause(std::vector<int>& clause, bool push) {
    cls.push_back(clause);
    for (int l : clause) ensureVar(l < 0 ? -l : l);
    if (push) pushClause(clause);
}

void SolverWrapper::pushClause(std::vector<int>& clause) {
    vec<Lit> lits;
    toLits(clause, lits);
    S.addClause_(lits);
}

void SolverWrapper::pushInstance() {
    vec<Lit> lits;
    for (size_t i = 0; i < cls.size(); i++) {
        lits.clear();
        toLits(cls[i], lits);
        S.addClause_(lits);
    }
}

std::string SolverWrapper::printCls() const {
    std::string text;
    char num[16];
    for (const std::vector<int>& c : cls) {
        for (int l : c) {
            int n = std::snprintf(num, sizeof num, " %d", l);
            text.append(num, size_t(n));
        }
        text.push_back('\n');
    }
    return text;
}

void SolverWrapper::notEmptyError() { throw std::logic_error("Dual Rail Encode Error...the Solver is not empty."); }

}  // namespace Sat
