// Primes kept for the later phases of a run: all literals in one array, so that millions of
// primes cost a few bytes per literal rather than a heap block each.
#ifndef PRIMAL_ENUMERATE_PRIMESTORE_H
#define PRIMAL_ENUMERATE_PRIMESTORE_H

#include <cstddef>
#include <vector>

namespace primal {

class PrimeStore {
public:
    void add(const std::vector<int>& p) {
        lits.insert(lits.end(), p.begin(), p.end());
        ends.push_back(lits.size());
    }
    size_t size() const { return ends.size(); }
    // Calls f(const int* begin, const int* end) for each prime from the first-th on, in the
    // order added.
    template <class F>
    void forEach(F f, size_t first = 0) const {
        size_t begin = first == 0 ? 0 : ends[first - 1];
        for (size_t i = first; i < ends.size(); i++) {
            f(lits.data() + begin, lits.data() + ends[i]);
            begin = ends[i];
        }
    }

private:
    std::vector<int> lits;
    std::vector<size_t> ends;
};

}  // namespace primal

#endif
