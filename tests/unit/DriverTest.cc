// The driver through the real binary: input, output, interruption, progress reports and a large
// complete run. Long runs use the pairs formula (support/Oracle.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sys/wait.h>
#include <sstream>
#include <sys/syscall.h>
#include <thread>

#include "support/Oracle.h"
#include "support/Process.h"

using namespace testutil;

namespace {

constexpr int kSlowdown = kSanitized ? 2 : 1;  // a sanitized child starts about ten times slower: fewer runs
constexpr int kWindow = kSanitized ? 5 : 1;

using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// Polls every poll_us microseconds until done() or `seconds` have passed; whether done() held.
bool waitUntil(const std::function<bool()>& done, double seconds, int poll_us) {
    for (Clock::time_point t = Clock::now(); !done(); std::this_thread::sleep_for(std::chrono::microseconds(poll_us)))
        if (secondsSince(t) > seconds) return false;
    return true;
}

std::string pairsFile(int k) { return writeTempFile("pairs-" + std::to_string(k) + ".cnf", toDimacs(pairsCnf(k), 2 * k)); }

Lines splitLines(const std::string& out) {
    Lines lines;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

// The start-up lines; path "" is standard input, n < 0 stops before the variable count.
std::string header(const std::string& path, int n) {
    return (path.empty() ? kStdin + "Formula :<stdin>" : "Formula :" + path) + "\nNegated formula :\n" +
           (n < 0 ? "" : "Vars to test: " + std::to_string(n) + "\nUsing maximal model\n");
}

struct Report {
    unsigned implicants = 0, implicates = 0;
    double times[4] = {};  // max model, check, reduction, total
};

// The six report lines at lines[at]; `num` is "Num" or "Final Num". The numbers are printed
// again in the documented format ("%u", times "%f"), which must give back the same text.
bool parseReport(const Lines& lines, size_t at, const std::string& num, Report& r) {
    if (at + 6 > lines.size()) return false;
    std::string text;
    for (size_t i = at; i < at + 6; i++) text += lines[i] + "\n";
    const std::string fmt = num + " Prime Implicant: %u\n" + num + " Prime Implicate: %u\n" +
                            "Max Model time:                  %lf\nImplicant/Implicate check time:  %lf\n"
                            "Reduction time:                  %lf\nTotal time:                      %lf\n";
    double* t = r.times;
    if (std::sscanf(text.c_str(), fmt.c_str(), &r.implicants, &r.implicates, &t[0], &t[1], &t[2], &t[3]) != 6) return false;
    char again[1024];
    std::snprintf(again, sizeof again, fmt.c_str(), r.implicants, r.implicates, t[0], t[1], t[2], t[3]);
    return text == again && std::abs(t[0] + t[1] + t[2] - t[3]) < 5e-6;
}

// What a run of the pairs formula printed, and the lines after its primes and progress reports.
struct Seen {
    std::set<std::vector<int>> implicants, implicates;
    std::vector<Report> periodic;
    Report last;
    Lines rest;
};

// The header, then whole prime lines of the pairs formula (each once, exactly " %d" per
// literal), then progress reports when reports_ok.
void scan(const std::string& out, const std::string& head, int k, bool reports_ok, Seen& got) {
    ASSERT_TRUE(!out.empty() && out.back() == '\n') << "torn last line";
    ASSERT_EQ(out.substr(0, head.size()), head);
    Lines lines = splitLines(out.substr(head.size()));
    size_t i = 0;
    for (; i < lines.size() && lines[i].rfind("Prime ", 0) == 0; i++) {
        const std::string& l = lines[i];
        const bool implicant = l.rfind("Prime Implicant:", 0) == 0;
        std::vector<int> lits;
        std::string again = implicant ? "Prime Implicant:" : "Prime Implicate:";
        std::istringstream in(l.substr(16));
        for (int x; in >> x;) lits.push_back(x), again += " " + std::to_string(x);
        ASSERT_EQ(l, again) << "line " << i;
        // Implicants take one literal of each pair in order, implicates are a whole pair.
        bool ok = lits.size() == (implicant ? size_t(k) : 2u) && lits.back() <= 2 * k && (implicant || lits[0] % 2 == 1);
        for (size_t j = 0; ok && j < lits.size(); j++) ok = implicant ? (lits[j] + 1) / 2 == int(j) + 1 : lits[j] == lits[0] + int(j);
        ASSERT_TRUE(ok) << l;
        ASSERT_TRUE((implicant ? got.implicants : got.implicates).insert(lits).second) << "repeated: " << l;
    }
    for (; i < lines.size() && lines[i].rfind("Num ", 0) == 0; i += 7) {
        ASSERT_TRUE(reports_ok) << "unexpected progress report at line " << i;
        Report r;
        ASSERT_TRUE(parseReport(lines, i, "Num", r) && i + 6 < lines.size() && lines[i + 6].empty()) << "torn report, line " << i;
        got.periodic.push_back(r);
    }
    got.rest.assign(lines.begin() + std::ptrdiff_t(i), lines.end());
}

enum { kPrintAll = 1, kReports = 2, kReportMayBeLost = 4, kHeadMayBeCut = 8 };

// Then the interrupted report as the very end (unless lost and kReportMayBeLost). With
// kPrintAll its counters are the printed lines.
void checkInterrupted(const std::string& out, const std::string& head, int k, int flags, Seen& got) {
    ASSERT_NO_FATAL_FAILURE(scan(out, head, k, flags & kReports, got));
    const Lines& rest = got.rest;
    const bool print_all = flags & kPrintAll;
    if ((flags & kReportMayBeLost) && rest.empty()) return;
    ASSERT_EQ(rest.size(), 9u) << "interrupted report not at the end: " << (rest.empty() ? "<end>" : rest[0]);
    EXPECT_TRUE(rest[0].empty() && rest[1] == "*** INTERRUPTED ***" && rest[8].empty());
    EXPECT_TRUE(parseReport(rest, 2, "Num", got.last)) << "torn interrupted report";
    const size_t printed = got.implicants.size() + got.implicates.size();
    EXPECT_TRUE(print_all || printed == 0) << printed << " prime lines";
    if (!print_all) return;
    EXPECT_EQ(got.last.implicants, got.implicants.size());
    EXPECT_EQ(got.last.implicates, got.implicates.size());
}

// Collects an interrupted run: status 1 (not a signal), and its output as above; with
// kHeadMayBeCut the signal may have come during the start-up lines.
Seen interrupted(Child& c, std::string head, int k, int flags) {
    RunResult r = c.finish(30);
    EXPECT_TRUE(r.status == 1 && r.signal == 0) << r.status << " " << r.signal;
    size_t at = 0;  // the start-up lines printed
    for (size_t end; at < head.size() && (end = head.find('\n', at) + 1, r.out.compare(0, end, head, 0, end) == 0);) at = end;
    if (flags & kHeadMayBeCut) head.resize(at);
    Seen seen;
    checkInterrupted(r.out, head, k, flags, seen);
    return seen;
}

// Same bytes as a plain file, a gzip file, and both through standard input: the primes of the
// oracle in the same order (the run is deterministic) and exact counts; without print_all only
// the counts. The gzip stream is two members, one after another: one formula. A second name is
// only echoed: nothing is written there. (Damaged gzip input: MutationTest.) A missing file and
// a directory are not read (nor standard input instead); a closed standard input and a directory
// as standard input neither: the message is on standard output.
TEST(DriverStartUp, EveryInputGivesTheSameRunAndUnopenableOnesAreReported) {
    const Cnf f{{1, -2, 3}, {-1, 4}, {2, -3, 5}, {-4, -5, 6}, {3, 7, -8}, {-6, 8, 1}, {9, -7, -2}};
    const std::string cnf = toDimacs(f, 9), plain = writeTempFile("driver_same.cnf", cnf), result = plain + ".result";
    const std::string gz_bytes = gzipBytes(cnf.substr(0, 30)) + gzipBytes(cnf.substr(30)), gz = writeTempFile("driver_same.cnf.gz", gz_bytes);

    RunResult base = runPrimal({"-print_all", plain, result});
    ASSERT_EQ(base.status, 0) << base.out;
    EXPECT_EQ(base.err, "");
    EXPECT_EQ(base.out.rfind("Formula :" + plain + "\nNegated formula :" + result + "\nVars to test: 9\nUsing maximal model\nPrime ", 0), 0u);
    EXPECT_FALSE(std::ifstream(result).good()) << result << " was created";
    Primes implicants, implicates;
    parsePrimeLines(base.out, implicants, implicates);
    PrimeSets want = bruteForcePrimes(f, 9);
    EXPECT_EQ(implicants, want.implicants);
    EXPECT_EQ(implicates, want.implicates);
    const std::string same = primesAndCounts(base.out);
    for (const auto& [args, input] : std::vector<std::pair<Lines, std::string>>{
             {{"-print_all", gz}, ""}, {{"-print_all"}, cnf}, {{"-print_all"}, gz_bytes}, {{gz}, ""}}) {
        RunResult r = runPrimal(args, input);
        SCOPED_TRACE(args.back() + (input.empty() ? "" : " on standard input"));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(primesAndCounts(r.out), args[0] == "-print_all" ? same : same.substr(same.find("Final Num ")));
        EXPECT_EQ(r.out.rfind(header(input.empty() ? gz : "", 9), 0), 0u);
    }
    const std::string dir = plain.substr(0, plain.rfind('/'));
    for (const auto& [redirect, name] : std::vector<std::pair<std::string, std::string>>{
             {"-print_all \"$1\"/does-not-exist.cnf", dir + "/does-not-exist.cnf"}, {"-print_all \"$1\"", dir}, {"<&-", ""}, {"< \"$1\"", ""}}) {
        Child c("/bin/sh", {"-c", "exec \"$0\" " + redirect, primalBinary(), dir});
        c.write(toDimacs(pairsCnf(2), 4));  // a formula standard input must not be read instead
        c.closeInput();
        RunResult r = c.finish(20);
        EXPECT_EQ(r.status, 1) << redirect;
        EXPECT_EQ(r.out, (name.empty() ? kStdin + "ERROR! Could not open file: <stdin>" : "ERROR! Could not open file: " + name) + "\n");
        EXPECT_EQ(r.err, "");
    }
}

// Standard output that cannot be written: status 1 and one line on standard error, with and
// without print_all (then only the start-up lines and the final report are lost); a closed
// standard output likewise. A reader that leaves after the first line (head -n 1) ends an
// enumeration of 2^20 primes at once, quietly and with status 1, whether SIGPIPE is left at its
// default or ignored.
TEST(DriverOutput, UnwritableOrAbandonedOutputEndsTheRun) {
    std::string path = pairsFile(8);
    for (const char* redirect : {"> /dev/full", ">&-"})
        for (const char* print : {"-print_all", "-print_time"}) {
            SCOPED_TRACE(std::string(redirect) + " " + print);
            RunResult r = Child("/bin/sh", {"-c", std::string("exec \"$0\" $1 \"$2\" ") + redirect, primalBinary(), print, path}).finish(60);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, std::string("ERROR! Could not write standard output: ") +
                                 (redirect[0] == '>' && redirect[1] == ' ' ? "No space left on device\n" : "Bad file descriptor\n"));
        }
    path = pairsFile(20);
    for (bool ignore : {false, true}) {
        SCOPED_TRACE(ignore ? "SIGPIPE ignored" : "SIGPIPE default");
        const std::string script = std::string(ignore ? "trap '' PIPE; " : "") + "{ \"$0\" -print_all \"$1\"; echo \"status $?\" >&2; } | head -n 1";
        Child c("/usr/bin/env", {"--default-signal=PIPE", "/bin/sh", "-c", script, primalBinary(), path});
        std::string first;
        for (Clock::time_point t = Clock::now(); first.find('\n') == std::string::npos && secondsSince(t) < 120;) first += c.readSome(4096, 100);
        const Clock::time_point head_done = Clock::now();  // head writes its line as it exits
        RunResult r = c.finish(60);
        EXPECT_LT(secondsSince(head_done), 1.0);
        EXPECT_EQ(r.out, "Formula :" + path + "\n");
        EXPECT_EQ(r.err, "status 1\n");
    }
}

// The handlers are in place before the input is read: a signal while the reader waits for
// more of the formula gives the report with all zeros and status 1.
TEST(DriverInterrupt, SignalWhileReadingStandardInput) {
    // Blocked in read(2) on descriptor 0, so everything written has been taken.
    const std::string reading = std::to_string(SYS_read) + " 0x0 ";
    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(strsignal(sig));
        Child c(primalBinary(), {});
        c.write("p cnf 4 3\n1 2 0\n3 4 0\n-1 ");  // cut inside a clause
        std::string state;
        auto waiting = [&] { return (state = fileBytes("/proc/" + std::to_string(c.pid()) + "/syscall")).rfind(reading, 0) == 0; };
        ASSERT_TRUE(waitUntil(waiting, 30, 20000)) << "never waited for input: " << state;
        c.signal(sig);
        const Seen seen = interrupted(c, header("", -1), 0, 0);
        EXPECT_TRUE(seen.last.implicants == 0 && seen.last.implicates == 0 && seen.last.times[3] == 0);
    }
}

// CPU time of a process in clock ticks (user and system, fields 14 and 15 of its stat), and
// whether it has ended (not reaped: finish() reaps).
long cpuTicks(pid_t pid) {
    const std::string stat = fileBytes("/proc/" + std::to_string(pid) + "/stat");
    long user = 0, sys = 0;
    std::sscanf(stat.c_str() + stat.rfind(')') + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %ld %ld", &user, &sys);
    return user + sys;
}

bool hasEnded(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// Sends sig (0: none) and waits up to `seconds` for the end; the seconds that took.
double endAfter(Child& c, int sig, double seconds = 30) {
    const Clock::time_point sent = Clock::now();
    if (sig != 0) c.signal(sig);
    waitUntil([&] { return hasEnded(c.pid()); }, seconds, 5000);
    return secondsSince(sent);
}

// A reader that has stalled (the pipe and the program's buffer are full) does not hold back an
// interruption: the run ends within a second with status 1, its output whole lines. SIGINT comes
// after the first alarm of print_time, which found the output stalled as well.
TEST(DriverInterrupt, StalledReaderDoesNotHoldSignalsBack) {
    const int k = 20;
    const std::string path = pairsFile(k);
    const Clock::time_point start = Clock::now();
    Child sigint(primalBinary(), {"-print_all", "-print_time", path}), sigterm(primalBinary(), {"-print_all", path});
    std::pair<Child*, int> runs[2] = {{&sigint, SIGINT}, {&sigterm, SIGTERM}};
    for (auto& [child, sig] : runs) {
        SCOPED_TRACE(strsignal(sig));
        // Stalled once its CPU time stops growing.
        long before = -1, now = cpuTicks(child->pid());
        const double settle = sig == SIGINT ? 6.0 : 0.5;
        waitUntil([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return before = now, now = cpuTicks(child->pid()), now == before && secondsSince(start) >= settle;
        }, 120, 0);
        ASSERT_FALSE(hasEnded(child->pid()));
        EXPECT_LT(endAfter(*child, sig), 1.0);
        // The pipe was full: the report may be missing, but nothing is torn.
        EXPECT_GT(interrupted(*child, header(path, 2 * k), k, kPrintAll | kReports | kReportMayBeLost).implicants.size(), 100u);
    }
}

// x v PHP(9) (the pigeonhole formula, 10 pigeons in 9 holes, with x added to every clause): its
// only primes are the implicant x and the implicate x, found at once, but the run then has to
// refute the pigeonhole formula, seconds of search. The first prime line reaches the pipe long
// before the run ends, not when the output buffer fills or at the exit.
TEST(DriverOutput, LinesReachAPipeDuringALongSearch) {
    Cnf f = pigeonhole(9, 2);
    for (auto& c : f) c.insert(c.begin(), 1);
    const std::string path = writeTempFile("driver_stream.cnf", toDimacs(f, 91));
    const Clock::time_point start = Clock::now();
    Child c(primalBinary(), {"-print_all", "-engine-steps=0", path});
    std::string text;
    while (text.find("\nPrime ") == std::string::npos && !hasEnded(c.pid()) && secondsSince(start) < 300)
        text += c.readSome(4096, 20);
    const double first = secondsSince(start), end = first + endAfter(c, 0, 600);
    RunResult r = c.finish(30);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(primesAndCounts(r.out), "Prime Implicant: 1\nPrime Implicate: 1\nFinal Num Prime Implicant: 1\nFinal Num Prime Implicate: 1\n");
    EXPECT_TRUE(first < 0.5 * end && end - first > 0.5) << "first prime line at " << first << " s, end at " << end << " s";
}

// A reader that is slow but alive (4 KB every 20 ms) while the program's buffer holds far more
// than it can take: an interruption still ends the run within a second, with whole lines and the
// report, whose counters are the prime lines that were written (the rest is dropped).
TEST(DriverInterrupt, SlowReaderGetsTheReport) {
    const int k = 36;
    const std::string path = pairsFile(k);
    const int runs = 20 / kSlowdown;
    int reported = 0;
    for (int i = 0; i < runs && !HasFailure(); i++) {
        SCOPED_TRACE("run " + std::to_string(i));
        Child c(primalBinary(), {"-print_all", path});
        size_t got = 0;
        Clock::time_point sent;
        for (Clock::time_point start = Clock::now(); !hasEnded(c.pid()) && secondsSince(start) < 60;) {
            if (got > 100000 && sent == Clock::time_point()) c.signal(SIGINT), sent = Clock::now();
            if (sent != Clock::time_point() && secondsSince(sent) > 10) break;
            got += c.readSome(4096, 0).size();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ASSERT_NE(sent, Clock::time_point()) << "too little output";
        EXPECT_LT(secondsSince(sent), 1.0);
        reported += !interrupted(c, header(path, 2 * k), k, kPrintAll | kReportMayBeLost).rest.empty();
    }
    EXPECT_GE(reported * 100, runs * 95) << reported << " of " << runs << " runs had the report";
}

// Hundreds of interruptions at random moments of short print_all runs, once the handlers are
// in place: each report's counters are the prime lines printed before it.
TEST(DriverInterrupt, ReportCountsThePrintedLines) {
    const int k = 30;
    const std::string path = pairsFile(k);
    std::mt19937 rng(7);
    const int runs = 200 / kSlowdown;
    int with_primes = 0;
    for (int i = 0; i < runs && !HasFailure(); i++) {
        // Half the runs split the pairs into parts (implicants as products first, then the
        // implicates), half run the dual-rail search over the whole formula.
        Child c(primalBinary(), {"-print_all", i % 4 < 2 ? "-engine-steps=250000" : "-engine-steps=0", path});
        waitUntil([&] {
            const std::string st = fileBytes("/proc/" + std::to_string(c.pid()) + "/status");
            const size_t at = st.find("SigCgt:\t");  // the caught signals' mask
            return at != std::string::npos && (std::stoull(st.substr(at + 8, 16), nullptr, 16) >> (SIGTERM - 1) & 1);
        }, 30, 200);
        // A sanitized child reaches its first prime about five times later: the window grows.
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % (20000 * kWindow)));
        c.signal(i % 2 ? SIGINT : SIGTERM);
        SCOPED_TRACE("run " + std::to_string(i));
        const Seen seen = interrupted(c, header(path, 2 * k), k, kPrintAll | kHeadMayBeCut);
        with_primes += !seen.implicants.empty() || !seen.implicates.empty();
    }
    std::printf("%d of %d interrupted runs had printed primes\n", with_primes, runs);
    EXPECT_GE(with_primes, runs / 2);
}

// print_time: a whole report about every five seconds of wall-clock time while the run goes
// on, its counters growing, and the interrupted report after them; none without print_time.
TEST(DriverReports, ProgressEveryFiveSeconds) {
    const int k = 40;
    const std::string path = pairsFile(k);
    Clock::time_point start = Clock::now();
    Child c(primalBinary(), {"-print_time", path}), quiet(primalBinary(), {path});
    std::string text;
    std::vector<double> arrivals;
    while (arrivals.size() < 2 && secondsSince(start) < 30) {
        text += c.readSome(4096, 200);  // each report ends with an empty line
        for (size_t p = text.find("\n\n"), n = 1; p != std::string::npos; p = text.find("\n\n", p + 2), n++)
            if (n > arrivals.size()) arrivals.push_back(secondsSince(start));
    }
    ASSERT_EQ(arrivals.size(), 2u) << text;
    c.signal(SIGINT), quiet.signal(SIGINT);
    interrupted(quiet, header(path, 2 * k), k, 0);
    const Seen seen = interrupted(c, header(path, 2 * k), k, kReports);
    EXPECT_TRUE(arrivals[0] >= 4.5 && arrivals[0] <= 8.5) << arrivals[0];
    EXPECT_TRUE(arrivals[1] - arrivals[0] >= 3.0 && arrivals[1] - arrivals[0] <= 8.0) << arrivals[1];  // re-armed for five
    ASSERT_EQ(seen.periodic.size(), 2u);
    const Report &a = seen.periodic[0], &b = seen.periodic[1];
    EXPECT_TRUE(0 < a.implicants && a.implicants < b.implicants && b.implicants <= seen.last.implicants)
        << a.implicants << " " << b.implicants << " " << seen.last.implicants;
    for (int t = 0; t < 4; t++) EXPECT_LE(a.times[t], b.times[t]);
    EXPECT_GT(b.times[3], 0.0);
}

// A complete run with 24 597 primes: (pairs over 1..26) and (a1 b1 v a2 b2 v a3 b3) over
// 27..32, written as its 8 clauses. Implicants: one literal per pair times one {a_j, b_j};
// implicates: the 13 pairs and the 8 clauses. Status 0, counts equal to the lines.
TEST(DriverComplete, LargeEnumerationFinishes) {
    const int k = 13;
    Cnf f = pairsCnf(k);
    for (int pick = 0; pick < 8; pick++) {
        f.emplace_back();
        for (int j = 0; j < 3; j++) f.back().push_back(2 * k + 2 * j + 1 + ((pick >> j) & 1));
    }
    RunResult r = runPrimal({"-print_all"}, toDimacs(f, 2 * k + 6), 300);
    EXPECT_TRUE(r.status == 0 && r.signal == 0);
    EXPECT_EQ(r.err, "");  // the sanitizer build reports leaks here
    Primes implicants, implicates;
    parsePrimeLines(r.out, implicants, implicates);
    std::sort(f.begin(), f.end());
    EXPECT_EQ(implicates, f);
    ASSERT_EQ(implicants.size(), size_t(3) << k);
    EXPECT_EQ(std::adjacent_find(implicants.begin(), implicants.end()), implicants.end()) << "a repeated implicant";
    for (const std::vector<int>& p : implicants) {
        bool ok = p.size() == size_t(k + 2) && p[size_t(k)] > 2 * k && p[size_t(k)] % 2 == 1 && p[size_t(k) + 1] == p[size_t(k)] + 1;
        for (int j = 0; j < k && ok; j++) ok = (p[size_t(j)] + 1) / 2 == j + 1;
        ASSERT_TRUE(ok) << testing::PrintToString(p);
    }
    Lines lines = splitLines(r.out);
    Report fin;
    ASSERT_TRUE(lines.size() > 6 && parseReport(lines, lines.size() - 6, "Final Num", fin)) << lines.back();
    EXPECT_TRUE(fin.implicants == implicants.size() && fin.implicates == implicates.size());
}

}  // namespace
