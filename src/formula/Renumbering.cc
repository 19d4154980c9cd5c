#include "formula/Renumbering.h"

#include <algorithm>
#include <cstdlib>

namespace primal {

std::vector<int> renumberDensely(std::vector<std::vector<int>>& clauses, int max_var) {
    size_t lits = 0;
    for (const std::vector<int>& c : clauses) lits += c.size();
    std::vector<int> orig{0};
    if (size_t(max_var) <= 2 * lits + 1024) {
        // A table over the indices costs about what the literals do: mark, rank, rewrite.
        std::vector<int> rank(size_t(max_var) + 1, 0);
        for (const std::vector<int>& c : clauses)
            for (int l : c) rank[size_t(std::abs(l))] = 1;
        for (int v = 1; v <= max_var; v++)
            if (rank[size_t(v)] != 0) {
                rank[size_t(v)] = int(orig.size());
                orig.push_back(v);
            }
        if (orig.size() == size_t(max_var) + 1) return {};
        for (std::vector<int>& c : clauses)
            for (int& l : c) l = l < 0 ? -rank[size_t(-l)] : rank[size_t(l)];
    } else {
        // Few literals under a large index: sorted distinct indices, found by binary search.
        orig.reserve(lits + 1);
        for (const std::vector<int>& c : clauses)
            for (int l : c) orig.push_back(std::abs(l));
        std::sort(orig.begin() + 1, orig.end());
        orig.erase(std::unique(orig.begin() + 1, orig.end()), orig.end());
        for (std::vector<int>& c : clauses)
            for (int& l : c) {
                int d = int(std::lower_bound(orig.begin() + 1, orig.end(), std::abs(l)) - orig.begin());
                l = l < 0 ? -d : d;
            }
    }
    orig.shrink_to_fit();
    return orig;
}

}  // namespace primal
