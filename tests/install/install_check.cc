// Enumerates through an installed primal: the primes of a formula given as clauses and as text,
// the version, and an error's message. Exit status 0 when all is as expected.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <primal/primal.h>

int main() {
    using Primes = std::vector<std::vector<int>>;
    int failures = 0;
    auto check = [&failures](bool ok, const char* what) {
        if (!ok) std::fprintf(stderr, "FAILED: %s\n", what), failures++;
    };
    primal::Result r = primal::enumerate({{1, 2}, {-1, 3}});
    check(r.implicants == Primes{{-1, 2}, {1, 3}, {2, 3}}, "implicants");
    check(r.implicates == Primes{{1, 2}, {-1, 3}, {2, 3}}, "implicates");
    check(r.figures.ending == primal::Ending::Complete && r.figures.vars_to_test == 3, "figures");
    primal::Result t = primal::enumerate(primal::Formula::fromText("p cnf 3 2\n1 2 0\n-1 3 0\n"));
    check(t.implicants == r.implicants && t.implicates == r.implicates, "text");
    check(std::strcmp(primal::version(), "0.3.0") == 0, "version");
    try {
        primal::enumerate(primal::Formula::fromText("p cnf 1 1\n1 x 0\n"));
        check(false, "error");
    } catch (const primal::Error& e) {
        check(std::strcmp(e.what(), "PARSE ERROR! Unexpected char: x") == 0, "error message");
    }
    return failures == 0 ? 0 : 1;
}
