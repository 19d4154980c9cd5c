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
#include "core/SolverTypes.h"

using namespace Sat;

namespace {

void* failingRealloc(void*, size_t) { return nullptr; }

struct FailingAllocs {  // every container allocation fails while in scope
    ReallocFn saved = reallocHook();
    FailingAllocs() { reallocHook() = failingRealloc; }
    ~FailingAllocs() { reallocHook() = saved; }
};

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
    w.clear(true);
    for (int i = 0; i < 9; i++) w.push(i);
    EXPECT_EQ(w.allocated(), 14);

    EXPECT_THROW(w.capacity(INT_MAX), OutOfMemoryException);  // above INT_MAX once rounded
    vec<char> e;
    EXPECT_THROW(e.capacity(INT_MAX), OutOfMemoryException);  // from empty: no int overflow
    {
        FailingAllocs fail;
        for (int i = 9; i < 14; i++) w.push(i);  // still fits
        EXPECT_THROW(w.push(99), OutOfMemoryException);
        EXPECT_THROW(w.growTo(100), OutOfMemoryException);
    }
    EXPECT_TRUE(e.allocated() == 0 && w.allocated() == 14 && w.size() == 14);
    w.push(14);
    for (int i = 0; i < 15; i++) ASSERT_EQ(w[i], i);
    EXPECT_EQ(w.allocated(), 22);
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

    EXPECT_THROW(ra.alloc(UINT32_MAX - 10), OutOfMemoryException);  // size wraps
    EXPECT_THROW(ra.capacity(UINT32_MAX), OutOfMemoryException);    // capacity passes 32 bits
    {
        FailingAllocs fail;
        EXPECT_THROW(ra.alloc(100), OutOfMemoryException);
    }
    EXPECT_TRUE(ra.size() == 700 && ra.allocated() == 764);
    EXPECT_EQ(ra.alloc(100), 700u);
    for (uint32_t i = 0; i < 700; i++) ASSERT_EQ(ra[i], i * 3);
}

TEST(Clause, LayoutAccountingAndRelocation) {
    ClauseAllocator ca;
    vec<Lit> ps;
    for (Lit p : {mkLit(0), mkLit(33, true), mkLit(2)}) ps.push(p);
    CRef p = ca.alloc(ps), l = ca.alloc(ps, true);
    EXPECT_TRUE(p == 0 && l == 4 && ca.size() == 9 && ca[p].header() == 3u << 5);
    EXPECT_EQ(ca[l].header(), (3u << 5) | 8u | 4u);  // size, has_extra, learnt
    EXPECT_TRUE(ca[l][1] == mkLit(33, true) && ca[l].activity() == 0.0f);
    ca[l].mark(1), ca[l].setActivity(2.5f), ca[l].pop();
    EXPECT_EQ(ca[l].header(), (2u << 5) | 8u | 4u | 1u);
    EXPECT_EQ(ca[l].activity(), 2.5f);
    ca.free(p), ca.free(l);
    EXPECT_EQ(ca.wasted(), 4u + 4u);  // the popped learnt clause takes 1 + 2 + 1 words

    ca.extra_clause_field = true;
    EXPECT_EQ(ca[ca.alloc(ps)].abstraction(), 7u);  // variables 0, 33 & 31 == 1, 2

    ClauseAllocator to;
    CRef r1 = l, r2 = l;
    ca.reloc(r1, to);
    ca.reloc(r2, to);  // the second reference follows the forwarding word
    EXPECT_TRUE(r1 == r2 && ca[l].reloced() && ca[l].relocation() == r1);
    EXPECT_EQ(to[r1].header(), (2u << 5) | 8u | 4u | 1u);
    EXPECT_TRUE(to[r1].activity() == 2.5f && to[r1][1] == mkLit(33, true));
}

TEST(CoreTypes, LboolEqualityAndLiteralCodes) {
    const lbool three = lbool(uint8_t(3));
    EXPECT_TRUE(three == l_Undef && l_Undef == three && three != l_True && l_False != three);
    EXPECT_EQ(toInt(l_Undef ^ true), 3);
    EXPECT_TRUE((l_True ^ true) == l_False && lbool(true) == l_True && lbool() == l_True && l_False != l_True);
    EXPECT_EQ(~lit_Undef, lit_Error);
    EXPECT_TRUE(toInt(mkLit(5, true)) == 11 && var(~mkLit(5)) == 5 && sign(mkLit(5) ^ true));
}

// The heap as described: binary min-heap array, strict comparisons, left child on a tie.
struct ActLt {
    const std::vector<double>& act;
    bool operator()(int a, int b) const { return act[a] > act[b]; }
};
struct RefHeap {
    ActLt lt;
    std::vector<int> h;
    void up(size_t i) {
        int x = h[i];
        for (; i != 0 && lt(x, h[(i - 1) / 2]); i = (i - 1) / 2) h[i] = h[(i - 1) / 2];
        h[i] = x;
    }
    void down(size_t i) {
        int x = h[i];
        for (size_t c; (c = 2 * i + 1) < h.size(); i = c) {
            if (c + 1 < h.size() && lt(h[c + 1], h[c])) c++;
            if (!lt(h[c], x)) break;
            h[i] = h[c];
        }
        h[i] = x;
    }
    size_t pos(int v) const { return std::find(h.begin(), h.end(), v) - h.begin(); }
};

TEST(Heap, MatchesReferenceWithManyTies) {
    std::mt19937 rng(7);
    std::vector<double> act(30);
    Heap<int, ActLt> heap(ActLt{act});
    RefHeap ref{ActLt{act}, {}};
    int removed = 0;
    for (int v = 0; v < 30; v++) heap.insert(v), ref.h.push_back(v);  // all keys within indices
    for (int step = 0; step < 3000; step++) {
        int op = rng() % 10, v = rng() % 30;
        bool in = ref.pos(v) < ref.h.size();
        ASSERT_EQ(heap.inHeap(v), in);
        if (op < 3 && !in) {
            heap.insert(v), ref.h.push_back(v), ref.up(ref.h.size() - 1);
        } else if (op < 6 && in) {
            act[v] += 1;  // few distinct activities
            heap.decrease(v), ref.up(ref.pos(v));
        } else if (op < 9 && !ref.h.empty()) {
            ASSERT_EQ(heap.removeMin(), ref.h[0]) << step;
            ref.h[0] = ref.h.back(), ref.h.pop_back(), removed++;
            if (ref.h.size() > 1) ref.down(0);
        } else if (op == 9) {
            vec<int> ns;
            ref.h.clear();
            for (int u = 0; u < 30; u++)
                if (rng() % 2) ns.push(u), ref.h.push_back(u);
            heap.build(ns);
            for (int i = int(ref.h.size()) / 2 - 1; i >= 0; i--) ref.down(i);
        }
        ASSERT_EQ(heap.size(), int(ref.h.size()));
        for (int i = 0; i < heap.size(); i++) ASSERT_EQ(heap[i], ref.h[i]) << step;
    }
    EXPECT_GT(removed, 500);
    heap.build(vec<int>());
    EXPECT_TRUE(heap.empty() && !heap.inHeap(0));
}

TEST(Heap, HeapAndSetSurviveFailedGrowth) {
    std::vector<double> act(100);
    Heap<int, ActLt> heap(ActLt{act});
    LSet set;
    heap.insert(7), heap.insert(0);    // index map covers 0..7, the heap array is full
    set.insert(mkLit(5)), set.insert(mkLit(0));  // the map covers codes 0..5, the member list is full
    {
        FailingAllocs fail;
        EXPECT_THROW(heap.insert(1), OutOfMemoryException);
        EXPECT_THROW(heap.insert(50), OutOfMemoryException);
        EXPECT_THROW(set.insert(toLit(3)), OutOfMemoryException);
        EXPECT_THROW(set.insert(toLit(50)), OutOfMemoryException);
    }
    EXPECT_TRUE(heap.size() == 2 && !heap.inHeap(1) && !heap.inHeap(50) && set.size() == 2);
    EXPECT_TRUE(!set.has(toLit(3)) && !set.has(toLit(50)));
    heap.insert(1);
    EXPECT_EQ(heap.removeMin() + heap.removeMin() + heap.removeMin(), 8);
    set.insert(mkLit(3, true)), set.insert(mkLit(3, true)), set.insert(mkLit(0));
    EXPECT_TRUE(set.size() == 3 && set[2] == mkLit(3, true));
    int map_size = set.mapSize(), list_cap = set.listAllocated();
    set.clear();
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
    occ[a].push(-9), occ.smudge(a), occ.smudge(b);  // a is listed twice now
    occ.cleanAll();
    EXPECT_EQ(items(occ[a]), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(items(occ[b]), (std::vector<int>{2, 4}));
    for (int round = 0; round < 2; round++) occ.smudge(a), occ.smudge(b), occ.lookup(a), occ.lookup(b);
    ASSERT_EQ(occ.dirtyCount(), 4);  // the dirty list is full
    {
        FailingAllocs fail;
        EXPECT_THROW(occ.smudge(c), OutOfMemoryException);
    }
    EXPECT_FALSE(occ.isDirty(c));
    occ[c].push(-1), occ.smudge(c), occ.cleanAll();
    occ.init(a);
    EXPECT_TRUE(occ[c].size() == 0 && occ[a].size() == 0);
}

// The sort as described: selection sort up to 15 elements (the first of equal minima wins),
// otherwise Hoare partition around the middle element.
template <class T, class Lt> void refSort(T* a, int n, Lt lt) {
    if (n <= 15) {
        for (int i = 0; i + 1 < n; i++)
            std::swap(a[i], *std::min_element(a + i, a + n, lt));  // min_element keeps the first
        return;
    }
    T pivot = a[n / 2];
    int i = -1, j = n;
    for (;;) {
        while (lt(a[++i], pivot)) {}
        while (lt(pivot, a[--j])) {}
        if (i >= j) break;
        std::swap(a[i], a[j]);
    }
    refSort(a, i, lt);
    refSort(a + i, n - i, lt);
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
        std::vector<P> keys = got;
        std::sort(keys.begin(), keys.end());
        for (int i = 0; i < n; i++) ASSERT_EQ(got[i].first, keys[i].first) << n;
    }
}

}  // namespace
