#include "formula/Decomposition.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <numeric>

#include "utils/LitIndex.h"

namespace primal {

namespace {

int find(std::vector<int>& parent, int x) {
    while (parent[size_t(x)] != x) x = parent[size_t(x)] = parent[size_t(parent[size_t(x)])];
    return x;
}

}  // namespace

Decomposition decompose(const std::vector<std::vector<int>>& clauses, int n, const std::vector<int>& fixed) {
    Decomposition d;
    std::vector<signed char> value(size_t(n) + 1, 0);  // fixed values: 1 true, -1 false
    for (int l : fixed) value[size_t(std::abs(l))] = l > 0 ? 1 : -1;

    std::vector<std::vector<int>> simplified;
    std::vector<char> seen(2 * size_t(n) + 2, 0);
    for (const std::vector<int>& c : clauses) {
        std::vector<int> kept;
        bool drop = false;
        for (int l : c) {
            signed char v = value[size_t(std::abs(l))];
            if ((v > 0) == (l > 0) && v != 0) drop = true;
            if (v != 0 || seen[litIndex(l)]) continue;
            if (seen[litIndex(-l)]) drop = true;
            seen[litIndex(l)] = 1;
            kept.push_back(l);
        }
        for (int l : kept) seen[litIndex(l)] = 0;
        if (!drop && kept.empty()) d.contradictory = true;
        if (!drop && !kept.empty()) simplified.push_back(std::move(kept));
    }
    std::vector<int> parent(size_t(n) + 1);
    std::iota(parent.begin(), parent.end(), 0);
    for (const std::vector<int>& c : simplified)
        for (int l : c) parent[size_t(find(parent, std::abs(l)))] = find(parent, std::abs(c[0]));
    std::vector<int> part_of(size_t(n) + 1, -1);
    for (std::vector<int>& c : simplified) {
        int root = find(parent, std::abs(c[0]));
        if (part_of[size_t(root)] < 0) {
            part_of[size_t(root)] = int(d.parts.size());
            d.parts.emplace_back();
        }
        d.parts[size_t(part_of[size_t(root)])].clauses.push_back(std::move(c));
    }
    return d;
}

void numberLocally(FormulaPart& part, std::vector<int>& local) {
    part.vars.clear();
    for (const std::vector<int>& c : part.clauses)
        for (int l : c) part.vars.push_back(std::abs(l));
    std::sort(part.vars.begin(), part.vars.end());
    part.vars.erase(std::unique(part.vars.begin(), part.vars.end()), part.vars.end());
    for (size_t i = 0; i < part.vars.size(); i++) {
        assert(size_t(part.vars[i]) < local.size());
        local[size_t(part.vars[i])] = int(i) + 1;
    }
    for (std::vector<int>& c : part.clauses)
        for (int& l : c) l = l < 0 ? -local[size_t(-l)] : local[size_t(l)];
}

}  // namespace primal
