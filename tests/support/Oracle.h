// Brute-force truth-table oracle for small formulas (n up to about 14 variables): models,
// all prime implicants and all prime implicates, independent of the solver.
#ifndef PRIMAL_TESTS_ORACLE_H
#define PRIMAL_TESTS_ORACLE_H

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace testutil {

using Cnf = std::vector<std::vector<int>>;
using Primes = std::vector<std::vector<int>>;  // each sorted ascending; the list sorted

// Bit v-1 of `assignment` is the value of DIMACS variable v.
bool satisfies(const Cnf& f, uint32_t assignment);
bool isSatisfiable(const Cnf& f, int n);

struct PrimeSets {
    Primes implicants;
    Primes implicates;
};
// Over variables 1..n.
PrimeSets bruteForcePrimes(const Cnf& f, int n);
// The primes of a function of k <= 20 variables given by its truth table (bit i-1 of the index is
// variable i), the literals renamed through `names` (variable i is names[i-1]).
PrimeSets functionPrimes(const std::vector<char>& is_model, const std::vector<int>& names);
// The primes of f (over 1..n) with every variable outside x forgotten: those of the function
// over x that holds where some assignment of the other variables satisfies f.
PrimeSets projectedPrimes(const Cnf& f, int n, const std::vector<int>& x);

// Random CNF over 1..n with clause lengths in [0, max_len] (0 only when allow_empty); literals
// may repeat and clauses may be tautologies or repeated.
Cnf randomCnf(std::mt19937& rng, int n, int m, int max_len, bool allow_empty = false);
std::string toDimacs(const Cnf& f, int n);
int maxVar(const Cnf& f);  // the largest variable that occurs, 0 when none does
// (2i-1 v 2i) for i = 1..k: its prime implicants pick one literal of each pair (2^k of them),
// its prime implicates are the k pair clauses.
Cnf pairsCnf(int k);
// holes + 1 pigeons in `holes` holes (unsatisfiable), pigeon p in hole h being variable
// first + p * holes + h.
Cnf pigeonhole(int holes, int first = 1);
Primes atMost(const Primes& all, size_t k);  // the primes of at most k literals (k = 0: all)

// Prime lines of primal's -print_all output, as sorted literal lists.
void parsePrimeLines(const std::string& out, Primes& implicants, Primes& implicates);

}  // namespace testutil

#endif
