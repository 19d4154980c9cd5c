// Primes kept for the later phases of a run: their literals in a few large arrays, so that
// millions of primes cost a few bytes per literal rather than a heap block each. The arrays are
// blocks that never move: growing one array by doubling copied every literal again and again
// and held up to twice the memory (random 3-CNF, n = 80, m = 160: 5 GB and more system than
// user time after 8 s of listing implicants). Blocks start small and grow to block_literals.
#ifndef PRIMAL_CONTAINERS_PRIMESTORE_H
#define PRIMAL_CONTAINERS_PRIMESTORE_H

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace primal {

class PrimeStore {
public:
    static constexpr size_t block_literals = size_t(1) << 20;

    void add(const std::vector<int>& p) {
        if (blocks.empty() || blocks.back().size() + p.size() > blocks.back().capacity()) {
            const size_t last = blocks.empty() ? 0 : blocks.back().capacity();
            blocks.emplace_back();
            blocks.back().reserve(std::max(p.size(), std::min(block_literals, std::max<size_t>(256, 2 * last))));
        }
        std::vector<int>& b = blocks.back();
        b.insert(b.end(), p.begin(), p.end());
        assert(b.size() <= UINT32_MAX);
        ends.push_back(End{uint32_t(blocks.size() - 1), uint32_t(b.size())});
    }
    size_t size() const { return ends.size(); }
    // Calls f(const int* begin, const int* end) for each prime from the first-th on, in the
    // order added.
    template <class F>
    void forEach(F f, size_t first = 0) const {
        for (size_t i = first; i < ends.size(); i++) {
            const int* base = blocks[ends[i].block].data();
            const uint32_t begin = i > 0 && ends[i - 1].block == ends[i].block ? ends[i - 1].end : 0;
            f(base + begin, base + ends[i].end);
        }
    }

private:
    struct End {
        uint32_t block, end;  // the prime ends at blocks[block][end]
    };
    std::vector<std::vector<int>> blocks;
    std::vector<End> ends;
};

}  // namespace primal

#endif
