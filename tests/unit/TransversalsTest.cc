// Minimal-transversal engine: exact sets against an exhaustive oracle (every subset of the 2n
// literals, n <= 5) and against Berge's algorithm (n <= 12) on random hypergraphs with repeated
// literals, complementary pairs, duplicate, nested and empty edges, no variables, known sets
// (empty ones too) and size bounds, twins merged every other round; runs again after more input;
// stopping; a step bound lifted from within; bit sets against lists up to 128 variables; depth
// 20000 without stack overflow; the step bound and the poll; the inline bit count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>

#include "transversal/Transversals.h"
#include "utils/BitCount.h"

using primal::TransversalEngine;
using Ints = std::vector<int>;
using Family = std::vector<Ints>;

namespace {

// Literal v is bit 2(v-1), -v bit 2(v-1)+1 (n <= 32).
uint64_t maskOf(const Ints& s) {
    uint64_t m = 0;
    for (int l : s) m |= uint64_t(1) << (2 * (std::abs(l) - 1) + (l < 0));
    return m;
}
Ints setOf(uint64_t m) {
    Ints s;
    for (int b = 0; b < 64; b++)
        if ((m >> b) & 1) s.push_back(b & 1 ? -(b / 2 + 1) : b / 2 + 1);
    std::sort(s.begin(), s.end());
    return s;
}
bool hitsAll(uint64_t t, const std::vector<uint64_t>& edges) {
    return std::all_of(edges.begin(), edges.end(), [t](uint64_t e) { return (t & e) != 0; });
}

// Minimal transversals (consistent or not) by trying every subset of the 2n literals.
std::vector<uint64_t> bySubsets(int n, const std::vector<uint64_t>& edges) {
    std::vector<uint64_t> out;
    for (uint64_t t = 0; t < (uint64_t(1) << (2 * n)); t++) {
        bool minimal = hitsAll(t, edges);
        for (uint64_t r = t; r && minimal; r &= r - 1) minimal = !hitsAll(t & ~(r & -r), edges);
        if (minimal) out.push_back(t);
    }
    return out;
}

// The same by Berge's algorithm: extend the transversals edge by edge, keep the minimal ones.
std::vector<uint64_t> byBerge(const std::vector<uint64_t>& edges) {
    std::vector<uint64_t> tr{0};
    for (uint64_t e : edges) {
        std::vector<uint64_t> next;
        for (uint64_t t : tr)
            if (t & e)
                next.push_back(t);
            else
                for (uint64_t r = e; r; r &= r - 1) next.push_back(t | (r & -r));
        std::sort(next.begin(), next.end(), [](uint64_t a, uint64_t b) {
            return std::make_pair(__builtin_popcountll(a), a) < std::make_pair(__builtin_popcountll(b), b);
        });
        next.erase(std::unique(next.begin(), next.end()), next.end());
        tr.clear();
        for (uint64_t t : next)
            if (std::none_of(tr.begin(), tr.end(), [t](uint64_t s) { return (s & ~t) == 0; })) tr.push_back(t);
    }
    return tr;
}

struct Instance {
    int n = 0;
    Family edges, known;
    int maxSize = 0;
};

// What the engine must report: the minimal transversals that are consistent, hold no known set
// and respect the bound; sorted.
Family expected(const Instance& in, bool subsets) {
    std::vector<uint64_t> em, km;
    for (const Ints& e : in.edges) em.push_back(maskOf(e));
    for (const Ints& k : in.known) km.push_back(maskOf(k));
    Family out;
    for (uint64_t t : subsets ? bySubsets(in.n, em) : byBerge(em)) {
        if (t & (t >> 1) & 0x5555555555555555ull) continue;  // x and -x
        if (std::any_of(km.begin(), km.end(), [t](uint64_t k) { return (k & ~t) == 0; })) continue;
        if (in.maxSize && __builtin_popcountll(t) > in.maxSize) continue;
        out.push_back(setOf(t));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Runs the engine, stopping after `stop` reports (0: never); checks the order of each report
// and returns the reports sorted.
Family collect(TransversalEngine& t, size_t stop, bool& finished) {
    Family got;
    finished = t.enumerate([&](const Ints& s) {
        EXPECT_TRUE(std::is_sorted(s.begin(), s.end()) && std::adjacent_find(s.begin(), s.end()) == s.end());
        got.push_back(s);
        return got.size() != stop;
    });
    std::sort(got.begin(), got.end());
    return got;
}

Ints randomEdge(std::mt19937& rng, int n, int maxLen) {
    Ints e;
    int len = 1 + int(rng() % unsigned(maxLen));
    for (int i = 0; i < len; i++) {
        int v = 1 + int(rng() % unsigned(n));
        e.push_back(rng() % 2 ? v : -v);
        if (rng() % 6 == 0) e.push_back(-e.back());  // complementary pair
        if (rng() % 8 == 0) e.push_back(e[rng() % e.size()]);  // repeated literal
    }
    std::shuffle(e.begin(), e.end(), rng);
    return e;
}

// Edges: random, repeats of earlier ones (shuffled), supersets of earlier ones, rarely empty.
void addRandomInput(std::mt19937& rng, Instance& in, TransversalEngine& t, int m, int maxLen, int known) {
    for (int i = 0; i < m; i++) {
        Ints e;
        unsigned kind = rng() % 10;
        if (in.n == 0 || kind == 0) {
            if (rng() % 40 != 0) continue;  // empty edges: about 1 round in 40
        } else if (kind <= 2 && !in.edges.empty()) {
            e = in.edges[rng() % in.edges.size()];
            if (kind == 2) e.push_back(randomEdge(rng, in.n, 1)[0]);
            std::shuffle(e.begin(), e.end(), rng);
        } else {
            e = randomEdge(rng, in.n, maxLen);
        }
        in.edges.push_back(e);
        t.addEdge(e);
    }
    for (int i = 0; i < known; i++) {
        if (in.n == 0 && rng() % 4 != 0) continue;
        Ints k = in.n == 0 || rng() % 25 == 0 ? Ints{} : randomEdge(rng, in.n, 4);
        const Ints& e = in.edges.empty() ? k : in.edges[rng() % in.edges.size()];
        if (!k.empty() && !e.empty() && rng() % 3 == 0) k = {e[0], k[0]};  // meets an edge
        in.known.push_back(k);
        t.addKnown(k);
    }
}

int lifts = 0;

// Compares a full run with the oracle, which repeats no set (on small instances the two oracles
// with each other too), then checks a run stopped after a random count.
void check(std::mt19937& rng, const Instance& in, TransversalEngine& t, bool subsets, const std::string& ctx) {
    ASSERT_EQ(t.numEdges(), in.edges.size());
    ASSERT_EQ(t.numKnown(), in.known.size());
    bool finished;
    Family got = collect(t, 0, finished), want = expected(in, subsets);
    ASSERT_TRUE(finished) << ctx;
    if (subsets) {
        ASSERT_EQ(expected(in, false), want) << "the oracles disagree\n" << ctx;
    }
    ASSERT_EQ(got, want) << ctx;
    // A step bound lifted at the first result: the run goes on to its end (counted where the
    // bound alone stops it after a result).
    size_t some = 0, lifted = 0;
    t.setStepLimit(2);
    const bool stopped = !t.enumerate([&](const Ints&) { return ++some, true; });
    t.setStepLimit(2);
    finished = t.enumerate([&](const Ints&) { return t.liftStepLimit(), ++lifted, true; });
    t.liftStepLimit();
    if (stopped && some > 0) {
        lifts++;
        ASSERT_TRUE(finished && lifted == want.size()) << ctx;
    }
    if (got.empty()) return;
    size_t stop = 1 + rng() % got.size();
    Family part = collect(t, stop, finished);
    ASSERT_FALSE(finished) << ctx;
    ASSERT_EQ(part.size(), stop) << ctx;
    for (const Ints& s : part) ASSERT_TRUE(std::binary_search(want.begin(), want.end(), s)) << ctx;
}

std::string describe(const Instance& in) {
    return "n " + std::to_string(in.n) + " max " + std::to_string(in.maxSize) + "\nedges: " +
           testing::PrintToString(in.edges) + "\nknown: " + testing::PrintToString(in.known);
}

const TransversalEngine::Method kLists = TransversalEngine::Method::Lists, kBits = TransversalEngine::Method::BitSets,
                                kSparse = TransversalEngine::Method::SparseBitSets;

void randomRounds(int rounds, int minN, int maxN, bool subsets, unsigned seed, TransversalEngine::Method method) {
    std::mt19937 rng(seed);
    lifts = 0;
    for (int round = 0; round < rounds; round++) {
        Instance in;
        in.n = rng() % 16 == 0 ? 0 : minN + int(rng() % unsigned(maxN - minN + 1));
        TransversalEngine t(in.n);
        // Bit sets: in the sparse layout every other pair of rounds.
        t.setMethod(method == kBits && round % 4 >= 2 ? kSparse : method);
        if (round % 2) t.setTwins(TransversalEngine::Twins::Merge);
        int maxLen = rng() % 8 == 0 ? 1 : 2 + int(rng() % 4);
        addRandomInput(rng, in, t, int(rng() % unsigned(2 * in.n + 3)), maxLen, rng() % 3 == 0 ? int(rng() % 4) : 0);
        if (rng() % 3 == 0) t.setMaxSize(in.maxSize = 1 + int(rng() % unsigned(in.n + 1)));
        ASSERT_NO_FATAL_FAILURE(check(rng, in, t, subsets, "round " + std::to_string(round) + " " + describe(in)));
        // Run again after more input (and maybe a changed bound).
        addRandomInput(rng, in, t, int(rng() % 4), maxLen, int(rng() % 2));
        if (rng() % 4 == 0) t.setMaxSize(in.maxSize = int(rng() % unsigned(in.n + 1)));
        ASSERT_NO_FATAL_FAILURE(check(rng, in, t, subsets, "second run, round " + std::to_string(round) + " " + describe(in)));
    }
    EXPECT_GT(lifts, rounds / 40);
}

}  // namespace

// Against every subset on small hypergraphs, against Berge's algorithm on larger ones.
TEST(Transversals, MatchesTheOraclesOnRandomHypergraphs) {
    for (auto method : {kLists, kBits}) {
        randomRounds(1500, 1, 5, true, method == kLists ? 1 : 11, method);
        randomRounds(400, 6, 12, false, method == kLists ? 2 : 12, method);
    }
}

// The bit-set search keeps vertex sets in one to four words: around each word boundary and up to
// its limit of 128 variables it must report exactly what the list search reports (as sets), with
// known sets and size bounds, with edge sets in either layout (stopping is the same code for
// every width: the random rounds).
TEST(Transversals, BitSetsAgreeWithListsAcrossWordBoundaries) {
    std::mt19937 rng(9);
    for (int n : {31, 32, 33, 63, 64, 65, 95, 96, 97, 127, 128}) {
        for (int round = 0; round < 12; round++) {
            Instance in;
            in.n = n;
            TransversalEngine lists(n), bits(n);
            lists.setMethod(kLists);
            bits.setMethod(round % 2 ? kSparse : kBits);
            auto both = [&](auto op) { op(lists), op(bits); };
            // Long edges biased to the top variables, so that the high words carry the search. Some
            // rounds have edge sets of several words: long edges over twelve of the variables,
            // which keeps the transversals few.
            const bool many = round % 4 >= 2;
            int m = many ? 65 + int(rng() % 150) : 2 + int(rng() % 40), maxLen = 2 + int(rng() % 6);
            Ints twelve(12);
            for (int& v : twelve) v = 1 + int(rng() % unsigned(n));
            for (int i = 0; i < m; i++) {
                Ints e = randomEdge(rng, n, maxLen);
                for (int& l : e)
                    if (rng() % 2) l = l < 0 ? -(n + 1 - (-l + 1) / 2) : n + 1 - (l + 1) / 2;
                if (many) {
                    e.clear();
                    for (int j = 6 + int(rng() % 5); j > 0; j--) e.push_back(twelve[rng() % 12] * (rng() % 2 ? 1 : -1));
                }
                both([&](TransversalEngine& t) { t.addEdge(e); });
                in.edges.push_back(e);
            }
            for (int i = int(rng() % 4); i > 0; i--) {
                Ints k = in.edges[rng() % in.edges.size()];
                k.resize(1 + rng() % k.size());
                both([&](TransversalEngine& t) { t.addKnown(k); });
            }
            if (rng() % 3 == 0) both([bound = 2 + int(rng() % 6)](TransversalEngine& t) { t.setMaxSize(bound); });
            bool fa, fb;
            Family a = collect(lists, 20000, fa), b = collect(bits, 20000, fb);
            SCOPED_TRACE("n " + std::to_string(n) + " round " + std::to_string(round) + " " + describe(in));
            ASSERT_EQ(fa, fb);
            if (fa) { ASSERT_EQ(a, b); }  // else stopped after 20000, each in its own order
        }
    }
    // The branch choice counts bits with the processor's instruction here; the inline count that
    // replaces it elsewhere must agree with it.
    for (uint64_t x : {uint64_t(0), ~uint64_t(0), uint64_t(1) << 63, uint64_t(0x8000000000000001ull)})
        EXPECT_EQ(primal::softPopcount(x), unsigned(__builtin_popcountll(x)));
    for (int i = 0; i < 1000; i++) {
        const uint64_t x = (uint64_t(rng()) << 32 | rng()) & (uint64_t(rng()) << 32 | rng());
        ASSERT_EQ(primal::softPopcount(x), unsigned(__builtin_popcountll(x))) << x;
    }
    // Past 128 variables the bit sets do not apply: the lists run instead, with the same result.
    TransversalEngine big(129);
    big.setMethod(kBits);
    big.addEdge({129, -1}), big.addEdge({-129, 2});
    bool finished;
    EXPECT_EQ(collect(big, 0, finished), (Family{{-129, -1}, {-1, 2}, {2, 129}}));
}

// Depth and width of 20000 (runs under the address sanitizer too).
TEST(Transversals, LargeInstancesUseNoDeepRecursion) {
    const int n = 20000;
    bool finished;
    Ints all;
    for (int v = 1; v <= n; v++) all.push_back(v % 2 ? v : -v);
    TransversalEngine chain(n), wide(n), pairs(n);
    for (int i = n - 1; i >= 0; i--) chain.addEdge({all[size_t(i)]});  // one transversal, S as deep as n
    wide.addEdge(all);                                                 // n singletons
    for (int v = 1; v <= n; v++) pairs.addEdge({-v, v});               // 2^n, each of depth n; stop at 100
    Family one = collect(chain, 0, finished), singles = collect(wide, 0, finished), some = collect(pairs, 100, finished);
    EXPECT_FALSE(finished);
    std::sort(all.begin(), all.end());
    ASSERT_EQ(one, Family{all});
    chain.setMaxSize(n - 1);
    EXPECT_TRUE(collect(chain, 0, finished).empty() && finished);
    ASSERT_EQ(singles.size(), size_t(n));
    for (const Ints& s : singles) ASSERT_EQ(s.size(), 1u);
    wide.addKnown({all[0]});
    EXPECT_EQ(collect(wide, 0, finished).size(), size_t(n - 1));
    ASSERT_EQ(std::set<Ints>(some.begin(), some.end()).size(), 100u);
    for (const Ints& s : some) ASSERT_EQ(s.size(), size_t(n));
}

// The step bound: a search that finds nothing for too long stops and says so; one whose allowance
// grows with every result runs to the end. k disjoint pairs have 2^k transversals.
TEST(Transversals, StepLimitStopsAStuckSearchOnly) {
    for (TransversalEngine::Method method : {kLists, kBits, kSparse}) {
        SCOPED_TRACE(method == kLists ? "lists" : method == kBits ? "bit sets" : "sparse bit sets");
        primal::TransversalEngine e(12);
        e.setMethod(method);
        for (int i = 1; i <= 12; i++) e.addEdge({2 * i - 1 > 12 ? -(2 * i - 1 - 12) : 2 * i - 1, 2 * i > 12 ? -(2 * i - 12) : 2 * i});
        // Unbounded; bounded at 20; 20 plus 50 per result (a bound lifted from within: the random rounds).
        size_t counts[3] = {};
        for (int run = 0; run < 3; run++) {
            if (run > 0) e.setStepLimit(20, run == 2 ? 50 : 0);
            EXPECT_EQ(e.enumerate([&](const std::vector<int>&) { return ++counts[run], true; }), run != 1);
            EXPECT_EQ(e.stepLimitHit(), run == 1);
        }
        EXPECT_TRUE(counts[1] < counts[0] && counts[2] == counts[0]);
        // The poll comes every 1024 steps, results or not, and may end the run by throwing: 14
        // disjoint pairs of distinct variables, 16384 transversals at the leaves of a binary
        // tree with 16383 inner nodes (the steps).
        primal::TransversalEngine big(28);
        big.setMethod(method);
        for (int i = 1; i <= 14; i++) big.addEdge({2 * i - 1, 2 * i});
        size_t polls = 0;
        big.setPoll([&] { ++polls; });
        EXPECT_TRUE(big.enumerate([](const std::vector<int>&) { return true; }));
        EXPECT_EQ(polls, 16383u / 1024);
        big.setPoll([] { throw 7; });
        EXPECT_THROW(big.enumerate([](const std::vector<int>&) { return true; }), int);
    }
}
