// Plain CDCL speed: solves each formula once per repetition with a fresh Sat::Solver (no
// assumptions, default options, as the formula solver's first solve in a run) and reports the
// answer, the search statistics and the median solve time over the repetitions. The statistics
// do not depend on the repetition, since the solver is deterministic; only the time does.
// A model is checked against the input clauses before it is reported.
//
// Usage: solver_bench [-r repetitions=3] [FILE...]
//   Without files, a fixed set of the shared instances (satisfiable and unsatisfiable) that
//   together take a few seconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "BenchInput.h"

using namespace Sat;

namespace {

const char* const default_set[] = {
    "uf20-91/uf20-010.cnf",
    "uf20-91/uf20-02.cnf",
    "flat30-60/flat30-1.cnf",
    "flat30-60/flat30-2.cnf",
    "aim/aim-50-1_6-yes1-4.cnf",
    "aim/aim-100-1_6-no-1.cnf",
    "uuf50-218/uuf50-01.cnf",
    "uuf50-218/uuf50-02.cnf",
    "uuf50-218/uuf50-03.cnf",
    "cbs-k3-n100-m403-b10/CBS_k3_n100_m403_b10_1.cnf",
    "dubois/dubois20.cnf",
    "dubois/dubois22.cnf",
    "pigeonhole-small/hole005.cnf",
    "hole/hole6.cnf",
    "hole/hole7.cnf",
    "hole/hole8.cnf",
    "ramsey/ramsey_3_4_9.cnf",
    "coloring/myciel4.col.5.cnf",
    "coloring/queen5_5.col.5.cnf",
    "channel/chnl-005x006.shuffled.cnf",
    "parity/par8-1-c.cnf",
    "parity/par16-2-c.cnf",
    "fpga/fpga10_8_sat.cnf",
    "circuit/ssa0432-003.cnf",
    "circuit/bf0432-007.cnf",
    "planning/logistics.a.cnf",
    "planning/hanoi4.cnf",
    "small-examples/zebra_v155_c1135.cnf",
};

bool modelSatisfies(const std::vector<std::vector<int>>& cls, const vec<lbool>& model) {
    for (const std::vector<int>& c : cls) {
        bool sat = false;
        for (int l : c) {
            lbool v = model[std::abs(l) - 1];
            if ((l > 0 && v == l_True) || (l < 0 && v == l_False)) {
                sat = true;
                break;
            }
        }
        if (!sat) return false;
    }
    return true;
}

struct Row {
    std::string name;
    int vars = 0;
    size_t clauses = 0;
    lbool result = l_Undef;
    uint64_t decisions = 0, conflicts = 0, propagations = 0;
    double seconds = 0;
};

}  // namespace

int main(int argc, char** argv) {
    int reps = 3;
    std::vector<std::string> files;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "-r") == 0 && i + 1 < argc)
            reps = std::max(1, std::atoi(argv[++i]));
        else
            files.push_back(argv[i]);
    }
    if (files.empty())
        for (const char* f : default_set) files.push_back(std::string(PRIMAL_INSTANCES_DIR) + "/" + f);

    std::printf("%-48s %5s %6s %6s %9s %9s %11s %9s %10s\n", "formula", "vars", "cls", "result", "decisions",
                "conflicts", "props", "ms", "props/s");
    Row total;
    for (const std::string& path : files) {
        SolverWrapper base;
        if (!loadClauses(path, base)) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 1;
        }
        Row r;
        size_t slash = path.rfind('/', path.rfind('/') - 1);
        r.name = slash == std::string::npos ? path : path.substr(slash + 1);
        r.vars = base.maxVar;
        r.clauses = base.cls.size();
        std::vector<double> times;
        for (int k = 0; k < reps; k++) {
            // A fresh wrapper per repetition, so that every solve starts without learnt clauses.
            SolverWrapper w;
            w.ensureVar(base.maxVar);
            w.cls = base.cls;
            w.pushInstance();
            Solver& s = *w.solver;
            double t0 = now();
            lbool res = s.solve_();
            times.push_back(now() - t0);
            if (res == l_True && !modelSatisfies(base.cls, s.model)) {
                std::fprintf(stderr, "%s: the model violates a clause\n", path.c_str());
                return 1;
            }
            r.result = res;
            r.decisions = s.decisions;
            r.conflicts = s.conflicts;
            r.propagations = s.propagations;
        }
        std::sort(times.begin(), times.end());
        r.seconds = times[times.size() / 2];
        total.decisions += r.decisions;
        total.conflicts += r.conflicts;
        total.propagations += r.propagations;
        total.seconds += r.seconds;
        std::printf("%-48s %5d %6zu %6s %9llu %9llu %11llu %9.3f %10.3g\n", r.name.c_str(), r.vars, r.clauses,
                    r.result == l_True ? "SAT" : r.result == l_False ? "UNSAT" : "?",
                    (unsigned long long)r.decisions, (unsigned long long)r.conflicts,
                    (unsigned long long)r.propagations, 1e3 * r.seconds,
                    r.seconds > 0 ? double(r.propagations) / r.seconds : 0.0);
        std::fflush(stdout);
    }
    std::printf("%-48s %5s %6s %6s %9llu %9llu %11llu %9.3f %10.3g\n", "total", "", "", "",
                (unsigned long long)total.decisions, (unsigned long long)total.conflicts,
                (unsigned long long)total.propagations, 1e3 * total.seconds,
                total.seconds > 0 ? double(total.propagations) / total.seconds : 0.0);
    std::printf("(median of %d repetitions per formula; solve only, reading and clause insertion excluded)\n",
                reps);
    return 0;
}
