// The library against the binary and the truth-table oracle, for every query field the command
// line has; stopping by callback or interruption check; the caller's timers; the events a sink
// hears on every way a run ends, errors included.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <fcntl.h>

#include "primal/primal.h"
#include "support/Oracle.h"
#include "support/Process.h"

using namespace testutil;

namespace {

struct Lines {
    std::string lines;  // prime lines as the binary prints them, then the two final counts
    int vars_to_test = 0;
    bool unsat = false, header_note = false;  // the binary's "Formula UNSAT" and header count lines
};

std::string primeLine(bool implicant, const std::vector<int>& lits) {
    std::string s = implicant ? "Prime Implicant:" : "Prime Implicate:";
    for (int l : lits) s += " " + std::to_string(l);
    return s + "\n";
}

Lines apiRun(const primal::Formula& f, const primal::Query& q, primal::Figures* figures = nullptr) {
    Lines r;
    primal::Figures got = primal::enumerate(f, q, [&r](bool implicant, const std::vector<int>& lits) {
        EXPECT_TRUE(std::is_sorted(lits.begin(), lits.end()));
        r.lines += primeLine(implicant, lits);
        return true;
    });
    if (got.ending == primal::Ending::Unsatisfiable) {  // the binary prints no final counts then
        EXPECT_EQ(got.implicants + got.implicates, 0u);
    } else {  // the binary leaves out the side not asked for
        if (q.side != primal::Query::Side::Implicates)
            r.lines += "Final Num Prime Implicant: " + std::to_string(got.implicants) + "\n";
        if (q.side != primal::Query::Side::Implicants)
            r.lines += "Final Num Prime Implicate: " + std::to_string(got.implicates) + "\n";
    }
    r.vars_to_test = got.vars_to_test;
    if (figures != nullptr) *figures = got;
    return r;
}

Lines binaryRun(const std::string& path, const primal::Query& q) {
    static const char* const sides[] = {"both", "implicants", "implicates"};
    std::vector<std::string> args = {"-print_all", "-engine-steps=" + std::to_string(q.engine_steps),
                                     "-endgame=" + std::to_string(q.endgame_conflicts),
                                     std::string("-side=") + sides[int(q.side)], "-max-primes=" + std::to_string(q.limit),
                                     "-max-len=" + std::to_string(q.max_len)};
    if (q.project) {
        std::string list;
        for (int v : *q.project) list += (list.empty() ? "" : ",") + std::to_string(v);
        args.push_back("-project=" + list);
    }
    args.push_back(path);
    RunResult res = runPrimal(args);
    EXPECT_EQ(res.status, 0) << res.err;
    const size_t vars = res.out.find("\nVars to test: ");
    return {primesAndCounts(res.out), vars == std::string::npos ? 0 : std::atoi(res.out.c_str() + vars + 15),
            res.out.find("\nFormula UNSAT...exiting\n") != std::string::npos,
            res.out.find("\nPARSE ERROR...vars in S.nVars different from the header vars number\n") != std::string::npos};
}

// Every road, each side, a limit and a projection (onto variable 1, which every input here has).
std::vector<primal::Query> queries() {
    std::vector<primal::Query> qs(8);
    qs[1].engine_steps = 0;
    qs[2].endgame_conflicts = 0;
    qs[3].engine_steps = 0, qs[3].endgame_conflicts = 1;
    qs[4].side = primal::Query::Side::Implicants;
    qs[5].side = primal::Query::Side::Implicates, qs[5].engine_steps = 0;
    qs[6].limit = 3;
    qs[7].project = std::vector<int>{1};
    return qs;
}

std::string sortedSets(Primes a, Primes b) {
    for (auto* list : {&a, &b}) {
        for (auto& p : *list) std::sort(p.begin(), p.end());
        std::sort(list->begin(), list->end());
    }
    std::string s;
    for (const auto& p : a) s += primeLine(true, p);
    for (const auto& p : b) s += primeLine(false, p);
    return s;
}

}  // namespace

// Random formulas (unsatisfiable, empty and tautological ones among them), one query each
// (every road, side, limit and projection), and as many of two independent parts and fixed
// literals on the default road: the library's sets are the oracle's for every input form; the
// binary prints the library's lines in the same order, "Formula UNSAT" exactly when there is no
// model and, for the parts, every implicant before any implicate. Every third formula is run
// again with its variables spread over large index gaps: the same lines, mapped to the input
// indices, with the header note exactly when the header names another count.
TEST(Enumeration, RandomFormulasAgainstOracleBinaryAndLibrary) {
    std::mt19937 rng(21);
    std::vector<primal::Query> qs = queries();
    qs.resize(12);  // and the switch options' other roads: the engine cut short or given up at once
    qs[8].engine_steps = 0, qs[8].endgame_conflicts = 0;
    qs[9].engine_steps = 2, qs[9].endgame_conflicts = 1;
    qs[10].engine_steps = 1;
    qs[11].max_len = 2;  // a length bound
    int split = 0;
    for (int round = 0; round < 440 && !HasFailure(); round++) {
        const bool parts = round % 2 == 1;  // on the default road
        const primal::Query& q = qs[parts ? 0 : size_t(round / 2) % qs.size()];
        int n = 1 + int(rng() % 10);
        Cnf f;
        if (!parts) {
            f = randomCnf(rng, n, int(rng() % unsigned(3 * n + 2)), 1 + int(rng() % 4));
        } else {
            const int a = 1 + int(rng() % 4), b = 1 + int(rng() % 4), units = int(rng() % 3);
            n = a + b + units;
            f = randomCnf(rng, a, 1 + int(rng() % unsigned(2 * a)), 1 + int(rng() % 3));
            for (const std::vector<int>& c : randomCnf(rng, b, 1 + int(rng() % unsigned(2 * b)), 1 + int(rng() % 3))) {
                f.emplace_back();
                for (int l : c) f.back().push_back(l < 0 ? l - a : l + a);
            }
            for (int u = 1; u <= units; u++) f.push_back({rng() % 2 ? a + b + u : -(a + b + u)});
            std::shuffle(f.begin(), f.end(), rng);
        }
        const std::string dimacs = toDimacs(f, n);
        SCOPED_TRACE("round " + std::to_string(round) + "\n" + dimacs);
        // Clauses carry no header: variable 1 is in range only where a clause reaches it.
        if (q.project && maxVar(f) == 0) continue;
        // The binary reports an unsatisfiable formula without primes (the oracle has the empty
        // implicate).
        const bool sat = isSatisfiable(f, n);
        PrimeSets want = !sat ? PrimeSets() : q.project ? projectedPrimes(f, n, *q.project) : bruteForcePrimes(f, n);
        if (q.side == primal::Query::Side::Implicates) want.implicants.clear();
        if (q.side == primal::Query::Side::Implicants) want.implicates.clear();
        want = {atMost(want.implicants, size_t(q.max_len)), atMost(want.implicates, size_t(q.max_len))};
        const std::string expected = sortedSets(want.implicants, want.implicates);
        primal::Result r = primal::enumerate(f, q);
        const size_t total = want.implicants.size() + want.implicates.size();
        if (q.limit != 0 && total > q.limit) {  // the first `limit` primes, each a true one
            EXPECT_EQ(r.figures.ending, primal::Ending::Limit);
            EXPECT_EQ(r.implicants.size() + r.implicates.size(), q.limit);
            EXPECT_EQ(r.figures.implicants + r.figures.implicates, q.limit);
            std::istringstream got(sortedSets(r.implicants, r.implicates));
            for (std::string l; std::getline(got, l);) EXPECT_NE(("\n" + expected).find("\n" + l + "\n"), std::string::npos) << l;
        } else {
            EXPECT_EQ(sortedSets(r.implicants, r.implicates), expected);
            EXPECT_EQ(r.figures.implicants, want.implicants.size());
            EXPECT_EQ(r.figures.implicates, want.implicates.size());
            EXPECT_EQ(r.figures.ending, sat ? primal::Ending::Complete : primal::Ending::Unsatisfiable);
            primal::Query q2 = q;
            q2.engine_steps_per_prime = 0;
            const primal::Result r2 = primal::enumerate(f, q2);
            EXPECT_EQ(sortedSets(r2.implicants, r2.implicates), expected);
        }

        const std::string path = writeTempFile("api_random.cnf", dimacs), gz = writeTempFile("api_random.cnf.gz", gzipBytes(dimacs));
        const Lines bin = binaryRun(path, q);
        EXPECT_EQ(bin.unsat, !sat);
        EXPECT_EQ(apiRun(f, q).lines, bin.lines);
        EXPECT_EQ(apiRun(primal::Formula::fromFile(path), q).lines, bin.lines);
        EXPECT_EQ(apiRun(primal::Formula::fromFile(gz), q).lines, bin.lines);
        std::istringstream text(dimacs);
        primal::Figures fig;
        EXPECT_EQ(apiRun(primal::Formula::fromStream(text), q, &fig).lines, bin.lines);
        EXPECT_EQ(fig.vars_to_test, bin.vars_to_test);
        const std::string all = "\n" + bin.lines;
        const size_t first_implicate = all.find("\nPrime Implicate:");
        if (parts && first_implicate != std::string::npos) {
            EXPECT_LT(all.rfind("\nPrime Implicant:"), first_implicate);
            split++;
        }
        if (round % 3 != 0 || q.project) continue;
        // Variable v written as the v-th of 12 random indices up to the largest legal one.
        std::set<int> picked;
        const int top = rng() % 2 ? 1000 + int(rng() % 5000) : (1 << 29) - 1;
        while (picked.size() < 12) picked.insert(1 + int(rng() % unsigned(top)));
        const std::vector<int> idx(picked.begin(), picked.end());
        auto map = [&idx](int l) { return l < 0 ? -idx[size_t(-l) - 1] : idx[size_t(l) - 1]; };
        Cnf sparse = f;
        int sparse_used = 0;
        for (auto& c : sparse)
            for (int& l : c) l = map(l), sparse_used = std::max(sparse_used, std::abs(l));
        const int header = rng() % 3 == 0 ? sparse_used + 1 + int(rng() % 10) : sparse_used;
        const Lines s = binaryRun(writeTempFile("api_sparse.cnf", toDimacs(sparse, header)), q);
        EXPECT_EQ(s.vars_to_test, sparse_used);
        EXPECT_EQ(s.header_note, header != sparse_used);
        std::string want_lines, line;
        for (std::istringstream in(bin.lines); std::getline(in, line); want_lines += "\n") {
            const bool prime = line.rfind("Prime ", 0) == 0;
            want_lines += prime ? line.substr(0, 16) : line;
            std::istringstream lits(prime ? line.substr(16) : "");
            for (int l; lits >> l;) want_lines += " " + std::to_string(map(l));
        }
        EXPECT_EQ(s.lines, want_lines);
        EXPECT_EQ(s.unsat, bin.unsat);
    }
    EXPECT_GT(split, 60);
}

// Every shared instance that finishes in a few seconds, on every query that does.
TEST(Api, SharedInstancesAgainstBinary) {
    // '*': the dual-rail search alone (engine_steps = 0) takes too long there.
    for (const std::string name : {"small-examples/quinn.cnf", "small-examples/simple_v3_c2.cnf", "small-examples/zebra_v155_c1135.cnf",
                                   "uf20-91/uf20-010.cnf", "uf20-91/uf20-02.cnf", "uf20-91/uf20-07.cnf",
                                   "*cbs-k3-n100-m403-b10/CBS_k3_n100_m403_b10_0.cnf", "*cbs-k3-n100-m403-b10/CBS_k3_n100_m403_b10_1.cnf",
                                   "kc-problog/gh_4_prob.lp.cnf", "*kc-problog/smokers_6_4_prob.lp.cnf", "parity/par16-2-c.cnf",
                                   "planning/hanoi4.cnf", "aim/aim-50-1_6-yes1-4.cnf", "aim/aim-100-1_6-no-1.cnf", "hole/hole8.cnf"}) {
        const bool slow = name[0] == '*';
        const std::string path = PRIMAL_INSTANCES_DIR "/" + name.substr(slow);
        for (const primal::Query& q : queries()) {
            if (q.engine_steps == 0 && slow) continue;
            SCOPED_TRACE(path + " engine_steps=" + std::to_string(q.engine_steps) +
                         " endgame=" + std::to_string(q.endgame_conflicts));
            const Lines bin = binaryRun(path, q), api = apiRun(primal::Formula::fromFile(path), q);
            EXPECT_EQ(api.vars_to_test, bin.vars_to_test);
            EXPECT_TRUE(api.lines == bin.lines) << "the API's primes differ from the binary's";
        }
    }
}

// A callback that says stop after k primes: the run ends there, Stopped, with k primes handed
// over and counted, and the caller's timers, zeroed at the start, hold its phase times (read as
// the run goes: DriverTest's signal while reading standard input). The interruption check stops
// a long search (hole9 with the dual-rail search only: a second of conflicts before its first
// answer) at its first question; a run that finds primes is asked every 1024 of them, and by the
// engine every 1024 steps in between, so the third answer stops it before 3 * 1024 primes.
TEST(Api, StoppedByCallbackOrInterruptionCheck) {
    const std::string cbs = PRIMAL_INSTANCES_DIR "/cbs-k3-n100-m403-b10/CBS_k3_n100_m403_b10_0.cnf";
    primal::Timers timers;
    primal::Query timed;
    timed.timers = &timers;
    for (uint64_t k : {1u, 2u, 1000u, 100000u}) {
        uint64_t seen = 0;
        timers.max_model = timers.check = timers.reduction = 1e9;
        primal::Figures f = primal::enumerate(primal::Formula::fromFile(cbs), timed,
                                              [&](bool, const std::vector<int>&) { return ++seen < k; });
        EXPECT_EQ(seen, k);
        EXPECT_EQ(f.implicants + f.implicates, k);
        EXPECT_EQ(f.ending, primal::Ending::Stopped);
        EXPECT_TRUE(f.max_model < 1e9 && (k < 100000 || f.max_model > 0.0)) << f.max_model;  // a clock tick is milliseconds
        EXPECT_TRUE(timers.max_model.load() == f.max_model && timers.check.load() == f.check && timers.reduction.load() == f.reduction);
    }
    for (const int stop : {1, 3}) {
        int asked = 0;
        primal::Query q;
        if (stop == 1) q.engine_steps = 0;
        q.interrupted = [&asked, stop]() { return ++asked == stop; };
        primal::Result r = primal::enumerate(primal::Formula::fromFile(stop == 1 ? PRIMAL_INSTANCES_DIR "/hole/hole9.cnf" : cbs), q);
        EXPECT_EQ(asked, stop);
        EXPECT_EQ(r.figures.ending, primal::Ending::Stopped);
        EXPECT_LT(r.implicants.size() + r.implicates.size(), stop == 1 ? 1u : 3u * 1024u);
    }
}

namespace {

// Writes down every event it hears; stops at a prime when asked to.
struct EventLog : primal::Sink {
    std::string log;
    bool literals = true;
    uint64_t stop_at = 0, primes = 0;
    bool wantsLiterals() const override { return literals; }
    void opened() override { log += "opened "; }
    void formulaRead(int vars, bool mismatch) override { log += "read " + std::to_string(vars) + (mismatch ? "! " : " "); }
    void unsatisfiable() override { log += "unsat "; }
    void satisfiable() override { log += "sat "; }
    bool prime(bool implicant, const std::vector<int>& lits) override {
        log += implicant ? "+" : "-";
        for (int l : lits) log += std::to_string(l) + ",";
        return ++primes != stop_at;
    }
    void finished(const primal::Figures& f) override {
        static const char* const names[] = {"complete", "unsatisfiable", "stopped", "limit"};
        log += std::string(" finished ") + names[int(f.ending)] + " " + std::to_string(f.implicants) + "/" +
               std::to_string(f.implicates);
    }
};

}  // namespace

// The events in their order on every way a run ends: complete, unsatisfiable, stopped by the
// sink, cut by the limit (the first prime beyond it refused, not heard), and each kind of error
// with its message (the command line prints message() and exits with status(): the malformed
// corpus, ReaderTest and DriverTest check those). A sink that wants no literals gets the same
// count of primes without them; a descriptor is closed by the run however it ends.
// The solver's notice (a one-literal block on a variable the dual-rail solver has fixed): on
// standard output where the query asks for it, as the command line does, and nowhere else.
TEST(Api, SolverNoticeOnlyWhenAsked) {
    const std::vector<std::vector<int>> f{{-3, 1, -2}, {-2, -3, -1}, {2, 3, 1}, {-3, 2, 1}, {2, -1, -3}};
    for (bool asked : {false, true}) {
        primal::Query q;
        q.engine_steps = 0;
        q.solver_notices = asked;
        primal::Result r;
        EXPECT_EQ(captureStdout([&] { r = primal::enumerate(primal::Formula::fromClauses(f), q); }),
                  asked ? "Variable already assigned!!!\n" : "");
        EXPECT_EQ(r.implicates, (std::vector<std::vector<int>>{{1, 2}, {-3}}));
    }
}

TEST(ApiSink, EventsAndErrorsOnEveryEnding) {
    const std::string text = "p cnf 4 2\n1 2 0\n-1 3 0\n", whole = gzipBytes("p cnf 3 2\n1 2 0\n-1 3 0\n");
    const std::string cut = writeTempFile("api_cut.cnf.gz", whole.substr(0, whole.size() - 6));
    const int good = memfdWith(whole), bad = memfdWith("p cnf 3 1\n1 x 0\n"), unread = memfdWith(whole);
    EXPECT_EQ(primal::enumerate(primal::Formula::fromDescriptor(good, "<memfd>")).implicates, (Cnf{{1, 2}, {-1, 3}, {2, 3}}));
    primal::Query q, limited, range;
    q.side = limited.side = primal::Query::Side::Implicants;
    limited.limit = 2;
    range.engine_steps = -1;
    using K = primal::Error::Kind;
    const std::string small = "ERROR! value <-1> is too small for option \"engine-steps\".";
    const struct Case {
        primal::Formula f;
        primal::Query q;
        uint64_t stop_at;
        bool literals;
        std::string log, msg = "";  // msg: the error's, if any
        K kind = K::Syntax;
    } cases[] = {
        {primal::Formula::fromText(text), q, 0, true, "opened read 3! sat +-1,2,+1,3,+2,3, finished complete 3/0"},
        {primal::Formula::fromText(text), q, 0, false, "opened read 3! sat +++ finished complete 3/0"},
        {primal::Formula::fromText(text), limited, 0, true, "opened read 3! sat +-1,2,+1,3, finished limit 2/0"},
        {primal::Formula::fromText(text), q, 1, true, "opened read 3! sat +-1,2, finished stopped 1/0"},
        {primal::Formula::fromText("p cnf 1 2\n1 0\n-1 0\n"), q, 0, true, "opened read 1 unsat  finished unsatisfiable 0/0"},
        {primal::Formula::fromText("p cnf 1 2\n1 x 0\n"), q, 0, true, "opened ", "PARSE ERROR! Unexpected char: x"},
        {primal::Formula::fromFile(cut), {}, 0, true, "opened ", "ERROR! Could not read file: " + cut + ": unexpected end of file", K::Read},
        {primal::Formula::fromFile("/nonexistent/file.cnf"), {}, 0, true, "", "ERROR! Could not open file: /nonexistent/file.cnf", K::Open},
        {primal::Formula::fromDescriptor(bad, "<memfd>"), {}, 0, true, "opened ", "PARSE ERROR! Unexpected char: x"},
        {Cnf{{1}, {-2147483647 - 1}}, {}, 0, true, "opened ", "PARSE ERROR! Variable index too large: -2147483648"},
        {Cnf{{1, 0, 2}}, {}, 0, true, "opened ", "PARSE ERROR! Literal 0 inside a clause"},
        {Cnf{{1}}, range, 0, true, "", small, K::Query},
        {primal::Formula::fromDescriptor(unread, "<memfd>"), range, 0, true, "", small, K::Query},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log + c.msg);
        EventLog sink;
        sink.literals = c.literals, sink.stop_at = c.stop_at;
        try {
            primal::Figures f = primal::enumerate(c.f, c.q, sink);
            EXPECT_EQ(f.implicants, sink.primes);
            EXPECT_EQ(c.msg, "") << "no error";
        } catch (const primal::Error& e) {
            EXPECT_EQ(e.message(), c.msg);
            EXPECT_EQ(e.kind(), c.kind);
        }
        EXPECT_EQ(sink.log, c.log);
    }
    for (int fd : {good, bad, unread}) EXPECT_EQ(fcntl(fd, F_GETFD), -1) << "the run left the descriptor open";
    // The query's own errors, without a run: the same as enumerate's.
    EXPECT_NO_THROW(primal::checkQuery(q));
    try {
        primal::checkQuery(range);
        ADD_FAILURE() << "an out-of-range query passed";
    } catch (const primal::Error& e) {
        EXPECT_TRUE(e.message() == small && e.kind() == K::Query);
    }
}
