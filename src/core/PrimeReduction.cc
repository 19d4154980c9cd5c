#include "core/PrimeReduction.h"

#include <algorithm>
#include <cstdlib>

#include "utils/Output.h"

primeutil::OccList occ_lst;
std::vector<bool> cls2exclude;

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

bool safeFlip(int var, std::vector<unsigned short>& model, const std::vector<std::vector<int>>& clauses) {
    unsigned short val = model[size_t(var)];
    if (val == UNDEF || val == DROPPED) return false;
    if (val > DROPPED) {
        Sat::outPuts("Forbidden value for model");
        Sat::outFlush();
        std::exit(1);
    }
    model[size_t(var)] = DROPPED;
    // A variable beyond the occurrence lists occurs nowhere: no clause needs it.
    if (size_t(var) + 1 >= occ_lst.occ.size()) return true;
    const OccList::Elm& elm = occ_lst.occ[size_t(var) + 1];
    const std::vector<unsigned int>& list = val == TRUE ? elm.pos_occ : elm.neg_occ;
    for (unsigned int c : list) {
        if (cls2exclude[c]) continue;
        if (!isSAT(clauses[c], model)) {
            model[size_t(var)] = val;
            return false;
        }
    }
    return true;
}

void propagate(int lit) {
    size_t v = size_t(std::abs(lit));
    if (v >= occ_lst.occ.size()) return;
    const OccList::Elm& elm = occ_lst.occ[v];
    const std::vector<unsigned int>& list = lit < 1 ? elm.neg_occ : elm.pos_occ;
    for (unsigned int c : list) cls2exclude[c] = true;
}

std::vector<int> extract_Prime(const std::vector<std::vector<int>>& clauses, std::vector<unsigned short>& model) {
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

bool buildOccLists(const std::vector<std::vector<int>>& clauses) {
    occ_lst.occ.clear();
    std::vector<unsigned char> signs;  // per variable: 1 seen positive, 2 seen negative
    for (size_t c = 0; c < clauses.size(); c++) {
        // A clause holding x and -x is satisfied by every assignment, so no variable is needed
        // for it; listing it would keep x in implicants that are not prime.
        bool tautology = false;
        for (int l : clauses[c]) {
            if (l == 0) return false;
            size_t v = size_t(std::abs(l));
            if (signs.size() <= v) signs.resize(v + 1, 0);
            signs[v] |= l > 0 ? 1 : 2;
            if (signs[v] == 3) tautology = true;
        }
        for (int l : clauses[c]) {
            size_t v = size_t(std::abs(l));
            signs[v] = 0;
            if (occ_lst.occ.size() <= v) occ_lst.occ.resize(v + 1);
            if (tautology) continue;
            if (l > 0)
                occ_lst.occ[v].pos_occ.push_back(unsigned(c));
            else
                occ_lst.occ[v].neg_occ.push_back(unsigned(c));
        }
    }
    cls2exclude.assign(clauses.size(), false);
    return true;
}

}  // namespace primeutil
