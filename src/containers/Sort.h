// The one generic in-place sort used by the solver (learnt-clause reduction, clause literals)
// and by the option help. Selection sort up to 15 elements, otherwise a partition around the
// middle element. Not stable: the order among equal keys is part of observable behaviour.
#ifndef PRIMAL_CONTAINERS_SORT_H
#define PRIMAL_CONTAINERS_SORT_H

#include "containers/Vec.h"

namespace Sat {

template <class T> struct LessThan_default {
    bool operator()(T x, T y) const { return x < y; }
};

template <class T, class LessThan> void selectionSort(T* array, int size, LessThan lt) {
    for (int i = 0; i < size - 1; i++) {
        int best_i = i;
        for (int j = i + 1; j < size; j++)
            if (lt(array[j], array[best_i])) best_i = j;
        T tmp = array[i];
        array[i] = array[best_i];
        array[best_i] = tmp;
    }
}

template <class T, class LessThan> void sort(T* array, int size, LessThan lt) {
    if (size <= 15) {
        selectionSort(array, size, lt);
        return;
    }
    T pivot = array[size / 2];
    int i = -1;
    int j = size;
    for (;;) {
        do i++;
        while (lt(array[i], pivot));
        do j--;
        while (lt(pivot, array[j]));
        if (i >= j) break;
        T tmp = array[i];
        array[i] = array[j];
        array[j] = tmp;
    }
    sort(array, i, lt);
    sort(&array[i], size - i, lt);
}

template <class T> void sort(T* array, int size) { sort(array, size, LessThan_default<T>()); }

template <class T, class LessThan> void sort(vec<T>& v, LessThan lt) { sort(v.begin(), v.size(), lt); }
template <class T> void sort(vec<T>& v) { sort(v, LessThan_default<T>()); }

}  // namespace Sat

#endif
