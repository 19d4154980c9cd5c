// Greedy reduction of a model to a prime implicant: primality against a truth table on random
// formulas, exact results where the ascending variable order decides, reuse of the occurrence
// lists across reductions, and the internal failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <unistd.h>

#include "core/PrimeReduction.h"
#include "support/Oracle.h"

using namespace testutil;
using Model = std::vector<unsigned short>;
using Ints = std::vector<int>;

namespace {

Model toModel(uint32_t a, int n) {
    Model m(static_cast<size_t>(n));
    for (int i = 0; i < n; i++) m[size_t(i)] = (a >> i) & 1 ? primeutil::TRUE : primeutil::FALSE;
    return m;
}

// One reduction the way the driver runs it: covered bits cleared first.
Ints reduce(const Cnf& f, Model m) {
    std::fill(cls2exclude.begin(), cls2exclude.end(), false);
    return primeutil::extract_Prime(f, m);
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

bool tautology(const std::vector<int>& c) {
    for (int l : c)
        if (std::find(c.begin(), c.end(), -l) != c.end()) return true;
    return false;
}

// Variables of f spread over 1..n with gaps, so some variables occur in no clause.
Cnf spread(const Cnf& f, int n, std::mt19937& rng) {
    std::vector<int> to(size_t(n) + 1);
    for (int v = 1; v <= n; v++) to[size_t(v)] = v;
    std::shuffle(to.begin() + 1, to.end(), rng);
    Cnf g = f;
    for (auto& c : g)
        for (int& l : c) l = l > 0 ? to[size_t(l)] : -to[size_t(-l)];
    return g;
}

// The failure message goes to standard output; the death-test matcher reads standard error.
void reduceWithStdoutOnStderr(const Cnf& f, Model m) {
    dup2(2, 1);
    primeutil::extract_Prime(f, m);
}

}  // namespace

TEST(Reduction, EveryResultIsAPrimeImplicantOfItsModel) {
    std::mt19937 rng(11);
    int reductions = 0;
    for (int round = 0; round < 1500; round++) {
        int n = int(rng() % 13);                   // model width
        int k = n == 0 ? 0 : 1 + int(rng() % n);  // variables the clauses draw from
        Cnf f = n == 0 ? Cnf{} : randomCnf(rng, k, int(rng() % (3 * k + 2)), 1 + int(rng() % 4));
        if (round % 3 == 0 && n > 0) f = spread(f, n, rng);
        if (round % 5 == 0 && !f.empty()) f.push_back(f[rng() % f.size()]);  // a repeated clause
        ASSERT_TRUE(primeutil::buildOccLists(f));
        ASSERT_EQ(cls2exclude.size(), f.size());

        std::vector<char> is_model(size_t(1) << n);
        std::vector<uint32_t> models;
        for (uint32_t a = 0; a < (1u << n); a++)
            if ((is_model[a] = satisfies(f, a))) models.push_back(a);
        std::shuffle(models.begin(), models.end(), rng);
        if (n > 8 && models.size() > 200) models.resize(200);
        const std::string dimacs = toDimacs(f, n);

        for (uint32_t a : models) {
            Model m = toModel(a, n);
            std::fill(cls2exclude.begin(), cls2exclude.end(), false);
            Ints p = primeutil::extract_Prime(f, m);
            reductions++;
            std::string ctx = "round " + std::to_string(round) + " model " + std::to_string(a) + "\n" + dimacs;
            ASSERT_TRUE(std::is_sorted(p.begin(), p.end()) && std::adjacent_find(p.begin(), p.end()) == p.end()) << ctx;
            std::vector<char> kept(size_t(n) + 1, 0);
            for (int l : p) {
                ASSERT_TRUE(l != 0 && std::abs(l) <= n) << ctx;
                ASSERT_EQ(l > 0, bool((a >> (std::abs(l) - 1)) & 1)) << "literal against the model\n" << ctx;
                kept[size_t(std::abs(l))] = 1;
            }
            ASSERT_TRUE(isImplicant(is_model, n, p)) << ctx;
            for (size_t i = 0; i < p.size(); i++) {
                Ints shorter = p;
                shorter.erase(shorter.begin() + long(i));
                ASSERT_FALSE(isImplicant(is_model, n, shorter)) << "literal " << p[i] << " is redundant\n" << ctx;
            }
            // Dropped variables carry code 3; kept ones keep their value.
            for (int v = 1; v <= n; v++)
                ASSERT_EQ(m[size_t(v - 1)], kept[size_t(v)] ? ((a >> (v - 1)) & 1) : primeutil::DROPPED) << ctx;
            // A clause is covered exactly when a kept literal occurs in it (tautologies never).
            for (size_t c = 0; c < f.size(); c++) {
                bool has = !tautology(f[c]) && std::any_of(f[c].begin(), f[c].end(), [&](int l) {
                    return std::binary_search(p.begin(), p.end(), l);
                });
                ASSERT_EQ(bool(cls2exclude[c]), has) << "clause " << c << "\n" << ctx;
            }
        }
    }
    EXPECT_GT(reductions, 20000);  // the sampling really exercised the reduction
}

TEST(Reduction, AscendingOrderDecidesWhichPrimeIsFound) {
    struct Case {
        Cnf f;
        uint32_t model;  // bit v-1 is variable v
        int n;
        Ints prime;
    };
    const Case cases[] = {
        {{{1, 2}}, 0b11, 2, {2}},   // 1 goes first while 2 still satisfies the clause
        {{{1, 2}}, 0b01, 2, {1}},   // 2's false value satisfies nothing
        {{{1, 2}}, 0b10, 2, {2}},
        // (1|2)(-1|3)(2|3): 1 is dropped before -1 could serve the second clause, so 3 stays
        // although {-1,2} is prime as well.
        {{{1, 2}, {-1, 3}, {2, 3}}, 0b111, 3, {2, 3}},
        {{{1, 2}, {-1, 3}, {2, 3}}, 0b110, 3, {2, 3}},
        {{{1, 2}, {-1, 3}, {2, 3}}, 0b010, 3, {-1, 2}},
        // (1|2|3)(-2|4)(3|4): 1 and 2 leave in turn; 3 is then the last one for clause 0.
        {{{1, 2, 3}, {-2, 4}, {3, 4}}, 0b1111, 4, {3, 4}},
        // A tautology needs no variable; the repeated literal 2 is still the only one of (2|2).
        {{{1, -1}, {2, 2}, {-3, 2}}, 0b111, 3, {2}},
        // A repeated clause; variable 3 and variables beyond every clause are dropped.
        {{{1, 2}, {1, 2}, {-1, -2, 3}}, 0b00001, 5, {-2, 1}},
        {{{1}}, 0b101, 3, {1}},
        {{}, 0b11, 2, {}},
        {{{1}}, 0, 0, {}},  // empty model
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(primeutil::buildOccLists(c.f));
        EXPECT_EQ(reduce(c.f, toModel(c.model, c.n)), c.prime) << toDimacs(c.f, c.n) << "model " << c.model;
    }
}

TEST(Reduction, UndefinedAndDroppedCodes) {
    Cnf f{{1, 2}, {}};
    ASSERT_TRUE(primeutil::buildOccLists(f));
    Model m{primeutil::UNDEF, primeutil::DROPPED};
    EXPECT_TRUE(primeutil::isSAT({1}, m) && primeutil::isSAT({-1}, m));  // 2 satisfies both signs
    EXPECT_FALSE(primeutil::isSAT({2}, m) || primeutil::isSAT({-2}, m));  // 3 satisfies none
    EXPECT_FALSE(primeutil::isSAT({}, m));
    EXPECT_FALSE(primeutil::safeFlip(0, m, f) || primeutil::safeFlip(1, m, f));
    EXPECT_EQ(m, (Model{primeutil::UNDEF, primeutil::DROPPED}));
    // An undefined variable is never dropped (its literal reads as negative) and satisfies (1|2).
    m = {primeutil::UNDEF, primeutil::TRUE};
    EXPECT_EQ(reduce(f, m), (Ints{-1}));
    // A refused drop restores the value.
    m = {primeutil::FALSE, primeutil::TRUE};
    EXPECT_FALSE(primeutil::safeFlip(1, m, f));
    EXPECT_EQ(m, (Model{primeutil::FALSE, primeutil::TRUE}));
}

TEST(Reduction, OccurrenceListsSurviveReuseAndRebuild) {
    std::mt19937 rng(23);
    for (int round = 0; round < 150; round++) {
        int n = 1 + int(rng() % 10);
        Cnf f = randomCnf(rng, n, 1 + int(rng() % (3 * n)), 1 + int(rng() % 4));
        Cnf other = randomCnf(rng, 12, 30, 4);  // more variables and clauses than f
        std::vector<uint32_t> models;
        for (uint32_t a = 0; a < (1u << n); a++)
            if (satisfies(f, a)) models.push_back(a);
        if (models.empty()) continue;
        std::shuffle(models.begin(), models.end(), rng);

        // Fresh lists for every single reduction.
        std::vector<Ints> fresh;
        for (uint32_t a : models) {
            ASSERT_TRUE(primeutil::buildOccLists(f));
            fresh.push_back(reduce(f, toModel(a, n)));
        }
        // One build after lists of another formula, then all reductions in a row.
        ASSERT_TRUE(primeutil::buildOccLists(other));
        ASSERT_TRUE(primeutil::buildOccLists(f));
        ASSERT_EQ(cls2exclude.size(), f.size());
        for (size_t i = 0; i < models.size(); i++)
            ASSERT_EQ(reduce(f, toModel(models[i], n)), fresh[i]) << toDimacs(f, n) << "model " << models[i];
    }
}

TEST(ReductionDeathTest, InternalFailuresEndWithStatusOne) {
    Cnf f{{1, 2}};
    ASSERT_TRUE(primeutil::buildOccLists(f));
    EXPECT_EXIT(reduceWithStdoutOnStderr(f, {primeutil::TRUE, 4}), testing::ExitedWithCode(1),
                "Forbidden value for model");
    EXPECT_EXIT(reduceWithStdoutOnStderr(f, {0xffff}), testing::ExitedWithCode(1), "Forbidden value for model");
    // A 0 literal anywhere refuses the lists; the driver turns that into its error exit.
    EXPECT_FALSE(primeutil::buildOccLists({{1, 2}, {-1}, {2, 0, 1}}));
    EXPECT_FALSE(primeutil::buildOccLists({{0}}));
    EXPECT_TRUE(primeutil::buildOccLists({{1, -1}, {}}));
}
