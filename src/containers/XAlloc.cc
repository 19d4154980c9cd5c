#include "containers/XAlloc.h"

namespace Sat {

static void* systemRealloc(void* p, size_t n) { return std::realloc(p, n); }

ReallocFn& reallocHook() {
    static ReallocFn fn = systemRealloc;
    return fn;
}

}  // namespace Sat
