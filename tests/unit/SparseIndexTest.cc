// Formulas whose variable indices have gaps are renumbered densely, in index order, over the
// occurring variables only. Runs through the binary are compared in EnumerationTest.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "formula/Renumbering.h"
#include "support/Oracle.h"

using namespace testutil;

namespace {

const int kMaxIndex = 536870911;

// `count` distinct indices in [1, top], ascending, at entries 1..count (entry 0 is 0).
std::vector<int> sparseIndices(std::mt19937& rng, int count, int top) {
    std::set<int> picked;
    while (int(picked.size()) < count) picked.insert(1 + int(rng() % unsigned(top)));
    std::vector<int> idx{0};
    idx.insert(idx.end(), picked.begin(), picked.end());
    return idx;
}

Cnf mapped(const Cnf& f, const std::vector<int>& idx) {
    Cnf g = f;
    for (auto& c : g)
        for (int& l : c) l = l < 0 ? -idx[size_t(-l)] : idx[size_t(l)];
    return g;
}

}  // namespace

// Random clause sets over indices with gaps, from small (a table over the indices) to the
// largest legal index (sorted distinct indices): the result is dense, keeps the order of the
// indices, and maps back to the input exactly; a set without gaps is left alone.
TEST(Renumbering, DenseMonotoneAndInvertible) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 400; round++) {
        const int used = 1 + int(rng() % 12);
        const int top = round % 3 == 0 ? used : round % 3 == 1 ? used + int(rng() % 60) : kMaxIndex;
        std::vector<int> idx = sparseIndices(rng, used, top);
        Cnf dense = randomCnf(rng, used, int(rng() % 20), 4, true);
        std::set<int> occurring;
        for (const auto& c : dense)
            for (int l : c) occurring.insert(std::abs(l));
        Cnf in = mapped(dense, idx), out = in;
        int max_var = 0;
        for (int v : occurring) max_var = std::max(max_var, idx[size_t(v)]);
        std::vector<int> orig = primal::renumberDensely(out, max_var);
        SCOPED_TRACE("round " + std::to_string(round) + "\n" + toDimacs(in, max_var));
        if (int(occurring.size()) == max_var) {  // 1..max_var all occur
            EXPECT_TRUE(orig.empty());
            EXPECT_EQ(out, in);
            continue;
        }
        ASSERT_EQ(orig.size(), occurring.size() + 1);
        EXPECT_EQ(orig[0], 0);
        std::vector<int> want{0};
        for (int v : occurring) want.push_back(idx[size_t(v)]);
        EXPECT_EQ(orig, want);  // ascending: the order of the indices is kept
        EXPECT_EQ(mapped(out, orig), in);
    }
}
