// Per-key lists with lazy deletion: removing an element only marks its list dirty, and the
// list is compacted (dropping elements the Deleted predicate reports) the next time it is
// looked up or when all dirty lists are cleaned at once before garbage collection.
#ifndef PRIMAL_CONTAINERS_OCCLISTS_H
#define PRIMAL_CONTAINERS_OCCLISTS_H

#include "containers/IntMap.h"
#include "containers/Vec.h"

namespace Sat {

template <class K, class Vec, class Deleted, class MkIndex = MkIndexDefault<K>> class OccLists {
    IntMap<K, Vec, MkIndex> occs;
    IntMap<K, char, MkIndex> dirty;
    vec<K> dirties;
    Deleted deleted;

public:
    explicit OccLists(const Deleted& d, MkIndex idx = MkIndex()) : occs(idx), dirty(idx), deleted(d) {}

    void init(const K& idx) {
        occs.reserve(idx);
        occs[idx].clear();
        dirty.reserve(idx, 0);
    }

    Vec& operator[](const K& idx) { return occs[idx]; }
    Vec& lookup(const K& idx) {
        if (dirty[idx]) clean(idx);
        return occs[idx];
    }

    void cleanAll() {
        for (int i = 0; i < dirties.size(); i++)
            if (dirty[dirties[i]]) clean(dirties[i]);
        dirties.clear();
    }

    void clean(const K& idx) {
        Vec& vs = occs[idx];
        int i, j;
        for (i = j = 0; i < vs.size(); i++)
            if (!deleted(vs[i])) vs[j++] = vs[i];
        vs.shrink(i - j);
        dirty[idx] = 0;
    }

    void smudge(const K& idx) {
        if (dirty[idx] == 0) {
            dirties.push(idx);  // first: a flag without its dirties entry would escape cleanAll
            dirty[idx] = 1;
        }
    }

    bool isDirty(const K& idx) const { return dirty[idx] != 0; }
    int dirtyCount() const { return dirties.size(); }

    void clear(bool dispose = false) {
        occs.clear(dispose);
        dirty.clear(dispose);
        dirties.clear(dispose);
    }
};

}  // namespace Sat

#endif
