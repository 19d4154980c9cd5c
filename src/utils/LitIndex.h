// One slot per literal for tables indexed by literal: variable v's positive literal at 2v, its
// negative literal at 2v+1, slots 0 and 1 unused; a table of 2n+2 entries covers variables 1..n.
#ifndef PRIMAL_UTILS_LITINDEX_H
#define PRIMAL_UTILS_LITINDEX_H

#include <cstddef>

namespace primal {

inline size_t litIndex(int l) { return 2 * size_t(l < 0 ? -l : l) + (l < 0); }

}  // namespace primal

#endif
