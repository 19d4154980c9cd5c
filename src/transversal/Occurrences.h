// The items (edges or known sets, each a list of vertices) that hold each vertex, ascending:
// one counting sort by vertex, so that the searches and the twin detection read a vertex's
// items as one slice.
#ifndef PRIMAL_TRANSVERSAL_OCCURRENCES_H
#define PRIMAL_TRANSVERSAL_OCCURRENCES_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace primal {

// Item i holds lits[start[i] .. start[i+1]); vertex x's items are oc[os[x] .. os[x+1]).
inline void buildOccurrences(uint32_t nv, const std::vector<uint32_t>& lits, const std::vector<size_t>& start,
                             std::vector<size_t>& os, std::vector<uint32_t>& oc) {
    os.assign(size_t(nv) + 1, 0);
    for (uint32_t x : lits) os[x + 1]++;
    for (uint32_t x = 0; x < nv; x++) os[x + 1] += os[x];
    oc.resize(lits.size());
    std::vector<size_t> fill(os.begin(), os.end() - 1);
    for (size_t i = 0; i + 1 < start.size(); i++)
        for (size_t j = start[i]; j < start[i + 1]; j++) oc[fill[lits[j]]++] = uint32_t(i);
}

}  // namespace primal

#endif
