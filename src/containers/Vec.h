// vec<T>: the solver's growable array. Storage is a raw realloc'd buffer, so elements are moved
// bitwise on growth; only trivially relocatable types may be stored (checked at compile time).
// Growth follows a fixed rule (about half again, rounded to even) because the solver's
// behaviour, e.g. when garbage collection runs, depends on exact capacities.
#ifndef PRIMAL_CONTAINERS_VEC_H
#define PRIMAL_CONTAINERS_VEC_H

#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include "containers/XAlloc.h"

namespace Sat {

template <class T> class vec;

// Types whose objects may be moved by copying their bytes and forgetting the source.
template <class T> struct IsTriviallyRelocatable : std::is_trivially_copyable<T> {};
template <class T> struct IsTriviallyRelocatable<vec<T>> : std::true_type {};

template <class T> class vec {
    static_assert(IsTriviallyRelocatable<T>::value,
                  "vec moves elements with realloc: store trivially relocatable types only");

    T* data = nullptr;
    int sz = 0;
    int cap = 0;

    vec(const vec&) = delete;
    vec& operator=(const vec&) = delete;

public:
    using Size = int;

    vec() = default;
    explicit vec(int size) { growTo(size); }
    vec(int size, const T& pad) { growTo(size, pad); }
    ~vec() { clear(true); }

    T* begin() { return data; }
    const T* begin() const { return data; }

    int size() const { return sz; }
    int allocated() const { return cap; }

    void shrink(int nelems) {
        for (int i = 0; i < nelems; i++) data[sz - 1 - i].~T();
        sz -= nelems;
    }
    void shrink_(int nelems) { sz -= nelems; }  // for trivially destructible elements

    void capacity(int min_cap);
    void pop() { sz--, data[sz].~T(); }

    // Append with the capacity test.
    void push(const T& elem) {
        if (sz == cap) {
            // elem may live in this buffer (v.push(v[0])); copy it before the buffer moves.
            T copy(elem);
            capacity(sz + 1);
            new (&data[sz]) T(copy);
        } else {
            new (&data[sz]) T(elem);
        }
        sz++;
    }
    void push() {
        if (sz == cap) capacity(sz + 1);
        new (&data[sz]) T();
        sz++;
    }
    // Append where the caller has reserved the room (the trail).
    void push_(const T& elem) { data[sz++] = elem; }

    const T& last() const { return data[sz - 1]; }
    T& last() { return data[sz - 1]; }

    const T& operator[](int index) const { return data[index]; }
    T& operator[](int index) { return data[index]; }

    void growTo(int size);
    void growTo(int size, const T& pad);
    void clear(bool dealloc = false);

    void copyTo(vec<T>& copy) const {
        copy.clear();
        copy.growTo(sz);
        for (int i = 0; i < sz; i++) copy[i] = data[i];
    }
    void moveTo(vec<T>& dest) {
        dest.clear(true);
        dest.data = data;
        dest.sz = sz;
        dest.cap = cap;
        data = nullptr;
        sz = 0;
        cap = 0;
    }
};

template <class T> void vec<T>::capacity(int min_cap) {
    if (cap >= min_cap) return;
    // 64-bit arithmetic: min_cap - cap + 1 overflows int for requests near INT_MAX.
    int64_t add = (int64_t(min_cap) - cap + 1) & ~int64_t(1);
    int64_t half = ((cap >> 1) + 2) & ~1;
    if (half > add) add = half;
    if (add > int64_t(INT_MAX) - cap) throw OutOfMemoryException();
    int new_cap = int(cap + add);
    data = static_cast<T*>(xrealloc(static_cast<void*>(data), size_t(new_cap) * sizeof(T)));
    cap = new_cap;
}

template <class T> void vec<T>::growTo(int size, const T& pad) {
    if (sz >= size) return;
    T copy(pad);  // pad may live in this buffer
    capacity(size);
    for (int i = sz; i < size; i++) new (&data[i]) T(copy);
    sz = size;
}

template <class T> void vec<T>::growTo(int size) {
    if (sz >= size) return;
    capacity(size);
    for (int i = sz; i < size; i++) new (&data[i]) T();
    sz = size;
}

template <class T> void vec<T>::clear(bool dealloc) {
    if (data != nullptr) {
        for (int i = 0; i < sz; i++) data[i].~T();
        sz = 0;
        if (dealloc) {
            std::free(static_cast<void*>(data));
            data = nullptr;
            cap = 0;
        }
    }
}

}  // namespace Sat

#endif
