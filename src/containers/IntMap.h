// Dense maps and sets keyed by small integers (variables, literal codes). A key's slot is found
// by an index functor; storage is a vec, so reserve() follows the vec growth rule.
#ifndef PRIMAL_CONTAINERS_INTMAP_H
#define PRIMAL_CONTAINERS_INTMAP_H

#include "containers/Vec.h"

namespace Sat {

template <class T> struct MkIndexDefault {
    int operator()(T t) const { return static_cast<int>(t); }
};

template <class K, class V, class MkIndex = MkIndexDefault<K>> class IntMap {
    vec<V> map;
    MkIndex index;

    IntMap(const IntMap&) = delete;
    IntMap& operator=(const IntMap&) = delete;

public:
    IntMap() = default;
    explicit IntMap(MkIndex idx) : index(idx) {}

    bool has(K k) const { return index(k) < map.size(); }

    const V& operator[](K k) const { return map[index(k)]; }
    V& operator[](K k) { return map[index(k)]; }

    int size() const { return map.size(); }
    const V* begin() const { return map.begin(); }
    V* begin() { return map.begin(); }

    void reserve(K key, V pad) { map.growTo(index(key) + 1, pad); }
    void reserve(K key) { map.growTo(index(key) + 1); }
    void insert(K key, V val, V pad) {
        reserve(key, pad);
        operator[](key) = val;
    }
    void insert(K key, V val) {
        reserve(key);
        operator[](key) = val;
    }

    void clear(bool dispose = false) { map.clear(dispose); }
    void moveTo(IntMap& to) { map.moveTo(to.map); }
    void copyTo(IntMap& to) const { map.copyTo(to.map); }
};

// An IntMap is a vec plus its index functor, so it relocates exactly when the functor does.
template <class K, class V, class M>
struct IsTriviallyRelocatable<IntMap<K, V, M>> : IsTriviallyRelocatable<M> {};

// Set of keys with membership flags and the members in insertion order.
template <class K, class MkIndex = MkIndexDefault<K>> class IntSet {
    IntMap<K, char, MkIndex> in_set;
    vec<K> xs;

public:
    void insert(K k) {
        in_set.reserve(k, 0);
        if (!in_set[k]) {
            xs.push(k);  // first: if it throws, k stays out of the set
            in_set[k] = 1;
        }
    }
    bool has(K k) const { return in_set.has(k) && in_set[k]; }
    void clear() {
        for (int i = 0; i < xs.size(); i++) in_set[xs[i]] = 0;
        xs.clear();
    }
    int size() const { return xs.size(); }
    const K& operator[](int index) const { return xs[index]; }
    const vec<K>& toVec() const { return xs; }
    int mapSize() const { return in_set.size(); }
    int listAllocated() const { return xs.allocated(); }
};

}  // namespace Sat

#endif
