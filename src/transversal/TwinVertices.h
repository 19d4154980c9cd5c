// Twin vertices: vertices in exactly the same edges. A minimal transversal holds at most one of a
// class of twins, and any other one of the class can take its place; so the minimal transversals
// are those of the hypergraph with every class merged into one vertex, with one member chosen for
// each merged vertex. The search over the twins walks a dead end once for every choice of twins
// made above it; over the merged vertices, once. (The prime implicants of a Tseitin encoding as
// edges: a gate output and its input are twins wherever the gate copies or negates it.)
//
// Consistency is shared: the search blocks a merged vertex of one literal when that of its
// complement is in, as before, and the choice skips members whose complement is chosen; classes
// are formed so that some choice is always left (see build()).
#ifndef PRIMAL_TRANSVERSAL_TWINVERTICES_H
#define PRIMAL_TRANSVERSAL_TWINVERTICES_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace primal {

class TwinVertices {
public:
    // Groups the vertices 0..nv-1 (x ^ 1 the complement of x) of the edges elits[estart[e] ..
    // estart[e+1]) by their edges; a vertex of a known set is kept apart, so the known sets carry
    // over unchanged. Returns whether any two vertices were merged; only then is the rest set.
    bool build(uint32_t nv, const std::vector<uint32_t>& elits, const std::vector<size_t>& estart,
               const std::vector<uint32_t>& klits, const std::vector<size_t>& kstart);

    // The merged hypergraph, in the same form (sorted, repeat-free vertex lists). A merged vertex
    // of one literal x and that of x ^ 1 are again complements; any other merged vertex has as
    // complement a vertex in no edge. Known sets holding a vertex of no edge are left out: no
    // transversal reaches them.
    uint32_t nv = 0;
    std::vector<uint32_t> elits, klits;
    std::vector<size_t> estart, kstart;
    uint32_t maxEdgeLen = 0;

    // Calls visit with every consistent choice of one member for each merged vertex of `merged`
    // (a minimal transversal of the merged hypergraph, as DIMACS literals of its vertices), as
    // sorted DIMACS literals of the original vertices. Returns false when visit does.
    bool expand(const std::vector<int>& merged, const std::function<bool(const std::vector<int>&)>& visit);

private:
    std::vector<uint32_t> mstart, members;  // the members of merged vertex s: members[mstart[s] ..]
    std::vector<char> taken;                // original vertices of the choice being built
    std::vector<uint32_t> slots, next, chosen;
    std::vector<int> out;  // the choice as sorted DIMACS literals
};

}  // namespace primal

#endif
