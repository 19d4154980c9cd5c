// Cost of a run through the library: enumerates a formula file through primal::enumerate with a
// callback that only counts (the literals are still mapped and sorted, as for -print_all), and
// prints the primes and the user CPU seconds of the call (reading included, as for the binary).
//
//     build/release/bench/api_bench FILE [list]
//
// "list": the list form instead (every prime kept in the result).
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

#include "primal/primal.h"

namespace {
double userSeconds() {
    rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec) + double(ru.ru_utime.tv_usec) / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [list]\n", argv[0]);
        return 2;
    }
    const bool list = argc > 2 && std::strcmp(argv[2], "list") == 0;
    uint64_t primes = 0;
    const double t0 = userSeconds();
    try {
        if (list) {
            primal::Result r = primal::enumerate(primal::Formula::fromFile(argv[1]));
            primes = r.implicants.size() + r.implicates.size();
        } else {
            primal::enumerate(primal::Formula::fromFile(argv[1]), primal::Query(),
                              [&primes](bool, const std::vector<int>&) { return ++primes, true; });
        }
    } catch (const primal::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("%llu primes %.3f s\n", (unsigned long long)primes, userSeconds() - t0);
    return 0;
}
