// Small algorithms over vec.
#ifndef PRIMAL_CONTAINERS_ALG_H
#define PRIMAL_CONTAINERS_ALG_H

#include <cassert>

#include "containers/Vec.h"

namespace Sat {

// Removes the first element equal to elem, keeping the order of the others.
// Precondition: elem is present.
template <class V, class T> static inline void remove(V& ts, const T& elem) {
    int j = 0;
    for (; j < ts.size() && !(ts[j] == elem); j++);
    assert(j < ts.size());
    for (; j < ts.size() - 1; j++) ts[j] = ts[j + 1];
    ts.pop();
}

template <class V, class T> static inline bool find(V& ts, const T& elem) {
    int j = 0;
    for (; j < ts.size() && !(ts[j] == elem); j++);
    return j < ts.size();
}

}  // namespace Sat

#endif
