// Cost of blocking a model without returning to the root. Enumerates every model of a formula
// twice on identically set up solvers (keep_trail, user polarity l_False on every variable, as
// the dual-rail solver of an enumeration run):
//   incr  the blocking clause goes in with add_blck_assert, which keeps every decision level
//         below the clause's highest one, and the next solve continues from there;
//   root  the same clause goes in with addClause_ after cancelUntil(0), and the next solve
//         starts from the root.
// Both runs must find the same number of models; the bench also reports whether they find
// the same set and the same sequence.
//
// Formulas (FILE arguments; a relative path is taken under the shared instances directory):
//   PATH              DIMACS CNF; each model is blocked by the negation of the whole model.
//   rand:N:M:SEED     uniform random 3-CNF with N variables and M clauses (distinct variables
//                     per clause), blocked as above.
//   dr:F              dual-rail encoding of the formula F (either form above) as the driver's
//                     completion solver builds it: two rails per variable, a pair clause per
//                     variable and, per clause, a rail clause that the term must hit. Each
//                     model is a candidate term, blocked as a refuted term is (the clause of its
//                     false rails), so the models counted are the prime implicants of F.
//
// Usage: blocking_bench [-r repetitions=3] [-m max_models=0 (no limit)] [-u] [FILE...]
//   -u  adds a third, hypothetical mode (incr+lvl, see loopIncrementalByLevel)
//        blocking_bench -p FILE   (prints the input formula in DIMACS and exits)
// Instruction counts per mode: run under valgrind --tool=callgrind and read the inclusive
// cost of loopIncremental and loopFromRoot (see bench/README.md).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "BenchInput.h"

using namespace Sat;

namespace {

const char* const default_set[] = {
    "rand:30:75:1",
    "rand:40:130:8",
    "rand:50:190:10",
    "kc-problog/gh_4_prob.lp.cnf",
    "kc-problog/smokers_6_4_prob.lp.cnf",
    "flat30-60/flat30-1.cnf",
    "dr:rand:30:60:4",
    "dr:rand:30:75:1",
    "dr:kc-problog/gh_4_prob.lp.cnf",
    "dr:flat30-60/flat30-1.cnf",
};

using Clauses = std::vector<std::vector<int>>;

// Reads a DIMACS file through the project's reader into a clause list.
bool loadFile(const std::string& path, Clauses& out, int& nvars) {
    SolverWrapper w;
    if (!loadClauses(path, w)) return false;
    out = w.cls;
    nvars = w.maxVar;
    return true;
}

// mt19937 is specified exactly by the standard, so a seed names the same formula everywhere;
// the distributions are not, hence the plain modulo.
Clauses randomCnf(int n, int m, unsigned seed) {
    std::mt19937 rng(seed);
    Clauses cls;
    for (int c = 0; c < m; c++) {
        std::vector<int> cl;
        while (cl.size() < 3) {
            int v = 1 + int(rng() % unsigned(n));
            if (std::find(cl.begin(), cl.end(), v) != cl.end() || std::find(cl.begin(), cl.end(), -v) != cl.end())
                continue;
            cl.push_back((rng() & 1) ? v : -v);
        }
        cls.push_back(cl);
    }
    return cls;
}

bool loadFormula(const std::string& name, Clauses& cls, int& nvars) {
    if (name.compare(0, 5, "rand:") == 0) {
        int n = 0, m = 0;
        unsigned seed = 0;
        if (std::sscanf(name.c_str() + 5, "%d:%d:%u", &n, &m, &seed) != 3 || n < 3 || m < 0) return false;
        cls = randomCnf(n, m, seed);
        nvars = n;
        return true;
    }
    std::string path = name[0] == '/' ? name : std::string(PRIMAL_INSTANCES_DIR) + "/" + name;
    return loadFile(path, cls, nvars);
}

struct Problem {
    bool dual_rail = false;
    int nvars = 0;  // of the input formula
    Clauses cls;
};

// Both modes start from this: same variables, clauses in the same order, same settings.
void setUp(const Problem& p, DR_SolverWrapper& w) {
    Solver& s = *w.solver;
    if (!p.dual_rail) {
        w.ensureVar(p.nvars);
        for (const std::vector<int>& c : p.cls) {
            std::vector<int> copy = c;
            w.addClause(copy, true);
        }
    } else {
        w.ensureVar(2 * p.nvars);
        for (int x = 1; x <= p.nvars; x++) {
            std::vector<int> pair{2 * x - 1, 2 * x};
            w.addClause(pair, true);
        }
        for (const std::vector<int>& c : p.cls) {
            std::vector<int> nc;
            for (int l : c) nc.push_back(-l);
            w.addDualRailCls(nc, false, true);  // the term contains some literal of c
        }
    }
    s.keep_trail = true;
    for (Var v = 0; v < s.nVars(); v++) s.user_pol[v] = l_False;
}

// The clause that blocks the model just found: its complete negation for a plain formula, the
// disjunction of the false rails (the term and every superset) for a dual-rail one.
void blockingClause(const Problem& p, const Solver& s, vec<Lit>& out) {
    out.clear();
    for (Var v = 0; v < s.nVars(); v++) {
        if (p.dual_rail) {
            if (s.model[v] == l_False) out.push(mkLit(v));
        } else {
            out.push(mkLit(v, s.model[v] == l_True));
        }
    }
}

// Models are compared between the modes by a hash of their blocking clause, which names the
// model exactly (same variable order in both modes); storing the clauses would cost more
// memory than the solvers.
uint64_t modelHash(const vec<Lit>& block) {
    uint64_t h = 0x9e3779b97f4a7c15ULL;
    for (int i = 0; i < block.size(); i++) {
        uint64_t z = h ^ (uint64_t(toInt(block[i])) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        h = z ^ (z >> 31);
    }
    return h;
}

struct Run {
    uint64_t models = 0, decisions = 0, conflicts = 0, propagations = 0;
    double seconds = 0;
    bool exhausted = false;  // no model left (rather than stopped at the limit)
    std::vector<uint64_t> sequence;
};

// Finds models until none is left or `limit` is reached; `insert` adds the blocking clause of
// each and answers whether the solver can go on.
template <class Insert>
inline void enumerate(const Problem& p, Solver& s, uint64_t limit, Run& r, Insert insert) {
    vec<Lit> block;
    while (limit == 0 || r.models < limit) {
        if (s.solve_() != l_True) {
            r.exhausted = true;
            return;
        }
        r.models++;
        blockingClause(p, s, block);
        r.sequence.push_back(modelHash(block));
        if (!insert(block)) {
            r.exhausted = true;
            return;
        }
    }
}

// The modes are kept out of line so that a profiler (callgrind's inclusive cost) shows the
// cost of each without the set-up.
__attribute__((noinline)) void loopIncremental(const Problem& p, Solver& s, uint64_t limit, Run& r) {
    enumerate(p, s, limit, r, [&](vec<Lit>& block) { return s.add_blck_assert(block) == l_True; });
}

__attribute__((noinline)) void loopFromRoot(const Problem& p, Solver& s, uint64_t limit, Run& r) {
    enumerate(p, s, limit, r, [&](vec<Lit>& block) {
        s.cancelUntil(0);
        return s.addClause_(block);
    });
}

// What-if, not what the driver does: as loopIncremental, but the caller orders the clause by
// decreasing level first. add_blck_assert keeps the first literal of the highest level in
// front and takes whatever stands second as the other watch; in clause order that is often a
// literal false since a low level, and then the clause can never become unit: it waits until
// its last literal is made false and costs a conflict. In level order the second watch is the
// literal of the highest level after the first, as in a learnt clause. A clause that is unit
// after the backtrack also gets its first literal assigned at once (reason: the clause).
__attribute__((noinline)) void loopIncrementalByLevel(const Problem& p, Solver& s, uint64_t limit, Run& r) {
    std::vector<std::pair<int, int>> order;  // (-level, index): a stable sort by decreasing level
    vec<Lit> sorted;
    enumerate(p, s, limit, r, [&](vec<Lit>& block) {
        order.clear();
        for (int i = 0; i < block.size(); i++) order.emplace_back(-s.level(var(block[i])), i);
        std::sort(order.begin(), order.end());
        sorted.clear();
        for (const std::pair<int, int>& o : order) sorted.push(block[o.second]);
        if (s.add_blck_assert(sorted) != l_True) return false;
        bool unit = sorted.size() > 1 && s.value(sorted[0]) == l_Undef;
        for (int i = 1; unit && i < sorted.size(); i++) unit = s.value(sorted[i]) == l_False;
        if (unit) s.uncheckedEnqueue(sorted[0], s.clauses.last());
        return true;
    });
}

using Loop = void (*)(const Problem&, Solver&, uint64_t, Run&);

struct Mode {
    const char* name;
    Loop loop;
};

const Mode modes[] = {{"incr", loopIncremental}, {"root", loopFromRoot}, {"incr+lvl", loopIncrementalByLevel}};

Run timed(Loop loop, const Problem& p, uint64_t limit, int reps) {
    Run first;
    std::vector<double> times;
    for (int k = 0; k < reps; k++) {
        DR_SolverWrapper w;
        setUp(p, w);
        Solver& s = *w.solver;
        Run r;
        double t0 = now();
        loop(p, s, limit, r);
        times.push_back(now() - t0);
        r.decisions = s.decisions;
        r.conflicts = s.conflicts;
        r.propagations = s.propagations;
        if (k == 0) first = std::move(r);
    }
    std::sort(times.begin(), times.end());
    first.seconds = times[times.size() / 2];
    return first;
}

// The named input formula in DIMACS, e.g. to compare a dual-rail count with the number of
// prime implicants that primal reports for the same formula.
int printFormula(const std::string& name) {
    Clauses cls;
    int n = 0;
    if (!loadFormula(name.compare(0, 3, "dr:") == 0 ? name.substr(3) : name, cls, n)) {
        std::fprintf(stderr, "cannot load %s\n", name.c_str());
        return 1;
    }
    std::printf("p cnf %d %zu\n", n, cls.size());
    for (const std::vector<int>& c : cls) {
        for (int l : c) std::printf("%d ", l);
        std::printf("0\n");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int reps = 3;
    uint64_t limit = 0;
    int nmodes = 2;
    std::vector<std::string> names;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "-r") == 0 && i + 1 < argc)
            reps = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "-m") == 0 && i + 1 < argc)
            limit = std::strtoull(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "-u") == 0)
            nmodes = 3;
        else if (std::strcmp(argv[i], "-p") == 0 && i + 1 < argc)
            return printFormula(argv[++i]);
        else
            names.push_back(argv[i]);
    }
    if (names.empty()) names.assign(std::begin(default_set), std::end(default_set));

    std::printf("%-34s %5s %-9s %8s %9s %8s %10s %8s %8s %7s %7s\n", "formula", "vars", "mode", "models",
                "decisions", "conflicts", "props", "props/m", "us/model", "x props", "x time");
    bool all_same_count = true;
    std::vector<double> tot_sec(size_t(nmodes), 0.0);
    std::vector<uint64_t> tot_props(size_t(nmodes), 0), tot_models(size_t(nmodes), 0);
    for (const std::string& name : names) {
        Problem p;
        std::string f = name;
        if (f.compare(0, 3, "dr:") == 0) {
            p.dual_rail = true;
            f = f.substr(3);
        }
        if (!loadFormula(f, p.cls, p.nvars)) {
            std::fprintf(stderr, "cannot load %s\n", name.c_str());
            return 1;
        }
        std::vector<Run> runs;
        for (int m = 0; m < nmodes; m++) runs.push_back(timed(modes[m].loop, p, limit, reps));
        const Run& base = runs[0];
        std::vector<uint64_t> base_set = base.sequence;
        std::sort(base_set.begin(), base_set.end());
        std::string notes;
        for (int m = 0; m < nmodes; m++) {
            const Run& r = runs[size_t(m)];
            double models = r.models ? double(r.models) : 1;
            std::string count = std::to_string(r.models) + (r.exhausted ? "" : "+");
            std::printf("%-34s %5d %-9s %8s %9llu %8llu %10llu %8.1f %8.2f %7.2f %7.2f\n", m == 0 ? name.c_str() : "",
                        p.dual_rail ? 2 * p.nvars : p.nvars, modes[m].name, count.c_str(),
                        (unsigned long long)r.decisions, (unsigned long long)r.conflicts,
                        (unsigned long long)r.propagations, double(r.propagations) / models, 1e6 * r.seconds / models,
                        base.propagations ? double(r.propagations) / double(base.propagations) : 0.0,
                        base.seconds > 0 ? r.seconds / base.seconds : 0.0);
            tot_sec[size_t(m)] += r.seconds;
            tot_props[size_t(m)] += r.propagations;
            tot_models[size_t(m)] += r.models;
            std::vector<uint64_t> set = r.sequence;
            std::sort(set.begin(), set.end());
            if (std::adjacent_find(set.begin(), set.end()) != set.end())
                notes += std::string("  ") + modes[m].name + ": DUPLICATE MODEL;";
            if (m == 0) continue;
            bool same_count = r.models == base.models && r.exhausted == base.exhausted;
            all_same_count = all_same_count && same_count;
            notes += std::string("  ") + modes[m].name + ": " + (same_count ? "same count" : "DIFFERENT COUNT") +
                     ", " + (r.sequence == base.sequence ? "same order" : "other order") + ", " +
                     (set == base_set ? "same set" : "other set") + ";";
        }
        std::printf("%-34s%s\n", "", notes.c_str());
        std::fflush(stdout);
    }
    std::printf("total:");
    for (int m = 0; m < nmodes; m++)
        std::printf("  %s %llu models %.3f s %llu props;", modes[m].name, (unsigned long long)tot_models[size_t(m)],
                    tot_sec[size_t(m)], (unsigned long long)tot_props[size_t(m)]);
    std::printf("\n(median of %d repetitions, enumeration loop only; N+ = stopped at the limit; x = ratio to incr)\n",
                reps);
    return all_same_count ? 0 : 2;
}
