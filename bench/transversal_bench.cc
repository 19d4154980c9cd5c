// Throughput of the minimal-transversal engine (transversal/Transversals.h): transversals per second,
// median of the repetitions, of a chain of hypergraphs where each one's transversals become the
// next one's edges:
//   pairs-K     K disjoint edges {2i-1, 2i}: 2^K transversals of K literals, no dead branch.
//   rand3       a random 3-CNF (distinct variables per clause, random signs) as edges: its
//               consistent minimal transversals are the formula's prime implicants.
//   rand3.dual  those prime implicants as edges: the transversals are the prime implicates.
//   rand3.back  the prime implicates as edges (the large hypergraph, a few hundred thousand
//               edges): the prime implicants again, so the count must equal rand3's.
//   .known      rand3.back with every second prime implicant as a known set: half of them are
//               left (the driver's completion phase, where found primes are known sets).
//   wide        M random edges of 5 to 20 positive literals over N variables: the first L
//               transversals (the full set is astronomically large). With random signs instead,
//               even the first consistent transversal is a hard search (satisfying a large
//               random CNF without propagation).
// Exits with status 2 when a count disagrees with the duality above.
// Times are CPU times of the enumeration (input and set-up of the engine excluded, its
// per-run preparation included).
//
// Usage: transversal_bench [-r repetitions=5] [-k K=18] [-n vars=40] [-m clauses=120] [-s seed=1]
//                          [-N vars=300] [-M edges=200000] [-L limit=20000]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "transversal/Transversals.h"

using Family = std::vector<std::vector<int>>;

namespace {

int reps = 5;
primal::TransversalEngine::Method method = primal::TransversalEngine::Method::Auto;

// CPU time of the process: steadier than wall time on the shared development machine.
double cpuNow() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + 1e-9 * double(ts.tv_nsec);
}

// Enumerates the transversals of `edges` (minus `known`; the first `limit` of them when not 0)
// `reps` times; returns the last run's.
Family bench(const char* name, int n, const Family& edges, const Family& known = {}, size_t limit = 0) {
    Family result;
    std::vector<double> times;
    size_t lits = 0;
    for (const auto& e : edges) lits += e.size();
    for (int r = 0; r < reps; r++) {
        primal::TransversalEngine t(n);
        t.setMethod(method);
        for (const auto& e : edges) t.addEdge(e);
        for (const auto& k : known) t.addKnown(k);
        double t1 = cpuNow();
        result.clear();
        t.enumerate([&](const std::vector<int>& s) {
            result.push_back(s);
            return result.size() != limit;
        });
        times.push_back(cpuNow() - t1);
        if (r == 0) std::printf("%-12s %5d %8zu %9zu %7zu ", name, n, edges.size(), lits, known.size());
    }
    std::sort(times.begin(), times.end());
    double med = times[times.size() / 2];
    size_t tl = 0;
    for (const auto& s : result) tl += s.size();
    std::printf("%9zu %6.1f %9.4f %10.0f %8.2f\n", result.size(), result.empty() ? 0.0 : double(tl) / double(result.size()), med,
                double(result.size()) / med, result.empty() ? 0.0 : 1e6 * med / double(result.size()));
    std::fflush(stdout);
    return result;
}

bool expectCount(const char* what, size_t got, size_t want) {
    if (got == want) return true;
    std::printf("MISMATCH %s: %zu, expected %zu\n", what, got, want);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    int k = 18, n = 40, m = 120, bigN = 300, bigM = 200000, opt;
    size_t bigLimit = 20000;
    unsigned seed = 1;
    while ((opt = getopt(argc, argv, "r:k:n:m:s:N:M:L:x:")) != -1) {
        switch (opt) {
        case 'r': reps = std::max(1, std::atoi(optarg)); break;
        case 'k': k = std::atoi(optarg); break;
        case 'n': n = std::atoi(optarg); break;
        case 'm': m = std::atoi(optarg); break;
        case 's': seed = unsigned(std::atoi(optarg)); break;
        case 'N': bigN = std::atoi(optarg); break;
        case 'M': bigM = std::atoi(optarg); break;
        case 'L': bigLimit = size_t(std::atol(optarg)); break;
        case 'x':
            method = optarg[0] == 'l' ? primal::TransversalEngine::Method::Lists
                   : optarg[0] == 'b' ? primal::TransversalEngine::Method::BitSets
                                      : primal::TransversalEngine::Method::Auto;
            break;
        default:
            std::fprintf(stderr, "usage: %s [-r reps] [-k K] [-n vars] [-m clauses] [-s seed] [-N vars] [-M edges] [-L limit] [-x auto|lists|bits]\n", argv[0]);
            return 1;
        }
    }
    std::printf("%-12s %5s %8s %9s %7s %9s %6s %9s %10s %8s\n", "hypergraph", "vars", "edges", "edge_lits", "known",
                "transv", "size", "median_s", "transv/s", "us/transv");
    bool ok = true;

    Family pairs;
    for (int i = 1; i <= k; i++) pairs.push_back({2 * i - 1, 2 * i});
    std::string pname = "pairs-" + std::to_string(k);
    ok &= expectCount("pairs", bench(pname.c_str(), 2 * k, pairs).size(), size_t(1) << k);

    std::mt19937 rng(seed);
    Family cnf;
    for (int i = 0; i < m; i++) {
        std::vector<int> c;
        while (c.size() < 3) {
            int v = 1 + int(rng() % unsigned(n));
            if (std::none_of(c.begin(), c.end(), [v](int l) { return std::abs(l) == v; })) c.push_back(rng() % 2 ? v : -v);
        }
        cnf.push_back(c);
    }
    Family implicants = bench("rand3", n, cnf);
    Family implicates = bench("rand3.dual", n, implicants);
    ok &= expectCount("rand3.back", bench("rand3.back", n, implicates).size(), implicants.size());
    Family half;
    for (size_t i = 0; i < implicants.size(); i += 2) half.push_back(implicants[i]);
    ok &= expectCount(".known", bench(".known", n, implicates, half).size(), implicants.size() - half.size());

    Family wide;  // positive edges of 5 to 20 literals
    for (int i = 0; i < bigM; i++) {
        std::vector<int> e;
        size_t len = 5 + rng() % 16;
        while (e.size() < len) {
            int v = 1 + int(rng() % unsigned(bigN));
            if (std::find(e.begin(), e.end(), v) == e.end()) e.push_back(v);
        }
        wide.push_back(e);
    }
    ok &= expectCount("wide", bench("wide", bigN, wide, {}, bigLimit).size(), bigLimit);
    return ok ? 0 : 2;
}
