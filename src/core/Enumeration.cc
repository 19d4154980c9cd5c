#include "core/Enumeration.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/PrimeReduction.h"
#include "utils/Output.h"
#include "utils/ParseUtils.h"
#include "utils/System.h"

using namespace Sat;

std::atomic<uint32_t> num_prime_implicant{0};
std::atomic<uint32_t> num_prime_implicate{0};
std::atomic<double> time_max_m{0.0};
std::atomic<double> time_sat_call{0.0};
std::atomic<double> time_reduction{0.0};
std::atomic<bool> print_time_interval{false};

namespace primal {

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

void addTime(std::atomic<double>& timer, double dt) { timer.store(timer.load(relaxed) + dt, relaxed); }

// Appends " %d" for each literal.
void appendLits(std::string& line, const std::vector<int>& lits) {
    char num[16];
    for (int l : lits) {
        char* p = num;
        *p++ = ' ';
        unsigned int u = l < 0 ? 0u - unsigned(l) : unsigned(l);
        if (l < 0) *p++ = '-';
        p = fmtUnsigned(p, u);
        line.append(num, size_t(p - num));
    }
}

void SIGINT_exit(int) {
    char buf[640];
    char* p = fmtText(buf, "\n*** INTERRUPTED ***\n");
    p = formatReport(p);
    outSignalFinalReport(buf, size_t(p - buf));
    _exit(1);
}

void SIG_alarm_handler(int) {
    if (!print_time_interval.load(relaxed)) return;
    int saved_errno = errno;
    char buf[640];
    char* p = formatReport(buf);
    outSignalReport(buf, size_t(p - buf));
    alarm(5);
    errno = saved_errno;
}

// Each handler runs with all four report signals blocked, so that one report can never start
// inside another; the only exception is an interruption while a progress report waits for the
// output, which Output lets through and which finishes that report before its own.
void installHandler(int sig, void (*handler)(int)) {
    struct sigaction sa;
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGXCPU, SIGALRM}) sigaddset(&sa.sa_mask, s);
    sa.sa_flags = SA_RESTART;
    sigaction(sig, &sa, nullptr);
}

// Rails for 2n variables, one pair clause (2v-1, 2v) per variable so that at most one literal of
// v enters a term, user polarity false so that every decision sets a rail true (maximal models),
// and the trail kept after each model for incremental blocking.
void setUpDualRail(DR_SolverWrapper& dual, int n) {
    Solver& ds = *dual.drSolver;
    while (dual.nVars < 2 * n) {
        ds.newVar(l_Undef, true);
        dual.nVars++;
    }
    for (int i = 1; i <= ds.nVars(); i += 2) {
        std::vector<int> pair{i, i + 1};
        dual.addClause(pair, true);
    }
    dual.maximal = true;
    ds.keep_trail = true;
    for (Var v = 0; v < ds.nVars(); v++) ds.user_pol[v] = l_False;
}

// Solves the dual-rail solver and reads its model as a term: a false rail puts the opposite
// literal into the term. Returns false when no model is left.
bool nextTerm(DR_SolverWrapper& dual, const std::vector<int>& test_vars, std::vector<int>& term) {
    Solver& ds = *dual.drSolver;
    ds.conflict_budget = ds.propagation_budget = -1;
    ds.assumptions.clear();
    if (ds.solve_() != l_True) return false;
    term.clear();
    for (int v : test_vars) {
        if (ds.model[2 * v - 2] == l_False)
            term.push_back(-v);
        else if (ds.model[2 * v - 1] == l_False)
            term.push_back(v);
    }
    return true;
}

std::vector<int> negated(const std::vector<int>& lits) {
    std::vector<int> out;
    out.reserve(lits.size());
    for (int l : lits) out.push_back(-l);
    return out;
}

void bump(std::atomic<uint32_t>& counter) { counter.store(counter.load(relaxed) + 1, relaxed); }

// Counts a prime and, when printing, writes its line in the same step, so that a report never
// counts a prime whose line it does not show.
void recordPrime(std::string& line, bool print, bool implicant, std::vector<int>& prime) {
    std::atomic<uint32_t>& counter = implicant ? num_prime_implicant : num_prime_implicate;
    if (!print) {
        bump(counter);
        return;
    }
    std::sort(prime.begin(), prime.end());
    line.assign(implicant ? "Prime Implicant:" : "Prime Implicate:");
    appendLits(line, prime);
    line.push_back('\n');
    outWriteCounted(line.data(), line.size(), counter);
}

// Primes kept for the completion phase: all literals in one array, so that millions of primes
// cost a few bytes per literal rather than a heap block each.
struct PrimeStore {
    std::vector<int> lits;
    std::vector<size_t> ends;
    void add(const std::vector<int>& p) {
        lits.insert(lits.end(), p.begin(), p.end());
        ends.push_back(lits.size());
    }
    template <class F>
    void forEach(F f) const {
        std::vector<int> p;
        size_t begin = 0;
        for (size_t end : ends) {
            p.assign(lits.begin() + std::ptrdiff_t(begin), lits.begin() + std::ptrdiff_t(end));
            f(p);
            begin = end;
        }
    }
};

// The main loop finds every prime implicate, but an implicant all of whose extensions to models
// contain implicants found earlier is never reached by it. Prime implicants are exactly the
// minimal consistent terms that hit every prime implicate, so a second dual-rail solver whose
// maximal models are such terms, with every implicant found so far blocked as a subset, yields
// each missing one exactly once. All of its solver calls, the last (unsatisfiable) one included,
// count as maximal-model time: it can be a large part of the run and must show in the split.
void completeImplicants(int n, const std::vector<int>& test_vars, const PrimeStore& implicates,
                        const PrimeStore& implicants, const RunOptions& opts, std::string& line) {
    double t0 = userCpuTime();
    DR_SolverWrapper hit;
    setUpDualRail(hit, n);
    implicates.forEach([&](const std::vector<int>& c) {
        std::vector<int> nc = negated(c);  // the term contains some literal of c
        hit.addDualRailCls(nc, false, true);
    });
    implicants.forEach([&](const std::vector<int>& p) {
        std::vector<int> np = negated(p);  // the term lacks some literal of p
        hit.addDualRailCls(np, true, true);
    });
    std::vector<int> term;
    double t1 = userCpuTime();
    addTime(time_reduction, t1 - t0);
    for (;;) {
        bool found = nextTerm(hit, test_vars, term);
        double t2 = userCpuTime();
        addTime(time_max_m, t2 - t1);
        if (!found) break;
        std::vector<int> nt = negated(term);
        bool ok = hit.addDualRailClsIncr(nt, true, true);
        addTime(time_reduction, userCpuTime() - t2);
        recordPrime(line, opts.print_all, true, term);
        if (!ok) break;
        t1 = userCpuTime();
    }
}

}  // namespace

char* formatReport(char* p) {
    double a = time_max_m.load(relaxed), b = time_sat_call.load(relaxed), c = time_reduction.load(relaxed);
    p = fmtText(p, "Num Prime Implicant: ");
    p = fmtUnsigned(p, num_prime_implicant.load(relaxed));
    p = fmtText(p, "\nNum Prime Implicate: ");
    p = fmtUnsigned(p, num_prime_implicate.load(relaxed));
    p = fmtText(p, "\nMax Model time:                  ");
    p = fmtFixed6(p, a);
    p = fmtText(p, "\nImplicant/Implicate check time:  ");
    p = fmtFixed6(p, b);
    p = fmtText(p, "\nReduction time:                  ");
    p = fmtFixed6(p, c);
    p = fmtText(p, "\nTotal time:                      ");
    p = fmtFixed6(p, (a + b) + c);
    return fmtText(p, "\n\n");
}

void installReportHandlers() {
    for (int s : {SIGINT, SIGTERM, SIGXCPU}) installHandler(s, SIGINT_exit);
    installHandler(SIGALRM, SIG_alarm_handler);
    alarm(5);
}

int runSequence(SolverWrapper& formula, SolverWrapper& negation, DR_SolverWrapper& dual, gzFile in,
                const RunOptions& opts) {
    formula.readInstance(in);
    for (std::vector<int>& clause : formula.cls) negation.addClause(clause, false);
    negation.negateFormula();
    formula.pushInstance();
    negation.pushInstance();

    const int n = formula.nVars;
    formula.nOrigVars = n;
    negation.nOrigVars = n;
    outPrintf("Vars to test: %d\n", n);
    closeInput(in);

    std::vector<int> test_vars;
    test_vars.reserve(size_t(n));
    for (int v = 1; v <= formula.nOrigVars; v++) test_vars.push_back(v);

    setUpDualRail(dual, n);
    outPrintf("Using %s model\n", "maximal");

    Solver& fs = *formula.solver;
    fs.conflict_budget = fs.propagation_budget = -1;
    fs.assumptions.clear();
    if (fs.solve_() != l_True) {
        outPuts("Formula UNSAT...exiting");
        return 0;
    }

    time_max_m.store(0.0, relaxed);
    time_sat_call.store(0.0, relaxed);
    time_reduction.store(0.0, relaxed);
    print_time_interval.store(opts.print_time, relaxed);

    if (!primeutil::buildOccLists(formula.cls)) {
        outPuts("Error...one clause contains a 0 literal");
        return 1;
    }

    std::vector<int> term;
    std::vector<int> prime;
    std::vector<unsigned short> rmodel(static_cast<size_t>(n));
    std::string line;
    const std::vector<std::vector<int>>& clauses = formula.cls;
    PrimeStore found_implicants, found_implicates;

    for (;;) {
        std::fill(cls2exclude.begin(), cls2exclude.end(), false);

        double t0 = userCpuTime();
        if (!nextTerm(dual, test_vars, term)) break;
        // One stamp ends the model call and starts the check: each stamp is a system call, and
        // with short iterations the stamps themselves would be a visible share of the run.
        double t1 = userCpuTime();
        addTime(time_max_m, t1 - t0);

        fs.conflict_budget = fs.propagation_budget = -1;
        fs.assumptions.clear();
        for (int l : term) fs.assumptions.push(mkLit(std::abs(l) - 1, l < 0));
        bool consistent = fs.solve_() == l_True;
        addTime(time_sat_call, userCpuTime() - t1);

        bool ok;
        if (consistent) {
            for (int i = 0; i < n; i++) rmodel[size_t(i)] = fs.model[i] == l_True ? primeutil::TRUE : primeutil::FALSE;
            prime = primeutil::extract_Prime(clauses, rmodel);
            ok = dual.addDualRailClsIncr(prime, false, true);
            found_implicants.add(prime);
        } else {
            prime = negated(term);
            ok = dual.addDualRailClsIncr(prime, true, true);
            found_implicates.add(prime);
        }
        addTime(time_reduction, userCpuTime() - t1);

        recordPrime(line, opts.print_all, consistent, prime);
        if (!ok) break;
    }
    completeImplicants(n, test_vars, found_implicates, found_implicants, opts, line);

    uint32_t implicants = num_prime_implicant.load(relaxed), implicates = num_prime_implicate.load(relaxed);
    double a = time_max_m.load(relaxed), b = time_sat_call.load(relaxed), c = time_reduction.load(relaxed);
    outPrintf("Final Num Prime Implicant: %u\n", implicants);
    outPrintf("Final Num Prime Implicate: %u\n", implicates);
    outPrintf("Max Model time:                  %f\n", a);
    outPrintf("Implicant/Implicate check time:  %f\n", b);
    outPrintf("Reduction time:                  %f\n", c);
    outPrintf("Total time:                      %f\n", (a + b) + c);
    return 0;
}

}  // namespace primal
