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
#ifndef PRIMAL_TRANSVERSAL_TRANSVERSALS_H
#define PRIMAL_TRANSVERSAL_TRANSVERSALS_H

#include <cstddef>
#include <cstdint>
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
    void addEdge(const int* begin, const int* end);
    void addEdge(const std::vector<int>& edge) { addEdge(edge.data(), edge.data() + edge.size()); }
    // A known set: no reported transversal contains it; every branch whose S holds it is cut.
    void addKnown(const int* begin, const int* end);
    void addKnown(const std::vector<int>& set) { addKnown(set.data(), set.data() + set.size()); }
    // Only transversals of at most k literals are reported (0, the default: no bound).
    void setMaxSize(int k);
    // A run stops once its search steps (nodes entered) exceed base + per_transversal times the
    // transversals it has reported: a bound on the work per result, so a run that keeps finding
    // goes on and one that is stuck gives up. base 0 (the default): no bound.
    void setStepLimit(uint64_t base, uint64_t per_transversal = 0);
    // Whether the last run ended on that bound.
    bool stepLimitHit() const;
    // Drops the bound; may be called from visit, and the run then goes on to its end.
    void liftStepLimit();
    // Which search runs: over occurrence lists, or over bit sets (DenseTransversals.h; only for
    // n <= 128, larger n take the lists). Auto, the default, picks the bit sets for small
    // vertex and edge counts. The order of the reports depends on it, the reports do not.
    // SparseBitSets: the bit sets in their sparse layout, which they take on many edges.
    enum class Method { Auto, Lists, BitSets, SparseBitSets };
    void setMethod(Method method);

    // Called every poll_interval search steps, so that a long search without results can be
    // watched (a clock refreshed, an interruption honoured by throwing out of the run).
    static constexpr uint32_t poll_interval = 1024;
    static_assert((poll_interval & (poll_interval - 1)) == 0, "the searches test it with a mask");
    void setPoll(std::function<void()> poll);
    // Twin vertices (TwinVertices.h): the search runs over them merged, from min_twin_edges
    // edges on (Auto, the default) or always (Merge, for tests of small hypergraphs). On fewer
    // edges the search is short whatever it repeats, and merging would only change the order of
    // the reports.
    enum class Twins { Auto, Merge };
    static constexpr size_t min_twin_edges = 4096;
    void setTwins(Twins twins);

    size_t numEdges() const;
    size_t numKnown() const;

    // Calls visit once for each consistent minimal transversal that contains no known set, its
    // literals in ascending numeric order; visit returns false to stop. Returns true when the
    // enumeration ran to its end, false when visit or the step limit stopped it. Edges and known sets must not be
    // added during a run; the engine can be run again, with more of them, afterwards.
    bool enumerate(const std::function<bool(const std::vector<int>&)>& visit);

private:
    struct Impl;
    Impl* impl;
};

}  // namespace primal

#endif
