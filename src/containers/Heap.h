// Binary min-heap of keys under a comparator, with a position index per key so that a key's
// priority can be raised in place (decrease) and membership tested in O(1). Ties never move an
// element: the sift loops use strict comparisons and prefer the left child, which fixes the
// solver's decision order among variables of equal activity.
#ifndef PRIMAL_CONTAINERS_HEAP_H
#define PRIMAL_CONTAINERS_HEAP_H

#include "containers/IntMap.h"
#include "containers/Vec.h"

namespace Sat {

template <class K, class Comp, class MkIndex = MkIndexDefault<K>> class Heap {
    vec<K> heap;                      // heap of keys
    IntMap<K, int, MkIndex> indices;  // position of each key in heap, -1 when absent
    Comp lt;

    static inline int left(int i) { return i * 2 + 1; }
    static inline int right(int i) { return (i + 1) * 2; }
    static inline int parent(int i) { return (i - 1) >> 1; }

    void percolateUp(int i) {
        K x = heap[i];
        int p = parent(i);
        while (i != 0 && lt(x, heap[p])) {
            heap[i] = heap[p];
            indices[heap[p]] = i;
            i = p;
            p = parent(p);
        }
        heap[i] = x;
        indices[x] = i;
    }

    void percolateDown(int i) {
        K x = heap[i];
        while (left(i) < heap.size()) {
            int child = right(i) < heap.size() && lt(heap[right(i)], heap[left(i)]) ? right(i) : left(i);
            if (!lt(heap[child], x)) break;
            heap[i] = heap[child];
            indices[heap[i]] = i;
            i = child;
        }
        heap[i] = x;
        indices[x] = i;
    }

public:
    explicit Heap(const Comp& c, MkIndex idx = MkIndex()) : indices(idx), lt(c) {}

    int size() const { return heap.size(); }
    bool empty() const { return heap.size() == 0; }
    bool inHeap(K k) const { return indices.has(k) && indices[k] >= 0; }
    int operator[](int index) const { return heap[index]; }

    void decrease(K k) { percolateUp(indices[k]); }
    void increase(K k) { percolateDown(indices[k]); }

    void insert(K k) {
        indices.reserve(k, -1);
        heap.push(k);  // first: if it throws, k stays absent
        indices[k] = heap.size() - 1;
        percolateUp(indices[k]);
    }

    K removeMin() {
        K x = heap[0];
        heap[0] = heap.last();
        indices[heap[0]] = 0;
        indices[x] = -1;
        heap.pop();
        if (heap.size() > 1) percolateDown(0);
        return x;
    }

    // Rebuilds the heap from ns. Every element of ns must already be within indices.
    void build(const vec<K>& ns) {
        for (int i = 0; i < heap.size(); i++) indices[heap[i]] = -1;
        heap.clear();
        for (int i = 0; i < ns.size(); i++) {
            indices[ns[i]] = i;
            heap.push(ns[i]);
        }
        for (int i = heap.size() / 2 - 1; i >= 0; i--) percolateDown(i);
    }

    void clear(bool dispose = false) {
        for (int i = 0; i < heap.size(); i++) indices[heap[i]] = -1;
        heap.clear(dispose);
    }
};

}  // namespace Sat

#endif
