// Region allocator: one growable array of words, handed out by index so that references
// survive growth. Freed words are only counted; the owner compacts the region by copying
// live data into a fresh one (garbage collection). Growth is about 13/8 per step.
#ifndef PRIMAL_CONTAINERS_ALLOC_H
#define PRIMAL_CONTAINERS_ALLOC_H

#include <cstdint>

#include "containers/XAlloc.h"

namespace Sat {

template <class T> class RegionAllocator {
    T* memory = nullptr;
    uint32_t sz = 0;
    uint32_t cap = 0;
    uint32_t wasted_ = 0;

    RegionAllocator(const RegionAllocator&) = delete;
    RegionAllocator& operator=(const RegionAllocator&) = delete;

public:
    using Ref = uint32_t;
    enum { Ref_Undef = UINT32_MAX };
    enum { Unit_Size = sizeof(T) };

    explicit RegionAllocator(uint32_t start_cap = 0) {
        if (start_cap > 0) capacity(start_cap);
    }
    ~RegionAllocator() { std::free(memory); }

    uint32_t size() const { return sz; }
    uint32_t wasted() const { return wasted_; }
    uint32_t allocated() const { return cap; }

    void capacity(uint32_t min_cap) {
        if (cap >= min_cap) return;
        // Grow by about 13/8, rounded to even. Any step past 32 bits means the region is too
        // large; checking each step (not only against the old capacity) matters because a
        // wrapped value can land above the old capacity and the loop would then never end.
        uint64_t new_cap = cap;
        while (new_cap < min_cap) {
            new_cap += ((new_cap >> 1) + (new_cap >> 3) + 2) & ~uint64_t(1);
            if (new_cap > UINT32_MAX) throw OutOfMemoryException();
        }
        memory = static_cast<T*>(xrealloc(memory, size_t(new_cap) * sizeof(T)));
        cap = uint32_t(new_cap);
    }

    Ref alloc(uint32_t size) {
        uint32_t new_sz = sz + size;
        if (new_sz < sz) throw OutOfMemoryException();
        capacity(new_sz);
        uint32_t prev_sz = sz;
        sz = new_sz;
        return prev_sz;
    }
    void free(uint32_t size) { wasted_ += size; }

    T& operator[](Ref r) { return memory[r]; }
    const T& operator[](Ref r) const { return memory[r]; }
    T* lea(Ref r) { return &memory[r]; }
    const T* lea(Ref r) const { return &memory[r]; }

    void moveTo(RegionAllocator& to) {
        if (to.memory != nullptr) std::free(to.memory);
        to.memory = memory;
        to.sz = sz;
        to.cap = cap;
        to.wasted_ = wasted_;
        memory = nullptr;
        sz = cap = wasted_ = 0;
    }
};

}  // namespace Sat

#endif
