// Formulas whose variable indices have gaps: the run works on the occurring variables only
// (renumbered densely, in index order) and prints input indices. Checked on the renumbering
// itself, and through the binary against the same formula written densely and against the
// brute-force oracle.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <sstream>

#include "formula/Renumbering.h"
#include "support/Oracle.h"
#include "support/Process.h"

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

std::string dimacs(const Cnf& f, int header_vars) {
    std::ostringstream s;
    s << "p cnf " << header_vars << " " << f.size() << "\n";
    for (const auto& c : f) {
        for (int l : c) s << l << " ";
        s << "0\n";
    }
    return s.str();
}

// The lines of standard output that start with `prefix`.
std::vector<std::string> linesOf(const std::string& out, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);)
        if (l.rfind(prefix, 0) == 0) lines.push_back(l);
    return lines;
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
        SCOPED_TRACE("round " + std::to_string(round) + "\n" + dimacs(in, max_var));
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

// Through the binary: the same random formula written densely and with its variables spread
// over large gaps prints the same prime lines in the same order, mapped to the input indices;
// those are the oracle's primes. "Vars to test" is the largest index; the header note appears
// exactly when the header names another count.
TEST(SparseIndices, SameRunAsTheDenseFormula) {
    std::mt19937 rng(77);
    const std::string note = "PARSE ERROR...vars in S.nVars different from the header vars number\n";
    for (int round = 0; round < 120; round++) {
        const int n = 1 + int(rng() % 9);
        Cnf dense = randomCnf(rng, n, int(rng() % (3 * n + 2)), 1 + int(rng() % 4));
        std::vector<int> idx = sparseIndices(rng, n, round % 2 ? 1000 + int(rng() % 5000) : kMaxIndex);
        Cnf sparse = mapped(dense, idx);
        int used = 0, top = 0;
        for (const auto& c : dense)
            for (int l : c) used = std::max(used, std::abs(l)), top = std::max(top, idx[size_t(std::abs(l))]);
        const int header = round % 3 == 0 ? top + 1 + int(rng() % 10) : top;
        SCOPED_TRACE("round " + std::to_string(round) + "\n" + dimacs(sparse, header));

        RunResult d = runPrimal({"-print_all"}, dimacs(dense, used)), s = runPrimal({"-print_all"}, dimacs(sparse, header));
        ASSERT_EQ(d.status, 0) << d.out;
        ASSERT_EQ(s.status, 0) << s.out;
        EXPECT_NE(s.out.find("\nVars to test: " + std::to_string(top) + "\n"), std::string::npos) << s.out;
        EXPECT_EQ(s.out.find(note) != std::string::npos, header != top) << s.out;

        std::vector<std::string> want;
        for (const std::string& line : linesOf(d.out, "Prime ")) {
            std::istringstream in(line.substr(16));
            std::string again = line.substr(0, 16);
            for (int l; in >> l;) again += " " + std::to_string(l < 0 ? -idx[size_t(-l)] : idx[size_t(l)]);
            want.push_back(again);
        }
        EXPECT_EQ(linesOf(s.out, "Prime "), want);
        EXPECT_EQ(linesOf(s.out, "Final Num"), linesOf(d.out, "Final Num"));

        PrimeSets oracle = bruteForcePrimes(dense, n);
        if (oracle.implicants.empty()) {
            EXPECT_NE(s.out.find("Formula UNSAT...exiting\n"), std::string::npos);
            continue;
        }
        Primes implicants, implicates;
        parsePrimeLines(s.out, implicants, implicates);
        Primes wi = mapped(oracle.implicants, idx), we = mapped(oracle.implicates, idx);
        std::sort(wi.begin(), wi.end());
        std::sort(we.begin(), we.end());
        EXPECT_EQ(implicants, wi);
        EXPECT_EQ(implicates, we);
        if (HasFailure()) return;
    }
}

// The largest legal index costs what one variable costs: a complete run in little memory
// (the resident set of a run that sized anything by the index would be gigabytes).
TEST(SparseIndices, LargestIndexRunsInLittleMemory) {
    for (const std::string& cnf : {std::string("1 536870911 0\n"), std::string("p cnf 536870911 1\n1 536870911 0\n"),
                                   std::string("p cnf 4194304 1\n4194304 0\n")}) {
        SCOPED_TRACE(cnf);
        RunResult r = runPrimal({"-print_all"}, cnf, 120);
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        const bool unit = cnf.find("4194304 0") != std::string::npos;
        EXPECT_NE(r.out.find(unit ? "Vars to test: 4194304\n" : "Vars to test: 536870911\n"), std::string::npos);
        Primes implicants, implicates;
        parsePrimeLines(r.out, implicants, implicates);
        EXPECT_EQ(implicants, (unit ? Primes{{4194304}} : Primes{{1}, {kMaxIndex}}));
        EXPECT_EQ(implicates, (unit ? Primes{{4194304}} : Primes{{1, kMaxIndex}}));
        EXPECT_EQ(r.out.find("PARSE ERROR") != std::string::npos, cnf[0] != 'p');  // no header: count 0
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's own tables are larger than the bound
        EXPECT_LT(r.max_rss_kb, 100 * 1024);
#endif
    }
}
