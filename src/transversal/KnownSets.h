// Known sets for the transversal searches: the set S they build must never contain one. So when
// S holds all but one member of a known set, that member is blocked (may not join S) until a
// member leaves. A count per known set of its members in S makes each join or leave cost the
// length of the vertex's occurrence list among the known sets.
#ifndef PRIMAL_TRANSVERSAL_KNOWNSETS_H
#define PRIMAL_TRANSVERSAL_KNOWNSETS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "transversal/Occurrences.h"

namespace primal {

class KnownSets {
public:
    // The sets are klits[kstart[k] .. kstart[k+1]) over vertices 0..nv-1, each non-empty and
    // repeat-free; the vectors must outlive this object and stay unchanged.
    KnownSets(uint32_t nv, const std::vector<uint32_t>& klits, const std::vector<size_t>& kstart)
        : klits(klits), kstart(kstart) {
        buildOccurrences(nv, klits, kstart, kostart, kocc);
        reset();
    }

    // Back to an empty S.
    void reset() {
        kc.assign(kstart.size() - 1, 0);
        kmiss.assign(kstart.size() - 1, 0);
    }

    // The members of one-member sets, blocked whatever S holds.
    template <class Block>
    void blockSingles(Block block) {
        for (size_t k = 0; k + 1 < kstart.size(); k++)
            if (kstart[k + 1] - kstart[k] == 1) block(kmiss[k] = klits[kstart[k]]);
    }

    // v has joined S (in_s[v] is set): blocks the last missing member of every set it completes
    // but for one.
    template <class Block>
    void join(uint32_t v, const std::vector<char>& in_s, Block block) {
        for (size_t i = kostart[v]; i < kostart[v + 1]; i++) {
            uint32_t k = kocc[i];
            if (++kc[k] + 1 == kstart[k + 1] - kstart[k]) {
                uint32_t w = 0;
                for (size_t j = kstart[k]; j < kstart[k + 1]; j++)
                    if (!in_s[klits[j]]) w = klits[j];
                kmiss[k] = w;
                block(w);
            }
        }
    }

    // v, the last vertex to join S, leaves it: undoes join in reverse order.
    template <class Unblock>
    void leave(uint32_t v, Unblock unblock) {
        for (size_t i = kostart[v + 1]; i-- > kostart[v];) {
            uint32_t k = kocc[i];
            if (kc[k]-- + 1 == kstart[k + 1] - kstart[k]) unblock(kmiss[k]);
        }
    }

private:
    const std::vector<uint32_t>& klits;
    const std::vector<size_t>& kstart;
    std::vector<size_t> kostart;
    std::vector<uint32_t> kocc, kc, kmiss;
};

}  // namespace primal

#endif
