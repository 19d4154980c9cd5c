// MMCS over bit sets. Level d of the search (S has d members) keeps U_d, the uncovered edges,
// and crit_d[j], the critical edges of the j-th member of S; adding v gives
//   U_{d+1} = U_d \ occ(v),  crit_{d+1}[j] = crit_d[j] \ occ(v),  crit_{d+1}[d] = U_d ∩ occ(v),
// and v keeps S minimal exactly when no crit_{d+1}[j] is empty. Levels are stored one after the
// other (level d holds d + 1 edge sets), so going back up costs nothing. On many edges the sets
// are kept sparse (Plain and Sparse below), so that a deep node costs the edges left to it. A
// vertex that breaks minimality at a node does so everywhere below it (critical edges only
// shrink), so it is dropped for the rest of the node rather than offered to the later branches.
//
// Under a size bound k the last member must lie in every edge still uncovered, so the last
// level branches on their intersection, and a child of the level before it is built only when
// that intersection can be non-empty: most are not, and the test costs a few edges against the
// d + 2 edge sets a child's level writes. Known sets of k members are looked up by key where
// S would become one, instead of being counted at every join (KnownSets): S can only hold such
// a set by being it.
//
// Blocked vertices (the complement of a member; the last missing member of a known set) keep a
// count, as in the occurrence-list search; a bit set of them is what the branch choice reads.
// The recursion is at most n + 1 deep, n <= 128.
#include "transversal/DenseTransversals.h"

#include "transversal/KnownSets.h"
#include "transversal/ReportedSet.h"
#include "utils/BitCount.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace primal {

namespace {

// The branch choice counts the usable vertices of every uncovered edge at every node, with the
// processor's popcount instruction where it has one (utils/BitCount.h).
struct SoftCount {
    static unsigned of(uint64_t x) { return softPopcount(x); }
};
struct HardCount {
    __attribute__((always_inline)) static unsigned of(uint64_t x) { return unsigned(__builtin_popcountll(x)); }
};

// An edge set of m edges in M = ceil(m / 64) words, in one of two layouts: Plain, the M words;
// Sparse, a count c and c pairs (word index, non-zero word), indices rising. Deep in a search
// over many edges the uncovered and critical edges lie in a few of the M words (prime
// implicants as edges: 26 and 288 of 2187 at the depth most nodes have), so a node costs what
// is left rather than the edge count; up to a few thousand edges the plain words are cheaper.
// Word i of the set of all m edges.
inline uint64_t allWord(uint32_t m, uint32_t i) {
    return i + 1 < (m + 63) / 64 || m % 64 == 0 ? ~uint64_t(0) : (uint64_t(1) << (m % 64)) - 1;
}
struct Plain {
    // Appends the set of all m edges.
    static void all(uint32_t m, uint32_t M, std::vector<uint64_t>& out) {
        for (uint32_t i = 0; i < M; i++) out.push_back(allWord(m, i));
    }
    static size_t length(const uint64_t*, uint32_t M) { return M; }
    static bool none(const uint64_t* s, uint32_t M) {
        for (uint32_t i = 0; i < M; i++)
            if (s[i] != 0) return false;
        return true;
    }
    // Calls f(word index, word) in rising order while f returns true.
    template <class F>
    __attribute__((always_inline)) static void words(const uint64_t* s, uint32_t M, F&& f) {
        for (uint32_t i = 0; i < M; i++)
            if (!f(i, s[i])) return;
    }
    // Writes a \ ov (keep = false) or a ∩ ov (keep = true) at out; returns the end. `any`:
    // whether the result has an edge.
    static uint64_t* filtered(const uint64_t* a, uint32_t M, const uint64_t* ov, bool keep, uint64_t* out,
                              bool& any) {
        const uint64_t flip = keep ? 0 : ~uint64_t(0);
        uint64_t all = 0;
        for (uint32_t i = 0; i < M; i++) all |= out[i] = a[i] & (ov[i] ^ flip);
        any = all != 0;
        return out + M;
    }
};
struct Sparse {
    static void all(uint32_t m, uint32_t M, std::vector<uint64_t>& out) {
        out.push_back(M);
        for (uint32_t i = 0; i < M; i++) out.push_back(i), out.push_back(allWord(m, i));
    }
    static size_t length(const uint64_t* s, uint32_t) { return 1 + 2 * s[0]; }
    static bool none(const uint64_t* s, uint32_t) { return s[0] == 0; }
    template <class F>
    __attribute__((always_inline)) static void words(const uint64_t* s, uint32_t, F&& f) {
        const uint64_t* end = s + 1 + 2 * s[0];
        for (const uint64_t* q = s + 1; q != end; q += 2)
            if (!f(uint32_t(q[0]), q[1])) return;
    }
    // Writes one pair past the end it returns.
    static uint64_t* filtered(const uint64_t* a, uint32_t, const uint64_t* ov, bool keep, uint64_t* out,
                              bool& any) {
        uint64_t* q = out + 1;
        const uint64_t flip = keep ? 0 : ~uint64_t(0);
        const uint64_t* end = a + 1 + 2 * a[0];
        for (const uint64_t* p = a + 1; p != end; p += 2) {
            const uint64_t w = p[1] & (ov[p[0]] ^ flip);
            q[0] = p[0];
            q[1] = w;
            q += w != 0 ? 2 : 0;
        }
        out[0] = uint64_t(q - out - 1) / 2;
        any = out[0] != 0;
        return q;
    }
};

// The uncovered edge (U) with the fewest usable vertices, the last of equals; stops at one with
// none. `fewest` gets their number.
template <class Count, class Sets, unsigned W>
__attribute__((always_inline)) inline uint32_t fewestUsable(const uint64_t* U, uint32_t M,
                                                             const std::array<uint64_t, W>* edge,
                                                             const std::array<uint64_t, W>& usable, unsigned& fewest) {
    uint32_t best = 0;
    Sets::words(U, M, [&](uint32_t i, uint64_t word) {
        for (uint64_t bits = word; bits != 0 && fewest > 0; bits &= bits - 1) {
            const uint32_t e = i * 64 + uint32_t(__builtin_ctzll(bits));
            unsigned c = 0;
            for (unsigned w = 0; w < W; w++) c += Count::of(edge[e][w] & usable[w]);
            if (c <= fewest) fewest = c, best = e;
        }
        return fewest > 0;
    });
    return best;
}

template <class Sets, unsigned W>
uint32_t fewestUsableSoft(const uint64_t* U, uint32_t M, const std::array<uint64_t, W>* edge,
                          const std::array<uint64_t, W>& usable, unsigned& fewest) {
    return fewestUsable<SoftCount, Sets, W>(U, M, edge, usable, fewest);
}

template <class Sets, unsigned W>
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("popcnt")))
#endif
uint32_t fewestUsableHard(const uint64_t* U, uint32_t M, const std::array<uint64_t, W>* edge,
                          const std::array<uint64_t, W>& usable, unsigned& fewest) {
    return fewestUsable<HardCount, Sets, W>(U, M, edge, usable, fewest);
}

template <unsigned W, class Sets>
class DenseSearch {
    using VSet = std::array<uint64_t, W>;

public:
    DenseSearch(const TransversalProblem& p, const std::function<bool(const std::vector<int>&)>& visit)
        : p(p), visit(visit), m(uint32_t(p.estart.size() - 1)), M((m + 63) / 64), ownKnown(splitKnown()),
          known(p.nv, ownKnown ? ownLits : p.klits, ownKnown ? ownStart : p.kstart) {
        edge.assign(m, VSet{});
        occ.assign(size_t(p.nv) * M, 0);
        for (uint32_t e = 0; e < m; e++)
            for (size_t j = p.estart[e]; j < p.estart[e + 1]; j++) {
                uint32_t x = p.elits[j];
                edge[e][x / 64] |= uint64_t(1) << (x % 64);
                occ[size_t(x) * M + e / 64] |= uint64_t(1) << (e % 64);
            }
        blockCount.assign(p.nv, 0);
        inS.assign(p.nv, 0);
        known.blockSingles([this](uint32_t w) { block(w); });
        Sets::all(m, M, sets);  // level 0: U_0 and no member
    }

    bool run(bool& limit_hit) {
        VSet cand;
        cand.fill(~uint64_t(0));
        if (p.nv % 64 != 0) cand[p.nv / 64] = (uint64_t(1) << (p.nv % 64)) - 1;
        for (unsigned i = p.nv / 64 + (p.nv % 64 != 0); i < W; i++) cand[i] = 0;
        bool done = node(0, 0, 0, cand);
        limit_hit = limitHit;
        return done;
    }

private:
    const TransversalProblem& p;
    const std::function<bool(const std::vector<int>&)>& visit;
    const uint32_t m, M;
    std::vector<VSet> edge;
    std::vector<uint64_t> occ;  // vertex x's edges: occ[x * M ..]
    uint32_t (*const scan)(const uint64_t*, uint32_t, const VSet*, const VSet&, unsigned&) =
        hasPopcountInstruction() ? &fewestUsableHard<Sets, W> : &fewestUsableSoft<Sets, W>;
    // Under a size bound k: a key per vertex, S's key (the XOR of its members'), and the known
    // sets of k members by key, sorted, so that whether S is one takes a look-up (checked
    // member by member: keys of different sets may agree).
    std::vector<uint64_t> key;
    uint64_t keyS = 0;
    std::vector<std::pair<uint64_t, uint32_t>> knownByKey;
    // The other known sets, which the counts below watch: all of them without a size bound.
    std::vector<uint32_t> ownLits;
    std::vector<size_t> ownStart;
    bool ownKnown;
    KnownSets known;
    std::vector<uint32_t> blockCount, S;
    std::vector<char> inS;
    VSet blocked{};
    // Level d holds crit_d[0..d-1], then U_d, in the layout of Sets.
    std::vector<uint64_t> sets;
    std::vector<int> out;
    uint64_t steps = 0, found = 0;
    bool limitHit = false;

    // Under a size bound k a known set of k members needs no count: S can only hold it by being
    // it, at the deepest level, so it is enough to not report that set (looked up by key) where
    // the count would have blocked its last member. A known set longer than k is never held at
    // all. Shorter known sets keep their counts, which cut branches above the last level. Late
    // in a bounded run most known sets have k members (the implicates), and counting them made
    // each join cost hundreds of updates. Returns whether ownLits/ownStart hold the sets left
    // to count.
    bool splitKnown() {
        if (p.maxSize == 0) return false;
        key.resize(p.nv);
        uint64_t x = 0;
        for (uint64_t& k : key) {  // splitmix64
            uint64_t z = x += 0x9e3779b97f4a7c15ull;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
            k = z ^ (z >> 31);
        }
        ownStart.push_back(0);
        for (uint32_t k = 0; k + 1 < p.kstart.size(); k++) {
            const size_t b = p.kstart[k], e = p.kstart[k + 1];
            if (e - b == p.maxSize) {
                uint64_t h = 0;
                for (size_t j = b; j < e; j++) h ^= key[p.klits[j]];
                knownByKey.emplace_back(h, k);
            } else if (e - b < p.maxSize) {
                ownLits.insert(ownLits.end(), p.klits.begin() + ptrdiff_t(b), p.klits.begin() + ptrdiff_t(e));
                ownStart.push_back(ownLits.size());
            }
        }
        std::sort(knownByKey.begin(), knownByKey.end());
        return true;
    }

    // Whether S + v + w (v and w not in S; w == v for S + v), of maxSize members, is a known set.
    bool knownFull(uint32_t v, uint32_t w) const {
        assert(S.size() + 1 + (w != v) == p.maxSize);
        if (knownByKey.empty()) return false;
        const uint64_t h = keyS ^ key[v] ^ (w != v ? key[w] : 0);
        auto it = std::lower_bound(knownByKey.begin(), knownByKey.end(), std::make_pair(h, uint32_t(0)));
        for (; it != knownByKey.end() && it->first == h; ++it)
            if (std::all_of(p.klits.begin() + ptrdiff_t(p.kstart[it->second]),
                            p.klits.begin() + ptrdiff_t(p.kstart[it->second + 1]),
                            [&](uint32_t x) { return inS[x] != 0 || x == v || x == w; }))
                return true;
        return false;
    }

    void block(uint32_t w) {
        if (blockCount[w]++ == 0) blocked[w / 64] |= uint64_t(1) << (w % 64);
    }
    void unblock(uint32_t w) {
        if (--blockCount[w] == 0) blocked[w / 64] &= ~(uint64_t(1) << (w % 64));
    }

    void push(uint32_t v) {
        if (!key.empty()) keyS ^= key[v];
        S.push_back(v);
        inS[v] = 1;
        block(v ^ 1);
        known.join(v, inS, [this](uint32_t w) { block(w); });
    }
    void pop(uint32_t v) {
        known.leave(v, [this](uint32_t w) { unblock(w); });
        unblock(v ^ 1);
        inS[v] = 0;
        S.pop_back();
        if (!key.empty()) keyS ^= key[v];
    }

    // Whether S + v, one vertex short of the size bound, may still be completed: its last vertex
    // w must lie in every edge that v leaves uncovered, be usable below v (a candidate there,
    // not blocked now, not v's complement), and S + v + w must be no known set (which is what
    // the child would block it for: a known set inside the transversal S + v + w is all of it
    // when that is minimal). Most children of the level before the last fail this after a few
    // edges, and late in a run the rest mostly end in known sets; either test is far cheaper
    // than building the child's level. `within` gets those w before the known-set test; the
    // child's branches are its own usable vertices among them.
    bool completable(const uint64_t* U, const uint64_t* ov, const VSet& rest, uint32_t v, VSet& within) const {
        for (unsigned w = 0; w < W; w++) within[w] = rest[w] & ~blocked[w];
        within[(v ^ 1) / 64] &= ~(uint64_t(1) << ((v ^ 1) % 64));
        bool covers = true;  // S + v is itself a transversal, which the child reports
        bool left = true;
        Sets::words(U, M, [&](uint32_t i, uint64_t word) {
            for (uint64_t bits = word & ~ov[i]; bits != 0 && left; bits &= bits - 1) {
                const VSet& f = edge[i * 64 + uint32_t(__builtin_ctzll(bits))];
                uint64_t any = 0;
                for (unsigned w = 0; w < W; w++) any |= within[w] &= f[w];
                left = any != 0;
                covers = false;
            }
            return left;
        });
        if (!left) return false;
        if (covers) return true;
        for (unsigned wi = 0; wi < W; wi++)
            for (uint64_t bits = within[wi]; bits != 0; bits &= bits - 1)
                if (!knownFull(v, wi * 64 + uint32_t(__builtin_ctzll(bits)))) return true;
        return false;
    }

    // The node with d members whose level starts at word `at`, its U_d at `uat`; cand: the
    // candidate vertices. meet: at the last level, the intersection of the uncovered edges with
    // a superset of the usable vertices, as completable() found it for this node (nullptr: not
    // known). Kept out of run(): inlined there, its first levels compiled to 6-8% more
    // instructions.
    __attribute__((noinline)) bool node(uint32_t d, size_t at, size_t uat, const VSet& cand,
                                        const VSet* meet = nullptr) {
        const uint64_t* U = sets.data() + uat;
        if (Sets::none(U, M)) {
            reportedSet(S, inS, p.nv, out);
            found++;
            return visit(out);
        }
        ++steps;
        if (p.poll != nullptr && (steps & (p.poll_interval - 1)) == 0) (*p.poll)();
        if (p.stepBase != 0 && steps > p.stepBase + p.stepPer * found) {
            limitHit = true;
            return false;
        }
        if (p.maxSize != 0 && d >= p.maxSize) return true;

        const bool before_last = p.maxSize != 0 && d + 2 == p.maxSize, last = p.maxSize != 0 && d + 1 == p.maxSize;
        VSet usable;
        for (unsigned i = 0; i < W; i++) usable[i] = cand[i] & ~blocked[i];
        VSet branch, rest;
        if (last) {
            // One vertex left under the size bound: only a usable vertex in every uncovered edge
            // can complete S, so the branches are their intersection, which is mostly empty
            // after a few edges (most nodes of a bounded search are here).
            branch = usable;
            uint64_t left = ~uint64_t(0);
            if (meet != nullptr) {
                left = 0;
                for (unsigned w = 0; w < W; w++) left |= branch[w] &= (*meet)[w];
            } else {
                Sets::words(U, M, [&](uint32_t i, uint64_t word) {
                    for (uint64_t bits = word; bits != 0 && left != 0; bits &= bits - 1) {
                        const VSet& f = edge[i * 64 + uint32_t(__builtin_ctzll(bits))];
                        left = 0;
                        for (unsigned w = 0; w < W; w++) left |= branch[w] &= f[w];
                    }
                    return left != 0;
                });
            }
            if (left == 0) return true;
            rest = cand;  // the children are leaves
        } else {
            unsigned fewest = ~0u;
            const uint32_t best = scan(U, M, edge.data(), usable, fewest);
            if (fewest == 0) return true;  // an uncovered edge that nothing usable can hit
            for (unsigned i = 0; i < W; i++) {
                branch[i] = edge[best][i] & usable[i];
                rest[i] = cand[i] & ~branch[i];
            }
        }
        VSet meet_below;
        // The child's level: each set of this one filtered, U_d split in two, and room for the
        // pair Sparse::filtered writes past a set's end.
        const size_t ulen = Sets::length(U, M), next = uat + ulen, need = next + (next - at) + ulen + 3;
        if (sets.size() < need) sets.resize(need);
        for (unsigned wi = 0; wi < W; wi++)
            for (uint64_t bits = branch[wi]; bits != 0; bits &= bits - 1) {
                const uint32_t v = wi * 64 + uint32_t(__builtin_ctzll(bits));
                const uint64_t* ov = occ.data() + size_t(v) * M;
                if (before_last && !completable(sets.data() + uat, ov, rest, v, meet_below)) {
                    rest[wi] |= uint64_t(1) << (v % 64);
                    continue;
                }
                if (last && knownFull(v, v)) continue;  // the child would be that set
                const uint64_t* c = sets.data() + at;
                uint64_t* n = sets.data() + next;
                bool minimal = true;
                for (uint32_t j = 0; j < d && minimal; j++) {
                    uint64_t* e = Sets::filtered(c, M, ov, false, n, minimal);
                    c += Sets::length(c, M);
                    n = e;
                }
                if (!minimal) continue;
                assert(c == sets.data() + uat);
                bool any;
                n = Sets::filtered(c, M, ov, true, n, any);  // crit_{d+1}[d]: the edges only v covers
                const size_t child_uat = size_t(n - sets.data());
                Sets::filtered(c, M, ov, false, n, any);
                assert(child_uat + Sets::length(sets.data() + child_uat, M) <= need);
                push(v);
                bool go_on = node(d + 1, next, child_uat, rest, before_last ? &meet_below : nullptr);
                pop(v);
                if (!go_on) return false;
                rest[wi] |= uint64_t(1) << (v % 64);  // later branches may take v
            }
        return true;
    }
};

template <unsigned W>
bool runDense(const TransversalProblem& p, const std::function<bool(const std::vector<int>&)>& visit, bool& limit_hit) {
    if (p.sparse || p.estart.size() - 1 > max_plain_edges) {
        DenseSearch<W, Sparse> search(p, visit);
        return search.run(limit_hit);
    }
    DenseSearch<W, Plain> search(p, visit);
    return search.run(limit_hit);
}

}  // namespace

bool denseTransversals(const TransversalProblem& p, const std::function<bool(const std::vector<int>&)>& visit,
                       bool& limit_hit) {
    assert(p.nv <= max_dense_vertices);
    switch ((p.nv + 63) / 64) {
        case 0:
        case 1: return runDense<1>(p, visit, limit_hit);
        case 2: return runDense<2>(p, visit, limit_hit);
        case 3: return runDense<3>(p, visit, limit_hit);
        default: return runDense<4>(p, visit, limit_hit);
    }
}

}  // namespace primal
