// Raw buffer growth for the solver's containers. Every container obtains and releases its
// storage through xrealloc/free so that exhaustion surfaces as one exception type, and tests
// can swap the underlying allocator to exercise the failure paths without exhausting memory.
#ifndef PRIMAL_CONTAINERS_XALLOC_H
#define PRIMAL_CONTAINERS_XALLOC_H

#include <cerrno>
#include <cstddef>
#include <cstdlib>

namespace Sat {

// Thrown by value whenever a container, the clause arena, the read buffer or the option
// registry cannot grow.
class OutOfMemoryException {};

// The allocator behind xrealloc; replaceable by tests. Must behave like realloc.
using ReallocFn = void* (*)(void*, size_t);
ReallocFn& reallocHook();

// Like realloc, but never returns null for a non-zero size: on failure the old buffer is left
// untouched and OutOfMemoryException is thrown.
inline void* xrealloc(void* ptr, size_t size) {
    void* mem = reallocHook()(ptr, size);
    if (mem == nullptr && size != 0) throw OutOfMemoryException();
    return mem;
}

}  // namespace Sat

#endif
