#include "transversal/TwinVertices.h"

#include <algorithm>
#include <cassert>
#include <unordered_map>

#include "transversal/Occurrences.h"
#include "utils/LitIndex.h"

namespace primal {

namespace {
const uint32_t NONE = UINT32_MAX;
}

bool TwinVertices::build(uint32_t n_vertices, const std::vector<uint32_t>& el, const std::vector<size_t>& es,
                         const std::vector<uint32_t>& kl, const std::vector<size_t>& ks) {
    std::vector<size_t> os;
    std::vector<uint32_t> oc;
    buildOccurrences(n_vertices, el, es, os, oc);
    std::vector<char> apart(n_vertices, 0);
    for (uint32_t x : kl) apart[x] = 1;

    // Vertices with the same edges (a hash of the list, then compared in full), in classes
    // numbered in the order of their first member.
    std::vector<uint32_t> cls(n_vertices, NONE);
    uint32_t nc = 0;
    {
        std::vector<uint32_t> first;
        std::unordered_map<uint64_t, std::vector<uint32_t>> byHash;
        for (uint32_t x = 0; x < n_vertices; x++) {
            if (os[x] == os[x + 1]) continue;  // in no edge: in no minimal transversal
            uint64_t h = 1469598103934665603ull ^ (os[x + 1] - os[x]);
            for (size_t i = os[x]; i < os[x + 1]; i++) h = (h ^ oc[i]) * 1099511628211ull;
            std::vector<uint32_t>& bucket = byHash[h];
            if (!apart[x])
                for (uint32_t c : bucket) {
                    const uint32_t y = first[c];
                    if (!apart[y] && std::equal(oc.begin() + long(os[x]), oc.begin() + long(os[x + 1]),
                                                oc.begin() + long(os[y]), oc.begin() + long(os[y + 1]))) {
                        cls[x] = c;
                        break;
                    }
                }
            if (cls[x] == NONE) {
                cls[x] = uint32_t(first.size());
                bucket.push_back(cls[x]);
                first.push_back(x);
            }
        }
        nc = uint32_t(first.size());
    }
    // Every merged transversal must have a consistent choice, or the search would walk ones that
    // yield nothing (the clauses of zebra_v155: {-a, -b} merged beside {a} and {b}, no end in
    // 20 s against 0.01 s). Each other class of a choice takes away at most one member of a
    // class, and only if it holds complements of its members; so a class with more members than
    // classes holding their complements always keeps one. A lone literal is blocked by a lone
    // complement in the search itself (below). A class that falls short is split into single
    // vertices, which may make others fall short in turn.
    std::vector<uint32_t> mates;
    for (bool split = true; split;) {
        split = false;
        std::vector<std::vector<uint32_t>> byClass(nc);
        for (uint32_t x = 0; x < n_vertices; x++)
            if (cls[x] != NONE) byClass[cls[x]].push_back(x);
        for (uint32_t c = 0; c < byClass.size(); c++) {
            if (byClass[c].size() < 2) continue;
            mates.clear();
            for (uint32_t x : byClass[c])
                if (cls[x ^ 1] != NONE && cls[x ^ 1] != c) mates.push_back(cls[x ^ 1]);
            std::sort(mates.begin(), mates.end());
            if (byClass[c].size() > size_t(std::unique(mates.begin(), mates.end()) - mates.begin())) continue;
            for (size_t i = 1; i < byClass[c].size(); i++) cls[byClass[c][i]] = nc++;
            split = true;
        }
    }
    // Numbered again in the order of their first member (splitting numbered the new ones last).
    std::vector<uint32_t> renum(nc, NONE), first, size;
    bool merged = false;
    for (uint32_t x = 0; x < n_vertices; x++)
        if (cls[x] != NONE) {
            uint32_t& c = renum[cls[x]];
            if (c == NONE) {
                c = uint32_t(first.size());
                first.push_back(x);
                size.push_back(0);
            }
            cls[x] = c;
            merged |= size[c]++ > 0;
        }
    if (!merged) return false;

    // Merged vertices two by two: a lone literal with its complement when that is alone too, so
    // that the search keeps blocking it; any other with a partner in no edge.
    std::vector<uint32_t> slot(nc, NONE);
    nv = 0;
    for (uint32_t c = 0; c < nc; c++) {
        if (slot[c] != NONE) continue;
        const uint32_t x = first[c], cc = cls[x ^ 1];
        if (size[c] == 1 && cc != NONE && size[cc] == 1 && slot[cc] == NONE) {
            slot[c] = nv + (x & 1);
            slot[cc] = nv + ((x ^ 1) & 1);
        } else {
            slot[c] = nv;
        }
        nv += 2;
    }
    mstart.assign(size_t(nv) + 1, 0);
    for (uint32_t x = 0; x < n_vertices; x++)
        if (cls[x] != NONE) mstart[slot[cls[x]] + 1]++;
    for (uint32_t s = 0; s < nv; s++) mstart[s + 1] += mstart[s];
    members.resize(mstart[nv]);
    {
        std::vector<uint32_t> fill(mstart.begin(), mstart.end() - 1);
        for (uint32_t x = 0; x < n_vertices; x++)
            if (cls[x] != NONE) members[fill[slot[cls[x]]]++] = x;
    }

    elits.clear();
    estart.assign(1, 0);
    maxEdgeLen = 0;
    for (size_t e = 0; e + 1 < es.size(); e++) {
        const size_t from = elits.size();
        for (size_t j = es[e]; j < es[e + 1]; j++) elits.push_back(slot[cls[el[j]]]);
        std::sort(elits.begin() + long(from), elits.end());
        elits.erase(std::unique(elits.begin() + long(from), elits.end()), elits.end());
        maxEdgeLen = std::max(maxEdgeLen, uint32_t(elits.size() - from));
        estart.push_back(elits.size());
    }
    klits.clear();
    kstart.assign(1, 0);
    for (size_t k = 0; k + 1 < ks.size(); k++) {
        const size_t from = klits.size();
        bool reachable = true;
        for (size_t j = ks[k]; j < ks[k + 1] && reachable; j++) {
            reachable = cls[kl[j]] != NONE;
            klits.push_back(reachable ? slot[cls[kl[j]]] : 0);
        }
        if (!reachable) {
            klits.resize(from);
            continue;
        }
        std::sort(klits.begin() + long(from), klits.end());  // kept apart: one vertex each
        kstart.push_back(klits.size());
    }
    taken.assign(n_vertices, 0);
    return true;
}

bool TwinVertices::expand(const std::vector<int>& merged, const std::function<bool(const std::vector<int>&)>& visit) {
    const size_t k = merged.size();
    slots.clear();
    for (int l : merged) slots.push_back(uint32_t(litIndex(l) - 2));
    // Classes of one member first: the choices then vary at the deepest levels, and a leaf costs
    // a step back and forth there instead of a walk through every single-member level below the
    // last class that has another member to try.
    std::stable_sort(slots.begin(), slots.end(), [this](uint32_t a, uint32_t b) {
        return mstart[a + 1] - mstart[a] < mstart[b + 1] - mstart[b];
    });
    next.assign(k + 1, 0);
    chosen.assign(k, 0);
    if (k == 0) {
        out.clear();
        return visit(out);
    }
    // The single members are in every choice: sorted once. The others enter and leave `out` at
    // their sorted place as they are chosen and dropped, so a leaf costs a shift of a few
    // literals rather than a sort of the whole choice.
    auto dimacs = [](uint32_t x) { return x & 1 ? -int(x / 2 + 1) : int(x / 2 + 1); };
    size_t ones = 0;
    out.clear();
    for (; ones < k && mstart[slots[ones] + 1] - mstart[slots[ones]] == 1; ones++)
        out.push_back(dimacs(members[mstart[slots[ones]]]));
    std::sort(out.begin(), out.end());
    auto drop = [&](size_t level) {
        const uint32_t x = chosen[level];
        taken[x] = 0;
        if (level >= ones) out.erase(std::lower_bound(out.begin(), out.end(), dimacs(x)));
    };
    // Depth-first over the members, level i choosing for slots[i]; next[i] is the position of
    // the member it tries next.
    size_t i = 0;
    next[0] = mstart[slots[0]];
    for (;;) {
        if (i == k) {
            assert(out.size() == k && std::is_sorted(out.begin(), out.end()));
            if (!visit(out)) {
                for (uint32_t x : chosen) taken[x] = 0;
                return false;
            }
            drop(--i);
            continue;
        }
        const size_t end = mstart[slots[i] + 1];
        while (next[i] < end && taken[members[next[i]] ^ 1]) next[i]++;
        if (next[i] < end) {
            const uint32_t x = members[next[i]++];
            taken[x] = 1;
            if (i >= ones) out.insert(std::upper_bound(out.begin(), out.end(), dimacs(x)), dimacs(x));
            chosen[i++] = x;
            if (i < k) next[i] = mstart[slots[i]];
        } else {
            if (i == 0) return true;
            drop(--i);
        }
    }
}

}  // namespace primal
