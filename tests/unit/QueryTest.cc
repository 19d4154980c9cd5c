// Queries through the binary: one side, a count limit, DIMACS and JSON output files, against the
// brute-force oracle on random small formulas, on each road the policy can take; files left
// valid by an interruption. (Bad values: OptionsTest.)
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

#include "support/Oracle.h"
#include "support/Process.h"

using namespace testutil;

namespace {

// A DIMACS file of lines ending in 0: its header's kind and counts, and its lines (sorted
// literal lists, sorted). `ok` when the header's line count is the number of lines and every
// line ends in 0.
struct Dimacs {
    bool ok = false;
    std::string kind;
    long vars = -1, count = -1;
    Primes lines;
};

Dimacs readDimacs(const std::string& path) {
    Dimacs d;
    std::istringstream in(fileBytes(path));
    std::string line, p;
    if (!(in >> p >> d.kind >> d.vars >> d.count) || p != "p" || !std::getline(in, line)) return d;
    bool ends = true;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::vector<int> lits;
        int l = 1;
        while (ls >> l && l != 0) lits.push_back(l);
        ends = ends && l == 0;
        std::sort(lits.begin(), lits.end());
        d.lines.push_back(lits);
    }
    std::sort(d.lines.begin(), d.lines.end());
    d.ok = ends && long(d.lines.size()) == d.count;
    return d;
}

// JSON documents through python's parser, all in one start (a start per run was most of the
// oracle test's time): for each, "implicants implicates end" (null as -1), or "" when it does
// not parse or lacks a field.
std::vector<std::string> jsonSummaries(const std::vector<std::string>& docs) {
    std::string all;
    for (const std::string& d : docs) all += d + '\0';
    const std::string path = writeTempFile("docs.json", all);
    RunResult r = Child("/usr/bin/python3", {"-c",
                                             "import json,sys\n"
                                             "f=lambda v: -1 if v is None else v\n"
                                             "for doc in open(sys.argv[1]).read().split('\\0')[:-1]:\n"
                                             "  try:\n"
                                             "    d=json.loads(doc)\n"
                                             "    assert set(d['options'])>={'side','max_primes'} and d['cpu_time']>=0 and d['peak_memory_mb']>0\n"
                                             "    print(f(d['implicants']), f(d['implicates']), d['end'])\n"
                                             "  except Exception:\n"
                                             "    print()",
                                             path}, true).finish();
    std::vector<std::string> out;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) out.push_back(line);
    return r.status == 0 && out.size() == docs.size() ? out : std::vector<std::string>(docs.size());
}

const std::vector<std::vector<std::string>> kRoads = {{"-engine-steps=0"}, {"-engine-steps=2", "-endgame=1"}, {}};
const char* const kSides[] = {"both", "implicants", "implicates"};

}  // namespace

// On each road, the printed primes of the asked side are the oracle's, the other side's lines
// and report line are left out, the files hold exactly the printed primes and parse back to the
// same function, and the JSON counts are the printed lines. With a count limit, exactly
// min(N, total) true primes are printed, and the report says it stopped only when primes were
// left. Rounds from 240 on take a length bound K: the primes of at most K literals. Their
// formulas, long clauses and few of them, have long implicants beside short implicates, so the
// capped dual-rail terms are often not minimal and consistent ones often reduce to implicants
// beyond the bound.
TEST(Query, SideLengthFilesAndLimitMatchTheOracle) {
    std::mt19937 rng(2323);
    const std::string cnf_path = writeTempFile("query.cnf", ""), out_cnf = cnf_path + ".i.cnf",
                      out_dnf = cnf_path + ".t.dnf", json = cnf_path + ".json";
    std::vector<std::string> docs, want_json, where;  // each run's JSON, parsed at the end
    for (int round = 0; round < 600 && !HasFailure(); round++) {
        const bool bounded = round >= 240;
        const int n = 1 + bounded + int(rng() % (10 - bounded)), m = bounded + int(rng() % (bounded ? 2 * n + 2 : 3 * n + 2));
        const int k = bounded ? 1 + int(rng() % 4) : 0;
        Cnf f = randomCnf(rng, n, m, 1 + bounded + int(rng() % 4));
        const int used = maxVar(f);
        std::ofstream(cnf_path) << toDimacs(f, n);
        const PrimeSets want = bruteForcePrimes(f, used);
        const bool unsat = want.implicants.empty();
        if (bounded && unsat) continue;  // no bound applies to the empty clause
        const int side = bounded ? int(rng() % 3) : round % 3;
        const bool implicants_asked = side != 2, implicates_asked = side != 1;
        std::vector<std::string> args = kRoads[size_t(bounded ? round : round / 3) % 3];
        SCOPED_TRACE("round " + std::to_string(round) + " side " + kSides[side] + " k " + std::to_string(k) + "\n" + toDimacs(f, n));
        for (std::string a : {std::string("-print_all"), "-max-len=" + std::to_string(k), std::string("-side=") + kSides[side],
                              "-implicates-out=" + out_cnf, "-implicants-out=" + out_dnf, "-stats-json=" + json, cnf_path})
            args.push_back(a);
        RunResult r = runPrimal(args);
        ASSERT_EQ(r.status, 0) << r.err;
        Primes implicants, implicates;
        parsePrimeLines(r.out, implicants, implicates);
        EXPECT_EQ(implicants, implicants_asked ? atMost(want.implicants, k) : Primes{}) << r.out;
        EXPECT_EQ(implicates, implicates_asked && !unsat ? atMost(want.implicates, k) : Primes{}) << r.out;
        if (!unsat) {
            EXPECT_EQ(r.out.find("Final Num Prime Implicant:") != std::string::npos, implicants_asked);
            EXPECT_EQ(r.out.find("Final Num Prime Implicate:") != std::string::npos, implicates_asked);
        }
        const Dimacs dnf = readDimacs(out_dnf), cnf = readDimacs(out_cnf);
        ASSERT_TRUE(dnf.ok && cnf.ok) << fileBytes(out_dnf) << fileBytes(out_cnf);
        EXPECT_TRUE(dnf.kind == "dnf" && cnf.kind == "cnf" && dnf.vars == used && cnf.vars == used);
        EXPECT_EQ(dnf.lines, implicants);
        // An unsatisfiable formula's one prime implicate is the empty clause.
        EXPECT_EQ(cnf.lines, unsat && implicates_asked ? Primes{{}} : implicates);
        docs.push_back(fileBytes(json)), where.push_back(std::to_string(round));
        want_json.push_back((implicants_asked ? std::to_string(dnf.lines.size()) : "-1") + " " +
                            (implicates_asked ? std::to_string(cnf.lines.size()) : "-1") + " complete");
        if (bounded || unsat) continue;
        const size_t total = (implicants_asked ? want.implicants.size() : 0) + (implicates_asked ? want.implicates.size() : 0);
        const size_t limit = 1 + rng() % (total + 1);
        args.insert(args.begin(), "-max-primes=" + std::to_string(limit));
        r = runPrimal(args);
        ASSERT_EQ(r.status, 0) << r.err;
        implicants.clear(), implicates.clear();
        parsePrimeLines(r.out, implicants, implicates);
        EXPECT_EQ(implicants.size() + implicates.size(), std::min(limit, total)) << r.out;
        for (const auto& p : implicants) EXPECT_TRUE(std::binary_search(want.implicants.begin(), want.implicants.end(), p));
        for (const auto& p : implicates) EXPECT_TRUE(std::binary_search(want.implicates.begin(), want.implicates.end(), p));
        const bool cut = limit < total;
        EXPECT_EQ(r.out.find("Stopped at the limit of " + std::to_string(limit) + " primes\n") != std::string::npos, cut) << r.out;
        EXPECT_NE(r.out.find("Total time:"), std::string::npos);
        const Dimacs dnf_cut = readDimacs(out_dnf), cnf_cut = readDimacs(out_cnf);
        EXPECT_EQ(dnf_cut.lines.size() + cnf_cut.lines.size(), std::min(limit, total));
        EXPECT_TRUE(dnf_cut.lines == implicants && cnf_cut.lines == implicates);
        docs.push_back(fileBytes(json)), where.push_back(std::to_string(round) + " limited");
        want_json.push_back((implicants_asked ? std::to_string(implicants.size()) : "-1") + " " +
                            (implicates_asked ? std::to_string(implicates.size()) : "-1") + (cut ? " limit" : " complete"));
    }
    const std::vector<std::string> got = jsonSummaries(docs);
    for (size_t i = 0; i < docs.size(); i++) EXPECT_EQ(got[i], want_json[i]) << "round " << where[i] << "\n" << docs[i];
}

// Interrupted (SIGINT, SIGTERM), out of CPU time or out of memory, a run leaves each file valid,
// its header counting its lines, and the JSON saying how it ended with the counts of those
// lines. The pairs formula (2i-1 v 2i, i = 1..k) has 2^k implicants, so the runs are cut in full
// flow; with -print_all the standard output pipe, read only at the end, is full when SIGINT
// comes. The runs out of CPU time or memory print their lines to a regular file (written in
// large blocks): whole lines, then the interrupted report, whose counters are the printed lines,
// or the memout lines; SIGTERM's report follows the start-up lines.
TEST(Query, InterruptedRunsLeaveValidFiles) {
    const int k = 36;
    const std::string path = writeTempFile("query_pairs.cnf", toDimacs(pairsCnf(k), 2 * k));
    struct Case {
        const char* name;
        int sig;
        std::vector<std::string> extra;
        const char* end;
    };
    std::vector<Case> cases = {{"sigint", SIGINT, {"-print_all"}, "interrupted"},
                               {"sigterm", SIGTERM, {}, "interrupted"},
                               {"cpu", 0, {"-cpu-lim=1", "-print_all"}, "cpu-limit"}};
    if (!kSanitized) cases.push_back({"memout", 0, {"-mem-lim=40", "-print_all"}, "memout"});
    std::vector<std::unique_ptr<Child>> kids;
    for (const Case& c : cases) {
        // The dual-rail loop, a solver call per prime, keeps the files at a few megabytes.
        std::vector<std::string> args = {"-c", "out=$1; shift; [ -z \"$out\" ] && exec \"$@\"; exec \"$@\" > \"$out\"", "sh",
                                         c.sig ? "" : path + c.name + ".out", primalBinary()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        for (std::string a : {std::string("-engine-steps=0"), "-implicates-out=" + path + c.name + ".cnf",
                              "-implicants-out=" + path + c.name + ".dnf", "-stats-json=" + path + c.name + ".json", path})
            args.push_back(a);
        kids.push_back(std::make_unique<Child>("/bin/sh", args));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    for (size_t i = 0; i < kids.size(); i++)
        if (cases[i].sig != 0) kids[i]->signal(cases[i].sig);
    for (size_t i = 0; i < kids.size(); i++) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        RunResult r = kids[i]->finish(90);
        EXPECT_EQ(r.status, 1);
        const Dimacs dnf = readDimacs(path + c.name + ".dnf"), cnf = readDimacs(path + c.name + ".cnf");
        EXPECT_TRUE(dnf.ok && cnf.ok);
        EXPECT_EQ(dnf.vars, 2 * k);
        EXPECT_GT(dnf.lines.size(), 100u);
        for (const auto& t : dnf.lines) EXPECT_EQ(t.size(), size_t(k));
        EXPECT_EQ(jsonSummaries({fileBytes(path + c.name + ".json")})[0],
                  std::to_string(dnf.lines.size()) + " " + std::to_string(cnf.lines.size()) + " " + c.end);
        if (c.sig == SIGINT) continue;
        const std::string out = c.sig ? r.out : fileBytes(path + c.name + ".out");
        ASSERT_FALSE(out.empty());
        size_t printed[2] = {}, at = out.find("\nUsing maximal model\n") + 21;
        for (; at < out.size() && out.compare(at, 6, "Prime ") == 0; at = out.find('\n', at) + 1)
            printed[out.compare(at, 16, "Prime Implicate:") == 0]++;
        if (c.end == std::string("memout")) {
            EXPECT_EQ(out.substr(std::min(at, out.size())), std::string(79, '=') + "\nINDETERMINATE _> MEMOUT OCCURRED\n");
            EXPECT_GT(printed[0], 1000u);  // well into the enumeration
            continue;
        }
        const size_t counts[2] = {c.sig ? dnf.lines.size() : printed[0], c.sig ? cnf.lines.size() : printed[1]};
        const std::string report = "\n*** INTERRUPTED ***\nNum Prime Implicant: " + std::to_string(counts[0]) +
                                   "\nNum Prime Implicate: " + std::to_string(counts[1]) + "\nMax Model time:";
        EXPECT_EQ(out.compare(at, report.size(), report), 0) << out.substr(std::min(at, out.size()), 300);
        EXPECT_EQ(std::count(out.begin() + long(std::min(at, out.size())), out.end(), '\n'), 9);
    }
}
