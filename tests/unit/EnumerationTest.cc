// The whole tool against the brute-force oracle: on many random small formulas, the printed
// prime implicants and implicates are exactly the truth-table primes, without duplicates, and
// the final counts equal the printed lines.
#include <gtest/gtest.h>

#include <random>

#include "support/Oracle.h"
#include "support/Process.h"

using namespace testutil;

namespace {

unsigned finalCount(const std::string& out, const std::string& label) {
    size_t pos = out.find(label);
    if (pos == std::string::npos) return ~0u;
    return unsigned(std::stoul(out.substr(pos + label.size())));
}

void checkAgainstOracle(const Cnf& f, int n, const std::string& where) {
    RunResult r = runPrimal({"-print_all"}, toDimacs(f, n));
    ASSERT_EQ(r.status, 0) << where << r.err;
    int used = 0;
    for (const auto& c : f)
        for (int l : c) used = std::max(used, std::abs(l));
    PrimeSets expected = bruteForcePrimes(f, used);
    if (expected.implicants.empty()) {
        EXPECT_NE(r.out.find("Formula UNSAT...exiting\n"), std::string::npos) << where;
        EXPECT_EQ(r.out.find("Final Num"), std::string::npos) << where;
        return;
    }
    Primes implicants, implicates;
    parsePrimeLines(r.out, implicants, implicates);
    EXPECT_EQ(implicants, expected.implicants) << where << r.out;
    EXPECT_EQ(implicates, expected.implicates) << where << r.out;
    EXPECT_EQ(finalCount(r.out, "Final Num Prime Implicant: "), implicants.size()) << where;
    EXPECT_EQ(finalCount(r.out, "Final Num Prime Implicate: "), implicates.size()) << where;
}

}  // namespace

TEST(Enumeration, MatchesBruteForceOnRandomFormulas) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 300; round++) {
        int n = 1 + int(rng() % 12);
        int m = int(rng() % (3 * n + 2));
        int max_len = 1 + int(rng() % 4);
        Cnf f = randomCnf(rng, n, m, max_len);
        checkAgainstOracle(f, n, "round " + std::to_string(round) + "\n" + toDimacs(f, n));
        if (HasFailure()) return;
    }
}
