// MMCS (Murakami and Uno, 2014) over the 2n literal vertices, without recursion.
//
// Vertices are numbered 2(v-1) for the literal v and 2(v-1)+1 for -v, so x ^ 1 is the complement.
// Edges and known sets are kept as flat arrays of sorted, repeat-free vertex numbers; occurrence
// lists (vertex -> edges, vertex -> known sets) are rebuilt by a counting sort when a run finds
// them stale, and the search state is set up afresh by every run (time linear in the input).
//
// The search. At a node with set S and candidates CAND: if no edge is uncovered, S is reported.
// Otherwise take an uncovered edge F with the fewest usable candidates, C = F ∩ CAND, remove C
// from CAND, and for each v of C in turn branch on S + v, then put v back into CAND. So the
// branch on v may use the vertices of C handled before it but none of those after it, and a
// transversal T above S is reached in exactly one branch: that of the last vertex of C in T.
// A branch is taken only if every member of S keeps a critical edge (an edge that it alone of
// S hits); since critical edges only disappear as S grows, this keeps every S minimal, makes
// every reported S a minimal transversal, and prunes nothing that could lead to one.
//
// State, updated incrementally and undone in LIFO order:
//   hit[e]    members of S in edge e; e is uncovered when 0. owner[e] is the member that took it
//             from 0 to 1, which is its only member in S whenever hit[e] == 1 (a later member is
//             always removed first). Duplicate edges are separate edges with their own counts.
//   crit[u]   edges with hit == 1 whose owner is u: u's critical edges.
//   blocked[w] reasons why w cannot join S below this node: its complement is in S; S holds all
//             but w of a known set; or w is banned (below).
//   usable(w) w is in CAND and not blocked; C holds only usable vertices.
//   cnt[e]    vertices of e in CAND that are not blocked, or were banned while unblocked: an
//             upper bound on the usable ones, since a ban does not walk the occurrences (a ban
//             takes blocked from 0 to 1, so later blocks of a banned vertex leave cnt alone too).
//             Uncovered edges sit in doubly linked buckets by cnt, with a bitmap of non-empty
//             buckets, so F is found in O(max edge length / 64) and a change of cnt or coverage
//             costs O(1); an uncovered edge with cnt 0 makes a dead node.
// Refinements of the plain scheme:
//   - Minimality is tested when a vertex leaves CAND, in the same pass over its occurrences
//     (some member u of S has all its critical edges in it). A vertex that fails cannot be in
//     any minimal transversal above S, as the critical edges of S only shrink below; it is
//     banned for the whole subtree of the node rather than for one branch (MMCS would test it
//     again at every node below where it is a candidate).
//   - The branch taken first does not leave CAND at all: while it is in S every edge it is in
//     is covered, so its counts there are not read. It is tested as it joins S instead.
// Each change of a vertex (joins or leaves S, stops or starts being usable) walks its
// occurrence list once, so a branch costs a few passes over the lists of v and -v.
//
// The depth-first search keeps an explicit stack of frames; the vertices still to be branched
// on at every level sit on one shared stack. Those of different levels are disjoint (they are
// out of CAND, and a deeper node draws its branch vertices from CAND), so the stacks hold at
// most 2n vertices and |S| + 1 frames whatever the depth.
#include "transversal/Transversals.h"

#include "transversal/DenseTransversals.h"
#include "transversal/KnownSets.h"
#include "transversal/Occurrences.h"
#include "transversal/ReportedSet.h"
#include "transversal/TwinVertices.h"
#include "utils/LitIndex.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <memory>

namespace primal {

namespace {
const uint32_t NIL = UINT32_MAX;
const uint32_t UNDROPPED = uint32_t(1) << 31;  // marks the pending vertex that stayed in CAND
// The bit-set search copies up to (n+1)(n+2)/2 edge sets on its deepest path, M words each; beyond
// this many words it is not used. In the sparse layout a level's sets are disjoint and hold at
// most the m edges (see sparsePathWords); the bound is larger there, as the path holds far fewer
// (a level's edges only shrink along it).
const size_t max_dense_words = size_t(1) << 23, max_sparse_words = size_t(1) << 27;

// Words on the sparse search's deepest path over m edges and n variables: level d holds d + 2
// disjoint sets, each a count and at most M = m / 64 (index, word) pairs, together at most m
// pairs, and a few words of slack. From level 62 on the m pairs bound each level; above it, the
// M pairs per set do: 24 linked pairs (1679616 edges, 48 variables) need 67 M words by this
// count, against 165 M by m pairs a level.
size_t sparsePathWords(size_t m, size_t n) {
    const size_t M = (m + 63) / 64;
    size_t words = 0;
    for (size_t d = 0; d <= n; d++) words += 2 * std::min(m, (d + 2) * M) + d + 5;
    return words;
}
}

struct TransversalEngine::Impl {
    struct EdgeState {
        uint32_t hit, cnt, owner;
    };
    struct Link {
        uint32_t next, prev;
    };
    struct Frame {
        size_t base;     // this node's pending branch vertices are pending[base..]
        size_t banBase;  // and the vertices it banned banned[banBase..]
        uint32_t v;      // the branch vertex now in S, or NIL
        bool dropped;    // whether v had left CAND
    };

    uint32_t nv;  // 2n vertices
    Method method = Method::Auto;
    Twins twins = Twins::Auto;
    size_t maxSize = 0;
    uint64_t stepBase = 0, stepPer = 0, steps = 0, found = 0;
    std::function<void()> poll;
    bool limitHit = false;

    // Input.
    std::vector<uint32_t> elits, klits;
    std::vector<size_t> estart{0}, kstart{0};
    size_t knownAdded = 0;
    bool emptyKnown = false;
    uint32_t maxEdgeLen = 0;

    // Occurrence lists, built for the first occEdges edges; the known sets' counts, for the first
    // knownSets sets.
    std::vector<size_t> ostart;
    std::vector<uint32_t> occ;
    size_t occEdges = 0, knownSets = 0;
    std::unique_ptr<KnownSets> known;

    // Search state.
    std::vector<EdgeState> es;
    std::vector<Link> links;  // neighbours in the bucket of an uncovered edge
    std::vector<uint32_t> head, crit, blocked, seen, touched;
    std::vector<uint64_t> nonEmpty;  // bit b: bucket b holds an uncovered edge
    std::vector<char> inCand, inS;
    std::vector<uint32_t> S, pending, banned;
    std::vector<Frame> frames;
    std::vector<int> out;
    size_t numUncov = 0;

    explicit Impl(int n) : nv(2 * uint32_t(n)) { assert(n >= 0 && n < (1 << 30)); }

    static uint32_t vertexOf(int lit) { return uint32_t(primal::litIndex(lit) - 2); }  // slots 0 and 1 unused

    // Appends the sorted, repeat-free vertices of `lits` to `pool`; returns how many.
    size_t append(const int* begin, const int* end, std::vector<uint32_t>& pool) const {
        size_t from = pool.size();
        for (const int* p = begin; p != end; p++) {
            const int l = *p;
            assert(l != 0 && (l < 0 ? -int64_t(l) : l) <= int64_t(nv / 2));
            pool.push_back(vertexOf(l));
        }
        // Primes come sorted (ascending variables, which is ascending vertices): no sort then.
        if (std::adjacent_find(pool.begin() + long(from), pool.end(), std::greater_equal<uint32_t>()) != pool.end()) {
            std::sort(pool.begin() + long(from), pool.end());
            pool.erase(std::unique(pool.begin() + long(from), pool.end()), pool.end());
        }
        return pool.size() - from;
    }

    // Uncovered-edge buckets.
    void link(uint32_t e, uint32_t b) {
        Link& s = links[e];
        s.prev = NIL;
        s.next = head[b];
        if (s.next != NIL)
            links[s.next].prev = e;
        else
            nonEmpty[b >> 6] |= uint64_t(1) << (b & 63);
        head[b] = e;
    }
    void unlink(uint32_t e, uint32_t b) {
        const Link& s = links[e];
        if (s.prev != NIL)
            links[s.prev].next = s.next;
        else if ((head[b] = s.next) == NIL)
            nonEmpty[b >> 6] &= ~(uint64_t(1) << (b & 63));
        if (s.next != NIL) links[s.next].prev = s.prev;
    }
    uint32_t minBucket() const {
        for (size_t i = 0;; i++)
            if (nonEmpty[i]) return uint32_t(i * 64 + size_t(__builtin_ctzll(nonEmpty[i])));
    }

    // w stops / starts being usable.
    void dropUsable(uint32_t w) {
        for (size_t i = ostart[w]; i < ostart[w + 1]; i++) {
            uint32_t e = occ[i];
            uint32_t c = es[e].cnt--;
            if (es[e].hit == 0) {
                unlink(e, c);
                link(e, c - 1);
            }
        }
    }
    void raiseUsable(uint32_t w) {
        for (size_t i = ostart[w]; i < ostart[w + 1]; i++) {
            uint32_t e = occ[i];
            uint32_t c = es[e].cnt++;
            if (es[e].hit == 0) {
                unlink(e, c);
                link(e, c + 1);
            }
        }
    }
    void block(uint32_t w) {
        if (blocked[w]++ == 0 && inCand[w]) dropUsable(w);
    }
    void unblock(uint32_t w) {
        if (--blocked[w] == 0 && inCand[w]) raiseUsable(w);
    }

    // Undoes the hits of v on occ[from, to), in reverse order; when `raise`, v also becomes a
    // usable candidate again (its count returns to every edge in the same pass).
    void unhit(uint32_t v, size_t from, size_t to, bool raise) {
        for (size_t i = to; i-- > from;) {
            uint32_t e = occ[i];
            EdgeState& s = es[e];
            assert(s.hit > 0);  // v hits it
            s.cnt += raise;
            uint32_t h = --s.hit;
            if (h == 0) {
                link(e, s.cnt);
                numUncov++;
            } else if (h == 1) {
                crit[s.owner]++;
            }
        }
        crit[v] = 0;
    }

    // Adds v (usable) to S. Returns false, with nothing changed, when that leaves a member of S
    // without a critical edge: no minimal transversal above S holds v.
    bool addToS(uint32_t v) {
        assert(!inS[v] && crit[v] == 0);
        for (size_t i = ostart[v]; i < ostart[v + 1]; i++) {
            uint32_t e = occ[i];
            EdgeState& s = es[e];
            uint32_t h = s.hit++;
            if (h == 0) {
                unlink(e, s.cnt);
                numUncov--;
                s.owner = v;
                crit[v]++;
            } else if (h == 1 && --crit[s.owner] == 0) {
                unhit(v, ostart[v], i + 1, false);
                return false;
            }
        }
        // v was taken from an uncovered edge, which it alone now hits: a member of a minimal set.
        assert(crit[v] > 0);
        S.push_back(v);
        inS[v] = 1;
        block(v ^ 1);
        known->join(v, inS, [this](uint32_t w) { block(w); });
        return true;
    }
    // Takes v, the last vertex added, out of S; `dropped`: v had left CAND and rejoins it.
    void removeFromS(uint32_t v, bool dropped) {
        assert(!S.empty() && S.back() == v);  // S is a stack
        known->leave(v, [this](uint32_t w) { unblock(w); });
        unblock(v ^ 1);
        inS[v] = 0;
        S.pop_back();
        inCand[v] = 1;  // usable: it was when it left CAND, and S is as it was then
        unhit(v, ostart[v], ostart[v + 1], dropped);
    }

    // A node of the bit-set search scans the uncovered edges, m (nv / 64) words at the root; one
    // of the list search walks a few occurrence lists, L / nv entries each (L literals in all),
    // at several times the cost per entry. Measured (random 3-CNF and its primes, CBS, gh_4,
    // smokers, flat30): the bit sets win on hypergraphs of long edges (prime implicants as the
    // edges of the implicates: 2-40 times faster) and lose on the short clauses of a formula
    // with hundreds of them (up to 4 times slower), which is where this rule parts them.
    bool denseWins() const {
        const size_t m = estart.size() - 1, words = (size_t(nv) + 63) / 64, n = nv / 2;
        if (m > max_plain_edges ? sparsePathWords(m, n) > max_sparse_words
                                : (n + 1) * (n + 2) / 2 * ((m + 63) / 64) > max_dense_words)
            return false;
        return m * words * nv <= 32 * elits.size() || m == 0;
    }

    void prepare() {
        size_t m = estart.size() - 1, nk = kstart.size() - 1;
        if (ostart.empty() || occEdges != m) buildOccurrences(nv, elits, estart, ostart, occ), occEdges = m;
        if (!known || knownSets != nk)
            known = std::make_unique<KnownSets>(nv, klits, kstart), knownSets = nk;
        else
            known->reset();
        es.resize(m);
        links.resize(m);
        for (size_t e = 0; e < m; e++) es[e] = EdgeState{0, uint32_t(estart[e + 1] - estart[e]), NIL};
        crit.assign(nv, 0);
        seen.assign(nv, 0);
        blocked.assign(nv, 0);
        inCand.assign(nv, 1);
        inS.assign(nv, 0);
        known->blockSingles([this](uint32_t w) {
            if (blocked[w]++ == 0)
                for (size_t i = ostart[w]; i < ostart[w + 1]; i++) es[occ[i]].cnt--;
        });
        head.assign(size_t(maxEdgeLen) + 1, NIL);
        nonEmpty.assign(size_t(maxEdgeLen) / 64 + 1, 0);
        for (size_t e = m; e-- > 0;) link(uint32_t(e), es[e].cnt);
        numUncov = m;
        S.clear();
        banned.clear();
        pending.clear();
        frames.clear();
    }

    // Visits the node S: reports it, cuts it, or pushes a frame that branches on the usable
    // vertices of an uncovered edge with the fewest, taking them out of CAND (or banning them).
    // Returns false when visit asks to stop.
    bool enter(const std::function<bool(const std::vector<int>&)>& visit) {
        if (numUncov == 0) {
            reportedSet(S, inS, nv, out);
            found++;
            return visit(out);
        }
        if (!step()) return false;
        if (maxSize != 0 && S.size() >= maxSize) return true;
        uint32_t b = minBucket();
        if (b == 0) return true;  // an uncovered edge that nothing usable can hit
        uint32_t e = head[b];
        if (maxSize != 0 && S.size() + 1 == maxSize) return lastLevel(e, visit);
        // The last usable vertex of F is branched on first, without leaving CAND.
        uint32_t first = NIL;
        for (size_t j = estart[e]; j < estart[e + 1]; j++)
            if (inCand[elits[j]] && blocked[elits[j]] == 0) first = elits[j];
        if (first == NIL) return true;  // only banned vertices were left
        frames.push_back(Frame{pending.size(), banned.size(), NIL, false});
        for (size_t j = estart[e]; j < estart[e + 1]; j++) {
            uint32_t w = elits[j];
            if (w == first || !inCand[w] || blocked[w] != 0) continue;
            if (dropChecked(w)) {
                pending.push_back(w);
                inCand[w] = 0;
            } else {
                ban(w);
            }
        }
        pending.push_back(first | UNDROPPED);
        return true;
    }

    // The children of a node one vertex below the size bound: only one that hits every uncovered
    // edge can be reported, and every other is cut as soon as it is entered. So each usable
    // vertex of e is first counted against the uncovered edges, in one walk of its occurrence
    // list that stops once it cannot hit them all, and only one that hits them all is added to
    // S; the frame would drop each from CAND, add it, enter it and take it out again (five
    // walks). The children come in the frame's order (the last usable vertex first, which is
    // descending position in e), so the reports come in the same order; every child not
    // reported counts a step.
    bool lastLevel(uint32_t e, const std::function<bool(const std::vector<int>&)>& visit) {
        for (size_t j = estart[e + 1]; j-- > estart[e];) {
            const uint32_t w = elits[j];
            if (!inCand[w] || blocked[w] != 0) continue;
            const size_t end = ostart[w + 1];
            size_t hits = 0;
            for (size_t i = ostart[w]; i < end && hits < numUncov && hits + (end - i) >= numUncov; i++)
                hits += es[occ[i]].hit == 0;
            if (hits == numUncov && addToS(w)) {  // entered, S is reported
                const bool go = enter(visit);
                removeFromS(w, false);
                if (!go) return false;
            } else if (!step()) {
                return false;
            }
        }
        return true;
    }

    // Counts a node that reports nothing, polls, and says whether the step limit lets the run go on.
    bool step() {
        ++steps;
        if (poll && (steps & (poll_interval - 1)) == 0) poll();
        if (stepBase != 0 && steps > stepBase + stepPer * found) {
            limitHit = true;
            return false;
        }
        return true;
    }

    // No minimal transversal above S holds w (a usable candidate): no branch below S takes it.
    // It is not taken out of the counts, which stay an upper bound until the ban ends.
    void ban(uint32_t w) {
        blocked[w]++;
        banned.push_back(w);
    }

    // Takes w out of the usable candidates, unless adding w to S would leave a member of S
    // without a critical edge; then w is left as it was and the answer is false.
    bool dropChecked(uint32_t w) {
        size_t i = ostart[w], end = ostart[w + 1];
        bool bad = false;
        for (; i < end; i++) {
            uint32_t e = occ[i];
            EdgeState& s = es[e];
            uint32_t c = s.cnt--;
            if (s.hit == 0) {
                unlink(e, c);
                link(e, c - 1);
            } else if (s.hit == 1) {
                uint32_t u = s.owner;
                if (seen[u]++ == 0) touched.push_back(u);
                if (seen[u] == crit[u]) {
                    bad = true;
                    i++;
                    break;
                }
            }
        }
        for (uint32_t u : touched) seen[u] = 0;
        touched.clear();
        if (!bad) return true;
        while (i-- > ostart[w]) {
            uint32_t e = occ[i];
            uint32_t c = es[e].cnt++;
            if (es[e].hit == 0) {
                unlink(e, c);
                link(e, c + 1);
            }
        }
        return false;
    }

    // Runs the list or the bit-set search, as the method says.
    bool search(const std::function<bool(const std::vector<int>&)>& visit);

    bool run(const std::function<bool(const std::vector<int>&)>& visit) {
        steps = found = 0;
        limitHit = false;
        if (emptyKnown) return true;
        prepare();
        if (!enter(visit)) return false;
        while (!frames.empty()) {
            Frame& f = frames.back();
            if (f.v != NIL) {  // the last branch is done
                removeFromS(f.v, f.dropped);
                f.v = NIL;
            }
            if (pending.size() == f.base) {
                for (size_t i = f.banBase; i < banned.size(); i++) blocked[banned[i]]--;
                banned.resize(f.banBase);
                frames.pop_back();
                continue;
            }
            uint32_t v = pending.back() & ~UNDROPPED;
            bool dropped = !(pending.back() & UNDROPPED);
            pending.pop_back();
            if (addToS(v)) {  // never fails for a dropped vertex: dropChecked tested it
                f.v = v;
                f.dropped = dropped;
                if (!enter(visit)) return false;
            } else {
                ban(v);
            }
        }
        return true;
    }
};

TransversalEngine::TransversalEngine(int n) : impl(new Impl(n)) {}
TransversalEngine::~TransversalEngine() { delete impl; }

void TransversalEngine::addEdge(const int* begin, const int* end) {
    Impl& d = *impl;
    size_t len = d.append(begin, end, d.elits);
    d.maxEdgeLen = std::max(d.maxEdgeLen, uint32_t(len));
    d.estart.push_back(d.elits.size());
}

void TransversalEngine::addKnown(const int* begin, const int* end) {
    Impl& d = *impl;
    d.knownAdded++;
    size_t len = d.append(begin, end, d.klits);
    if (len == 0) d.emptyKnown = true;
    bool complementary = false;  // never inside a consistent S: not worth keeping
    for (size_t j = d.klits.size() - len; j + 1 < d.klits.size(); j++)
        if ((d.klits[j] ^ 1) == d.klits[j + 1]) complementary = true;
    if (complementary)
        d.klits.resize(d.klits.size() - len);
    else if (len > 0)
        d.kstart.push_back(d.klits.size());
}

void TransversalEngine::setMaxSize(int k) {
    assert(k >= 0);
    impl->maxSize = k > 0 ? size_t(k) : 0;
}

void TransversalEngine::setStepLimit(uint64_t base, uint64_t per_transversal) {
    impl->stepBase = base;
    impl->stepPer = per_transversal;
}

bool TransversalEngine::stepLimitHit() const { return impl->limitHit; }

void TransversalEngine::liftStepLimit() { impl->stepBase = 0; }

size_t TransversalEngine::numEdges() const { return impl->estart.size() - 1; }
size_t TransversalEngine::numKnown() const { return impl->knownAdded; }

void TransversalEngine::setMethod(Method method) { impl->method = method; }
void TransversalEngine::setTwins(Twins twins) { impl->twins = twins; }
void TransversalEngine::setPoll(std::function<void()> poll) { impl->poll = std::move(poll); }

bool TransversalEngine::Impl::search(const std::function<bool(const std::vector<int>&)>& visit) {
    bool bits = nv <= max_dense_vertices && (method == Method::BitSets || method == Method::SparseBitSets ||
                                             (method == Method::Auto && denseWins()));
    if (!bits) return run(visit);
    limitHit = false;
    if (emptyKnown) return true;
    TransversalProblem p{nv, elits, estart, klits, kstart, maxSize, stepBase, stepPer, poll ? &poll : nullptr,
                         poll_interval, method == Method::SparseBitSets};
    return denseTransversals(p, visit, limitHit);
}

bool TransversalEngine::enumerate(const std::function<bool(const std::vector<int>&)>& visit) {
    Impl& d = *impl;
    TwinVertices twins;
    const bool merge = d.twins == Twins::Merge || (d.twins == Twins::Auto && d.estart.size() > min_twin_edges);
    if (d.emptyKnown || !merge || !twins.build(d.nv, d.elits, d.estart, d.klits, d.kstart)) return d.search(visit);
    // The search runs over the merged vertices, with this run's bounds; its steps and results
    // are those of the merged hypergraph.
    Impl m(int(twins.nv / 2));
    m.method = d.method;
    m.maxSize = d.maxSize;
    m.stepBase = d.stepBase;
    m.stepPer = d.stepPer;
    m.poll = d.poll;
    m.elits = std::move(twins.elits);
    m.estart = std::move(twins.estart);
    m.klits = std::move(twins.klits);
    m.kstart = std::move(twins.kstart);
    m.maxEdgeLen = twins.maxEdgeLen;
    const bool done = m.search([&](const std::vector<int>& merged) {
        const bool go_on = twins.expand(merged, visit);
        if (d.stepBase == 0) m.stepBase = 0;  // lifted by visit
        return go_on;
    });
    d.limitHit = m.limitHit;
    return done;
}

}  // namespace primal
