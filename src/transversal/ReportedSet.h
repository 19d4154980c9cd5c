// A reported transversal in the engine's order: its literals ascending (-n .. -1, 1 .. n). The
// searches hold S as a stack of vertices (2(v-1) for v, 2(v-1)+1 for -v) in the order they
// joined, and sorting it per report was half the cost of listing implicants from a random 3-CNF
// (60 literals out of 200 vertices). Where S holds a good part of the vertices, a scan of the
// membership marks gives the same order without comparisons: the negative literals from the
// highest variable down, then the positive ones up.
#ifndef PRIMAL_TRANSVERSAL_REPORTEDSET_H
#define PRIMAL_TRANSVERSAL_REPORTEDSET_H

#include <algorithm>
#include <cstdint>
#include <vector>

namespace primal {

// S's literals, ascending, into out; in_s[x] marks the members among the nv vertices.
inline void reportedSet(const std::vector<uint32_t>& S, const std::vector<char>& in_s, uint32_t nv,
                        std::vector<int>& out) {
    out.clear();
    const size_t k = S.size();
    if (nv > 4 * k * size_t(64 - __builtin_clzll(k | 1))) {  // the sort's k log k is cheaper
        for (uint32_t x : S) out.push_back(x & 1 ? -int(x / 2 + 1) : int(x / 2 + 1));
        std::sort(out.begin(), out.end());
        return;
    }
    for (uint32_t x = nv; x-- > 0;)
        if ((x & 1) != 0 && in_s[x] != 0) out.push_back(-int(x / 2 + 1));
    for (uint32_t x = 0; x < nv; x += 2)
        if (in_s[x] != 0) out.push_back(int(x / 2 + 1));
}

}  // namespace primal

#endif
