#include "formula/PrimeReduction.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

namespace primeutil {

// Whether literal l holds under the value codes (3, dropped, satisfies nothing).
static inline bool litHolds(int l, const std::vector<unsigned short>& model) {
    unsigned short code = model[size_t(std::abs(l)) - 1];
    return code == UNDEF || (code == TRUE && l > 0) || (code == FALSE && l < 0);
}

bool isSAT(const std::vector<int>& clause, const std::vector<unsigned short>& model) {
    for (int l : clause)
        if (litHolds(l, model)) return true;
    return false;
}

bool Reducer::safeFlip(int var, std::vector<unsigned short>& model, const std::vector<std::vector<int>>& clauses) {
    unsigned short val = model[size_t(var)];
    assert(val <= DROPPED);  // the value codes are the only values
    if (val == UNDEF || val == DROPPED) return false;
    model[size_t(var)] = DROPPED;
    // A variable beyond the occurrence lists occurs nowhere: no clause needs it.
    if (var >= occ_lst.vars()) return true;
    const int lit = val == TRUE ? var + 1 : -(var + 1);
    for (const unsigned int *p = occ_lst.begin(lit), *e = occ_lst.end(lit); p != e; ++p) {
        const unsigned int c = *p;
        if (cls2exclude[c]) continue;
        if (!isSAT(clauses[c], model)) {
            model[size_t(var)] = val;
            return false;
        }
    }
    return true;
}

void Reducer::propagate(int lit) {
    if (std::abs(lit) > occ_lst.vars()) return;
    for (const unsigned int *p = occ_lst.begin(lit), *e = occ_lst.end(lit); p != e; ++p) cls2exclude[*p] = true;
}

std::vector<int> Reducer::extract_Prime(const std::vector<std::vector<int>>& clauses, std::vector<unsigned short>& model) {
    std::vector<int> prime;
    size_t n = model.size();
    for (size_t i = 0; i < n; i++) {
        int lit = model[i] == TRUE ? int(i + 1) : -int(i + 1);
        if (safeFlip(int(i), model, clauses)) {
            model[i] = DROPPED;
            continue;
        }
        prime.push_back(lit);
        propagate(lit);
    }
    std::sort(prime.begin(), prime.end());
    return prime;
}

bool Reducer::buildOccLists(const std::vector<std::vector<int>>& clauses) {
    // A clause holding x and -x is satisfied by every assignment, so no variable is needed for
    // it; listing it would keep x in implicants that are not prime.
    int vars = 0;
    for (const std::vector<int>& c : clauses)
        for (int l : c) {
            if (l == 0) return false;
            vars = std::max(vars, std::abs(l));
        }
    std::vector<unsigned char> signs(size_t(vars) + 1, 0);  // per variable: 1 seen positive, 2 negative
    std::vector<bool> tautology(clauses.size(), false);
    std::vector<size_t>& start = occ_lst.start;
    start.assign(2 * size_t(vars) + 3, 0);
    for (size_t c = 0; c < clauses.size(); c++) {
        for (int l : clauses[c]) {
            unsigned char& s = signs[size_t(std::abs(l))];
            s |= l > 0 ? 1 : 2;
            if (s == 3) tautology[c] = true;
        }
        for (int l : clauses[c]) {
            signs[size_t(std::abs(l))] = 0;
            if (!tautology[c]) start[OccList::slot(l) + 1]++;  // counted one slot ahead
        }
    }
    for (size_t s = 1; s < start.size(); s++) start[s] += start[s - 1];
    occ_lst.list.assign(start.back(), 0);
    // Filling moves each slot's start to its end; the slot before then holds the start again.
    for (size_t c = 0; c < clauses.size(); c++)
        if (!tautology[c])
            for (int l : clauses[c]) occ_lst.list[start[OccList::slot(l)]++] = unsigned(c);
    for (size_t s = start.size() - 1; s > 0; s--) start[s] = start[s - 1];
    start[0] = 0;
    cls2exclude.assign(clauses.size(), false);
    return true;
}

}  // namespace primeutil
