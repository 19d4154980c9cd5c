// The whole tool against the brute-force oracle: on many random small formulas, the printed
// prime implicants and implicates are exactly the truth-table primes, without duplicates, and
// the final counts equal the printed lines. Every third formula is run again with its variables
// spread over large index gaps: the same lines in the same order, mapped to the input indices.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>

#include "support/Oracle.h"
#include "support/Process.h"

using namespace testutil;

namespace {

// The lines of standard output that start with `prefix`.
std::vector<std::string> linesOf(const std::string& out, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);)
        if (l.rfind(prefix, 0) == 0) lines.push_back(l);
    return lines;
}

// Runs `dense` again with variable v written as the v-th of 12 random indices (up to the
// largest legal one), under a header that names the largest index or more, and compares with
// the dense run `d`. "Vars to test" is the largest index; the header note appears exactly when
// the header names another count.
void checkSparse(std::mt19937& rng, const Cnf& dense, const RunResult& d) {
    std::set<int> picked;
    const int top = rng() % 2 ? 1000 + int(rng() % 5000) : (1 << 29) - 1;
    while (picked.size() < 12) picked.insert(1 + int(rng() % unsigned(top)));
    std::vector<int> idx{0};
    idx.insert(idx.end(), picked.begin(), picked.end());
    Cnf sparse = dense;
    int used = 0;
    for (auto& c : sparse)
        for (int& l : c) l = l < 0 ? -idx[size_t(-l)] : idx[size_t(l)], used = std::max(used, std::abs(l));
    const int header = rng() % 3 == 0 ? used + 1 + int(rng() % 10) : used;
    SCOPED_TRACE("sparse:\n" + toDimacs(sparse, header));
    RunResult s = runPrimal({"-print_all"}, toDimacs(sparse, header));
    ASSERT_EQ(s.status, 0) << s.out;
    EXPECT_NE(s.out.find("\nVars to test: " + std::to_string(used) + "\n"), std::string::npos) << s.out;
    const std::string note = "PARSE ERROR...vars in S.nVars different from the header vars number\n";
    EXPECT_EQ(s.out.find(note) != std::string::npos, header != used) << s.out;
    std::vector<std::string> want;
    for (const std::string& line : linesOf(d.out, "Prime ")) {
        std::istringstream in(line.substr(16));
        std::string again = line.substr(0, 16);
        for (int l; in >> l;) again += " " + std::to_string(l < 0 ? -idx[size_t(-l)] : idx[size_t(l)]);
        want.push_back(again);
    }
    EXPECT_EQ(linesOf(s.out, "Prime "), want);
    EXPECT_EQ(linesOf(s.out, "Final Num"), linesOf(d.out, "Final Num"));
    EXPECT_EQ(linesOf(s.out, "Formula UNSAT"), linesOf(d.out, "Formula UNSAT"));
}

}  // namespace

TEST(Enumeration, MatchesBruteForceOnRandomFormulas) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 300 && !HasFailure(); round++) {
        int n = 1 + int(rng() % 12);
        Cnf f = randomCnf(rng, n, int(rng() % (3 * n + 2)), 1 + int(rng() % 4));
        SCOPED_TRACE("round " + std::to_string(round) + "\n" + toDimacs(f, n));
        RunResult r = runPrimal({"-print_all"}, toDimacs(f, n));
        ASSERT_EQ(r.status, 0) << r.err;
        int used = 0;
        for (const auto& c : f)
            for (int l : c) used = std::max(used, std::abs(l));
        PrimeSets expected = bruteForcePrimes(f, used);
        if (expected.implicants.empty()) {
            EXPECT_NE(r.out.find("Formula UNSAT...exiting\n"), std::string::npos);
            EXPECT_EQ(r.out.find("Final Num"), std::string::npos);
        } else {
            Primes implicants, implicates;
            parsePrimeLines(r.out, implicants, implicates);
            EXPECT_EQ(implicants, expected.implicants) << r.out;
            EXPECT_EQ(implicates, expected.implicates) << r.out;
            EXPECT_EQ(linesOf(r.out, "Final Num"),
                      (std::vector<std::string>{"Final Num Prime Implicant: " + std::to_string(implicants.size()),
                                                "Final Num Prime Implicate: " + std::to_string(implicates.size())}));
        }
        if (round % 3 == 0) checkSparse(rng, f, r);
    }
}
