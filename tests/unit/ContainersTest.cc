// Solver containers: exact growth, clause layout, heap and sort tie-breaks against reference
// implementations, lazy deletion, and state kept intact when growth fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <utility>
#include <vector>

#include "containers/Heap.h"
#include "containers/OccLists.h"
#include "containers/Sort.h"
#include "solver/SolverTypes.h"

using namespace Sat;

namespace {

// Expects f to throw OutOfMemoryException while every container allocation fails; returns the
// number of allocations it tried.
template <class F> int expectOom(F f) {
    static int tries;
    tries = 0;
    ReallocFn saved = std::exchange(reallocHook(), [](void*, size_t) -> void* { return tries++, nullptr; });
    EXPECT_THROW(f(), OutOfMemoryException);
    reallocHook() = saved;
    return tries;
}

template <class T> std::vector<T> items(const vec<T>& v) { return std::vector<T>(v.begin(), v.begin() + v.size()); }

TEST(Vec, GrowthSequenceAliasingAndFailures) {
    vec<int> v;
    v.push(7);
    std::vector<int> caps = {v.allocated()};
    for (int i = 1; i < 80; i++) {
        v.push(v[0]);  // the source element lives in the buffer that moves
        if (caps.back() != v.allocated()) caps.push_back(v.allocated());
    }
    EXPECT_EQ(caps, (std::vector<int>{2, 4, 8, 14, 22, 34, 52, 80}));
    EXPECT_EQ(items(v), std::vector<int>(80, 7));
    vec<int> w;
    v.moveTo(w);
    EXPECT_TRUE(v.size() == 0 && v.allocated() == 0 && w.size() == 80);
    vec<char> e;
    EXPECT_EQ(expectOom([&] { e.capacity(INT_MAX); }), 0);  // refused up front; from empty: no int overflow
    EXPECT_EQ(expectOom([&] { w.capacity(INT_MAX); }), 0);  // above INT_MAX once rounded
    w.shrink(3);
    EXPECT_EQ(expectOom([&] { w.push(0), w.push(1), w.push(2), w.push(99); }), 1);  // the first three fit
    expectOom([&] { w.growTo(100); });
    EXPECT_TRUE(e.allocated() == 0 && w.allocated() == 80 && w.size() == 80);
    w.push(3);
    EXPECT_EQ(w.allocated(), 122);
    EXPECT_EQ(std::vector<int>(w.begin() + 76, w.begin() + 81), (std::vector<int>{7, 0, 1, 2, 3}));
}

TEST(Region, CapacitySequenceAndFailures) {
    RegionAllocator<uint32_t> ra;
    std::vector<uint32_t> caps;
    for (uint32_t i = 0; i < 700; i++) {
        ASSERT_EQ(ra.alloc(1), i);
        ra[i] = i * 3;
        if (caps.empty() || caps.back() != ra.allocated()) caps.push_back(ra.allocated());
    }
    EXPECT_EQ(caps, (std::vector<uint32_t>{2, 4, 8, 14, 24, 40, 66, 108, 176, 288, 470, 764}));
    EXPECT_EQ(RegionAllocator<uint32_t>(1048576).allocated(), 1114192u);  // first step >= 2^20
    EXPECT_EQ(expectOom([&] { ra.alloc(UINT32_MAX - 10); }), 0);  // refused up front: size wraps
    EXPECT_EQ(expectOom([&] { ra.capacity(UINT32_MAX); }), 0);    // capacity passes 32 bits
    expectOom([&] { ra.alloc(100); });
    EXPECT_TRUE(ra.size() == 700 && ra.allocated() == 764);
    EXPECT_EQ(ra.alloc(100), 700u);
    for (uint32_t i = 0; i < 700; i++) ASSERT_EQ(ra[i], i * 3);
}

TEST(Clause, LayoutAccountingAndRelocation) {
    ClauseAllocator ca;
    vec<Lit> ps;
    for (Lit p : {mkLit(0), mkLit(33, true), mkLit(2)}) ps.push(p);
    CRef p = ca.alloc(ps), l = ca.alloc(ps, true);  // 1 + 3 words, and 1 + 3 + 1 with the extra word
    EXPECT_TRUE(p == 0 && l == 4 && ca.size() == 9 && ca[p].header() == 3u << 5);
    EXPECT_EQ(ca[l].header(), (3u << 5) | 8u | 4u);  // size, has_extra, learnt
    EXPECT_TRUE(ca[l][1] == mkLit(33, true) && ca[l].activity() == 0.0f);
    ca[l].mark(1), ca[l].setActivity(2.5f), ca[l].pop();
    EXPECT_TRUE(ca[l].header() == ((2u << 5) | 8u | 4u | 1u) && ca[l].activity() == 2.5f);
    ca.free(p), ca.free(l);
    EXPECT_EQ(ca.wasted(), 4u + 4u);  // the popped learnt clause takes 1 + 2 + 1 words
    ca.extra_clause_field = true;
    EXPECT_EQ(ca[ca.alloc(ps)].abstraction(), 7u);  // variables 0, 33 & 31 == 1, 2
    ClauseAllocator to;
    CRef r1 = l, r2 = l;
    ca.reloc(r1, to), ca.reloc(r2, to);  // the second reference follows the forwarding word
    EXPECT_TRUE(r1 == r2 && ca[l].reloced() && ca[l].relocation() == r1);
    EXPECT_EQ(to[r1].header(), (2u << 5) | 8u | 4u | 1u);
    EXPECT_TRUE(to[r1].activity() == 2.5f && to[r1][1] == mkLit(33, true));
}

struct ActLt {
    const std::vector<double>& act;
    bool operator()(int a, int b) const { return act[a] > act[b]; }
};

TEST(Heap, MatchesReferenceWithManyTies) {
    std::mt19937 rng(7);
    std::vector<double> act(30);
    ActLt lt{act};
    Heap<int, ActLt> heap(lt);
    std::vector<int> h;  // the reference: a binary min-heap array, strict comparisons, left child on a tie
    auto up = [&](size_t i) {
        for (size_t p; i != 0 && lt(h[i], h[p = (i - 1) / 2]); i = p) std::swap(h[i], h[p]);
    };
    auto down = [&](size_t i) {
        for (size_t c; (c = 2 * i + 1) < h.size(); i = c) {
            if (c + 1 < h.size() && lt(h[c + 1], h[c])) c++;
            if (!lt(h[c], h[i])) break;
            std::swap(h[i], h[c]);
        }
    };
    for (int v = 0; v < 30; v++) heap.insert(v), h.push_back(v);  // all keys within indices
    for (int step = 0; step < 3000; step++) {
        int op = rng() % 10, v = rng() % 30;
        size_t at = std::find(h.begin(), h.end(), v) - h.begin();
        bool in = at < h.size();
        ASSERT_EQ(heap.inHeap(v), in);
        if (op < 3 && !in) {
            heap.insert(v), h.push_back(v), up(h.size() - 1);
        } else if (op < 6 && in) {
            act[v] += 1, heap.decrease(v), up(at);  // few distinct activities
        } else if (op < 9 && !h.empty()) {
            ASSERT_EQ(heap.removeMin(), h[0]) << step;
            h[0] = h.back(), h.pop_back(), down(0);
        } else if (op == 9) {
            vec<int> ns;
            h.clear();
            for (int u = 0; u < 30; u++)
                if (rng() % 2) ns.push(u), h.push_back(u);
            heap.build(ns);
            for (int i = int(h.size()) / 2 - 1; i >= 0; i--) down(i);
        }
        ASSERT_EQ(heap.size(), int(h.size()));
        for (int i = 0; i < heap.size(); i++) ASSERT_EQ(heap[i], h[i]) << step;
    }
}

TEST(Heap, HeapAndSetSurviveFailedGrowth) {
    std::vector<double> act(100);
    Heap<int, ActLt> heap(ActLt{act});
    LSet set;
    heap.insert(7), heap.insert(0);              // index map covers 0..7, the heap array is full
    set.insert(mkLit(5)), set.insert(mkLit(0));  // the map covers codes 0..5, the member list is full
    expectOom([&] { heap.insert(1); }), expectOom([&] { heap.insert(50); });  // within the map, beyond it
    expectOom([&] { set.insert(toLit(3)); }), expectOom([&] { set.insert(toLit(50)); });
    EXPECT_TRUE(heap.size() == 2 && !heap.inHeap(1) && !heap.inHeap(50) && set.size() == 2);
    EXPECT_TRUE(!set.has(toLit(3)) && !set.has(toLit(50)));
    heap.insert(1);
    EXPECT_EQ(heap.removeMin() + heap.removeMin() + heap.removeMin(), 8);
    set.insert(mkLit(3, true)), set.insert(mkLit(3, true)), set.insert(mkLit(0));
    EXPECT_TRUE(set.size() == 3 && set[2] == mkLit(3, true));
    int map_size = set.mapSize(), list_cap = set.listAllocated();
    set.clear();  // drops the members, keeps the storage
    EXPECT_TRUE(set.size() == 0 && !set.has(mkLit(0)) && !set.has(mkLit(5)) && !set.has(mkLit(3, true)));
    EXPECT_TRUE(set.mapSize() == map_size && set.listAllocated() == list_cap);
}

struct NegativeDeleted {
    bool operator()(int x) const { return x < 0; }
};

TEST(OccLists, LazyDeletion) {
    OccLists<Lit, vec<int>, NegativeDeleted, MkIndexLit> occ(NegativeDeleted{});
    Lit a = mkLit(0), b = mkLit(1, true), c = mkLit(2);
    occ.init(a), occ.init(b), occ.init(c);
    for (int x : {1, -2, 3, -4, 5}) occ[a].push(x), occ[b].push(-x);
    occ.smudge(a), occ.smudge(a);
    EXPECT_TRUE(occ.dirtyCount() == 1 && occ[a].size() == 5);  // plain indexing sees deleted ones
    EXPECT_EQ(items(occ.lookup(a)), (std::vector<int>{1, 3, 5}));
    occ[a].push(-9), occ.smudge(a), occ.smudge(b), occ.cleanAll();  // a is listed twice by now
    EXPECT_EQ(items(occ[a]), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(items(occ[b]), (std::vector<int>{2, 4}));
    for (int round = 0; round < 2; round++) occ.smudge(a), occ.smudge(b), occ.lookup(a), occ.lookup(b);
    ASSERT_EQ(occ.dirtyCount(), 4);  // the dirty list is full
    expectOom([&] { occ.smudge(c); });
    EXPECT_FALSE(occ.isDirty(c));
    occ[c].push(-1), occ.smudge(c), occ.cleanAll(), occ.init(a);  // init empties a list
    EXPECT_TRUE(occ[c].size() == 0 && occ[a].size() == 0);
}

// The sort as described: selection sort up to 15 elements (the first of equal minima wins),
// otherwise Hoare partition around the middle element.
template <class T, class Lt> void refSort(T* a, int n, Lt lt) {
    if (n <= 15) {
        for (int i = 0; i + 1 < n; i++) std::swap(a[i], *std::min_element(a + i, a + n, lt));
        return;
    }
    T pivot = a[n / 2];
    int i = -1, j = n;
    while (true) {
        while (lt(a[++i], pivot)) {}
        while (lt(pivot, a[--j])) {}
        if (i >= j) break;
        std::swap(a[i], a[j]);
    }
    refSort(a, i, lt), refSort(a + i, n - i, lt);
}

TEST(Sort, ValuesAndTiePlacement) {
    using P = std::pair<int, int>;  // key, payload
    auto byKey = [](const P& x, const P& y) { return x.first < y.first; };
    std::mt19937 rng(3);
    for (int n : {0, 1, 4, 15, 16, 17, 40, 100, 333}) {
        std::vector<P> got, want;
        for (int i = 0; i < n; i++) got.push_back({int(rng() % (n / 4 + 2)), i});
        want = got;
        sort(got.data(), n, byKey);
        refSort(want.data(), n, byKey);
        EXPECT_EQ(got, want) << n;
    }
}

}  // namespace
