// The transversal engine's search for small vertex sets (at most 256 literals): the same MMCS
// scheme as the occurrence-list search in Transversals.cc, over bit sets. An edge is a set of
// vertices in up to four words, a vertex a set of edges; the uncovered edges and each member's
// critical edges are edge sets copied level by level, so a node costs a few word-wide passes
// instead of walks over occurrence lists with linked-list updates. Beyond a few thousand edges
// the sets are copied sparse, only their non-zero words.
#ifndef PRIMAL_TRANSVERSAL_DENSETRANSVERSALS_H
#define PRIMAL_TRANSVERSAL_DENSETRANSVERSALS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace primal {

constexpr uint32_t max_dense_vertices = 256;
// Beyond this many edges the search keeps its edge sets sparse (DenseTransversals.cc).
constexpr size_t max_plain_edges = 4096;

// The engine's input in vertex numbers (2(v-1) for the literal v, 2(v-1)+1 for -v). Edges are
// sorted and repeat-free; known sets too, and none is empty or holds x and -x.
struct TransversalProblem {
    uint32_t nv;  // at most max_dense_vertices
    const std::vector<uint32_t>& elits;
    const std::vector<size_t>& estart;
    const std::vector<uint32_t>& klits;
    const std::vector<size_t>& kstart;
    size_t maxSize;     // 0: no bound
    const uint64_t& stepBase;  // 0: no bound; read at every node, so visit may lift it
    uint64_t stepPer;
    const std::function<void()>* poll = nullptr;  // called every poll_interval steps (a power of two)
    uint32_t poll_interval = 1;
    bool sparse = false;  // the sparse layout of edge sets whatever the edge count
};

// Reports what TransversalEngine::enumerate does, with the same step counting; the order may
// differ. Returns true when the search ran to its end; limit_hit says whether the step bound
// stopped it.
bool denseTransversals(const TransversalProblem& p, const std::function<bool(const std::vector<int>&)>& visit,
                       bool& limit_hit);

}  // namespace primal

#endif
