// Minimal transversals (hitting sets) of a hypergraph over literals, by a depth-first search
// that keeps the current set S, the candidate vertices, the edges not yet hit and, for every
// vertex of S, its critical edges (hit by it alone). It branches on the candidates of an unhit
// edge with the fewest of them, each removed from the candidates before the next branch, and cuts
// a branch as soon as a vertex of S has no critical edge left, so every set reached is minimal
// and each is reached once. Vertices are the 2n literals of variables 1..n; a branch that would
// hold x and -x together is cut, since every set below it is inconsistent.
//
// Cheap per transversal and free of solver calls, but without propagation: finding even one
// consistent transversal of a large structured hypergraph can be a long search.
#ifndef PRIMAL_CORE_TRANSVERSALS_H
#define PRIMAL_CORE_TRANSVERSALS_H

#include <cstddef>
#include <functional>
#include <vector>

namespace primal {

class TransversalEngine {
public:
    // Vertices: the DIMACS literals of variables 1..n.
    explicit TransversalEngine(int n);
    ~TransversalEngine();
    TransversalEngine(const TransversalEngine&) = delete;
    TransversalEngine& operator=(const TransversalEngine&) = delete;

    // An edge: DIMACS literals of variables 1..n in any order; repeated literals are allowed, as
    // are duplicate, nested and empty edges (an empty edge has no transversal). The caller drops
    // edges it does not want hit (tautological clauses, say).
    void addEdge(const std::vector<int>& edge);
    // A known set: no reported transversal contains it; every branch whose S holds it is cut.
    void addKnown(const std::vector<int>& set);
    // Only transversals of at most k literals are reported (0, the default: no bound).
    void setMaxSize(int k);

    size_t numEdges() const;
    size_t numKnown() const;

    // Calls visit once for each consistent minimal transversal that contains no known set, its
    // literals in ascending numeric order; visit returns false to stop. Returns true when the
    // enumeration ran to its end, false when visit stopped it. Edges and known sets must not be
    // added during a run; the engine can be run again, with more of them, afterwards.
    bool enumerate(const std::function<bool(const std::vector<int>&)>& visit);

private:
    struct Impl;
    Impl* impl;
};

}  // namespace primal

#endif
