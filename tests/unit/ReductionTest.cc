// Greedy reduction of a model to a prime implicant: primality against a truth table and the
// prime the ascending variable order picks, on random formulas (occurrence lists rebuilt over
// those of other formulas and reused across reductions); the value codes; a refused 0 literal.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "formula/PrimeReduction.h"
#include "support/Oracle.h"

using namespace testutil;
using namespace primeutil;
using Model = std::vector<unsigned short>;
using Ints = std::vector<int>;

namespace {

Reducer R;  // one for all tests: its lists are rebuilt over those of other formulas

Model toModel(uint32_t a, int n) {
    Model m(static_cast<size_t>(n));
    for (int i = 0; i < n; i++) m[size_t(i)] = (a >> i) & 1 ? TRUE : FALSE;
    return m;
}

// One reduction the way the driver runs it: covered bits cleared first.
Ints reduce(const Cnf& f, Model& m) {
    std::fill(R.cls2exclude.begin(), R.cls2exclude.end(), false);
    return R.extract_Prime(f, m);
}

// Whether every total assignment that agrees with `term` is a model.
bool isImplicant(const std::vector<char>& is_model, int n, const Ints& term) {
    uint32_t fixed = 0, val = 0;
    for (int l : term) {
        fixed |= 1u << (std::abs(l) - 1);
        if (l > 0) val |= 1u << (l - 1);
    }
    uint32_t free = ((1u << n) - 1) & ~fixed;
    for (uint32_t s = free;; s = (s - 1) & free) {  // every subset of the free variables
        if (!is_model[val | s]) return false;
        if (s == 0) return true;
    }
}

}  // namespace

TEST(Reduction, EveryResultIsAPrimeImplicantOfItsModel) {
    std::mt19937 rng(11);
    int reductions = 0;
    for (int round = 0; round < 1500; round++) {
        int n = int(rng() % 13);                   // model width
        int k = n == 0 ? 0 : 1 + int(rng() % n);  // variables the clauses draw from
        Cnf f = n == 0 ? Cnf{} : randomCnf(rng, k, int(rng() % (3 * k + 2)), 1 + int(rng() % 4));
        if (round % 3 == 0)  // mirrored: variables 1..n-k occur nowhere
            for (auto& c : f)
                for (int& l : c) l = l > 0 ? n + 1 - l : -(n + 1 + l);
        if (round % 5 == 0 && !f.empty()) f.push_back(f[rng() % f.size()]);  // a repeated clause
        if (round % 4 == 0) R.buildOccLists(randomCnf(rng, 14, 40, 4));  // lists of a larger formula first
        ASSERT_TRUE(R.buildOccLists(f));
        ASSERT_EQ(R.cls2exclude.size(), f.size());

        std::vector<char> is_model(size_t(1) << n);
        std::vector<uint32_t> models;
        for (uint32_t a = 0; a < (1u << n); a++)
            if ((is_model[a] = satisfies(f, a))) models.push_back(a);
        std::shuffle(models.begin(), models.end(), rng);
        if (n > 8 && models.size() > 200) models.resize(200);
        const std::string dimacs = toDimacs(f, n);
        for (uint32_t a : models) {
            Model m = toModel(a, n);
            Ints p = reduce(f, m);
            reductions++;
            std::string ctx = "round " + std::to_string(round) + " model " + std::to_string(a) + "\n" + dimacs;
            // Which prime: the variables in ascending order, each dropped while every clause but
            // the tautologies keeps a true literal of a variable not dropped.
            Model greedy = toModel(a, n);
            for (size_t v = 0; v < size_t(n); v++) {
                Model t = greedy;
                t[v] = DROPPED;
                if (std::all_of(f.begin(), f.end(), [&t](const Ints& c) {
                        return std::any_of(c.begin(), c.end(), [&](int l) {
                            return std::count(c.begin(), c.end(), -l) || t[size_t(std::abs(l) - 1)] == (l > 0 ? TRUE : FALSE);
                        });
                    }))
                    greedy = t;
            }
            ASSERT_EQ(m, greedy) << ctx;
            Ints kept;  // the prime: the kept variables with their values, ascending
            for (int v = 1; v <= n; v++)
                if (greedy[size_t(v - 1)] != DROPPED) kept.push_back(greedy[size_t(v - 1)] == TRUE ? v : -v);
            std::sort(kept.begin(), kept.end());
            ASSERT_EQ(p, kept) << ctx;
            ASSERT_TRUE(isImplicant(is_model, n, p)) << ctx;
            for (size_t i = 0; i < p.size(); i++) {  // also catches a repeated literal
                Ints shorter = p;
                shorter.erase(shorter.begin() + long(i));
                ASSERT_FALSE(isImplicant(is_model, n, shorter)) << "literal " << p[i] << " is redundant\n" << ctx;
            }
            // A clause is covered exactly when a kept literal occurs in it (tautologies never).
            for (size_t c = 0; c < f.size(); c++) {
                auto has = [&](int l) { return std::find(f[c].begin(), f[c].end(), l) != f[c].end(); };
                bool tautology = std::any_of(f[c].begin(), f[c].end(), [&](int l) { return has(-l); });
                bool kept = std::any_of(p.begin(), p.end(), has);
                ASSERT_EQ(bool(R.cls2exclude[c]), kept && !tautology) << "clause " << c << "\n" << ctx;
            }
        }
    }
    EXPECT_GT(reductions, 20000);  // the sampling really exercised the reduction
}

// The value codes; occurrence lists refused for a clause with a 0 literal, not for a tautology
// or an empty clause.
TEST(Reduction, UndefinedAndDroppedCodesAndZeroLiterals) {
    Cnf f{{1, 2}, {}};
    ASSERT_TRUE(R.buildOccLists(f));
    Model m{UNDEF, DROPPED};
    EXPECT_TRUE(isSAT({1}, m) && isSAT({-1}, m));   // 2 satisfies both signs
    EXPECT_FALSE(isSAT({2}, m) || isSAT({-2}, m));  // 3 satisfies none
    EXPECT_FALSE(isSAT({}, m));
    EXPECT_FALSE(R.safeFlip(0, m, f) || R.safeFlip(1, m, f));
    EXPECT_EQ(m, (Model{UNDEF, DROPPED}));
    m = {UNDEF, TRUE};  // never dropped, its literal reads as negative, and it satisfies (1|2)
    EXPECT_EQ(reduce(f, m), Ints{-1});
    EXPECT_FALSE(R.buildOccLists({{1, 2}, {-1}, {2, 0, 1}}));
    EXPECT_TRUE(R.buildOccLists({{1, -1}, {}}));
}
