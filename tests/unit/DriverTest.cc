// The driver through the real binary: start-up lines, open errors, gzip and standard input,
// interruption by signals and by the CPU limit, progress reports, the memory limit and a large
// complete run. Long runs use the pairs formula (2i-1 v 2i) for i = 1..k: its prime implicants
// pick one literal of each pair (2^k of them), its prime implicates are the k pair clauses.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

#include "support/Oracle.h"
#include "support/Process.h"

using namespace testutil;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

std::string pairsCnf(int k) {
    std::string s = "p cnf " + std::to_string(2 * k) + " " + std::to_string(k) + "\n";
    for (int i = 1; i <= k; i++) s += std::to_string(2 * i - 1) + " " + std::to_string(2 * i) + " 0\n";
    return s;
}

std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::vector<std::string> splitLines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

// " 3 -5 7" strictly: one blank before each non-zero number, nothing else.
bool parseLits(const std::string& s, std::vector<int>& lits) {
    lits.clear();
    size_t i = 0;
    while (i < s.size()) {
        if (s[i++] != ' ') return false;
        bool neg = i < s.size() && s[i] == '-';
        if (neg) i++;
        if (i >= s.size() || s[i] < '1' || s[i] > '9') return false;
        long v = 0;
        while (i < s.size() && isdigit((unsigned char)s[i]) && v < 100000000) v = v * 10 + (s[i++] - '0');
        lits.push_back(int(neg ? -v : v));
    }
    return true;
}

struct Report {
    unsigned implicants = 0, implicates = 0;
    double times[4] = {0, 0, 0, 0};  // max model, check, reduction, total
};

bool allDigits(const std::string& s, size_t from, size_t to) {
    if (from >= to || to > s.size()) return false;
    for (size_t i = from; i < to; i++)
        if (!isdigit((unsigned char)s[i])) return false;
    return true;
}

// The six report lines starting at lines[at]; `num` is "Num" or "Final Num". Times are "%f".
bool parseReport(const std::vector<std::string>& lines, size_t at, const std::string& num, Report& r) {
    static const char* kTimes[4] = {"Max Model time:                  ", "Implicant/Implicate check time:  ",
                                    "Reduction time:                  ", "Total time:                      "};
    if (at + 6 > lines.size()) return false;
    unsigned* counts[2] = {&r.implicants, &r.implicates};
    for (int c = 0; c < 2; c++) {
        const std::string label = num + (c == 0 ? " Prime Implicant: " : " Prime Implicate: ");
        const std::string& l = lines[at + size_t(c)];
        if (l.compare(0, label.size(), label) != 0 || !allDigits(l, label.size(), l.size())) return false;
        *counts[c] = unsigned(std::stoul(l.substr(label.size())));
    }
    for (int t = 0; t < 4; t++) {
        const std::string& l = lines[at + 2 + size_t(t)];
        const size_t w = std::strlen(kTimes[t]), dot = l.find('.', w);
        if (l.compare(0, w, kTimes[t]) != 0 || dot == std::string::npos || !allDigits(l, w, dot) ||
            !allDigits(l, dot + 1, l.size()) || l.size() != dot + 7)
            return false;
        r.times[t] = std::stod(l.substr(w));
    }
    return std::abs(r.times[0] + r.times[1] + r.times[2] - r.times[3]) < 5e-6;
}

// What an interrupted run of the pairs formula printed.
struct Interrupted {
    std::set<std::vector<int>> implicants, implicates;
    std::vector<Report> periodic;
    Report last;
};

// Whole output: the header, prime lines (with print_all) that are primes of the pairs formula,
// each once, periodic reports (with print_time), then the interrupted report as the very end.
void checkInterrupted(const std::string& out, const std::vector<std::string>& header, int k, bool print_all,
                      bool periodic_ok, Interrupted& got) {
    ASSERT_FALSE(out.empty());
    ASSERT_EQ(out.back(), '\n') << "torn last line";
    std::vector<std::string> lines = splitLines(out);
    ASSERT_GE(lines.size(), header.size());
    for (size_t i = 0; i < header.size(); i++) ASSERT_EQ(lines[i], header[i]);
    size_t i = header.size();
    std::vector<int> lits;
    for (; i < lines.size() && lines[i].compare(0, 6, "Prime ") == 0; i++) {
        const std::string& l = lines[i];
        ASSERT_TRUE(print_all) << l;
        bool implicant = l.compare(0, 16, "Prime Implicant:") == 0;
        ASSERT_TRUE(implicant || l.compare(0, 16, "Prime Implicate:") == 0) << l;
        ASSERT_TRUE(parseLits(l.substr(16), lits)) << "line " << i << ": " << l;
        if (implicant) {
            ASSERT_EQ(lits.size(), size_t(k)) << l;
            for (int j = 0; j < k; j++) ASSERT_TRUE(lits[size_t(j)] == 2 * j + 1 || lits[size_t(j)] == 2 * j + 2) << l;
        } else {
            ASSERT_TRUE(lits.size() == 2 && lits[0] % 2 == 1 && lits[1] == lits[0] + 1 && lits[1] <= 2 * k) << l;
        }
        ASSERT_TRUE((implicant ? got.implicants : got.implicates).insert(lits).second) << "repeated: " << l;
    }
    for (; i < lines.size() && lines[i].compare(0, 4, "Num ") == 0; i += 7) {
        ASSERT_TRUE(periodic_ok) << "unexpected progress report at line " << i;
        Report r;
        ASSERT_TRUE(parseReport(lines, i, "Num", r)) << "torn progress report at line " << i;
        ASSERT_TRUE(i + 6 < lines.size() && lines[i + 6].empty());
        got.periodic.push_back(r);
    }
    ASSERT_EQ(lines.size(), i + 9) << "interrupted report not at the end, line " << i << ": "
                                   << (i < lines.size() ? lines[i] : "<end>");
    EXPECT_EQ(lines[i], "");
    EXPECT_EQ(lines[i + 1], "*** INTERRUPTED ***");
    EXPECT_TRUE(parseReport(lines, i + 2, "Num", got.last)) << "torn interrupted report";
    EXPECT_EQ(lines[i + 8], "");
    if (!print_all) return;
    // The counters run ahead of the printed lines by at most the prime whose line was cut off.
    size_t printed = got.implicants.size() + got.implicates.size();
    EXPECT_GE(got.last.implicants, got.implicants.size());
    EXPECT_GE(got.last.implicates, got.implicates.size());
    EXPECT_LE(size_t(got.last.implicants) + got.last.implicates, printed + 1);
}

std::vector<std::string> fileHeader(const std::string& path, int n) {
    return {"Formula :" + path, "Negated formula :", "Vars to test: " + std::to_string(n), "Using maximal model"};
}
std::vector<std::string> stdinHeader(int n) {
    std::vector<std::string> h = fileHeader("<stdin>", n);
    h.insert(h.begin(), "Reading from standard input... Use '--help' for help.");
    return h;
}

// Starts primal with the given descriptors as standard input and output (stderr to /dev/null),
// for runs whose output must go to a regular file or whose input pipe the test owns.
pid_t spawn(const std::vector<std::string>& args, int in, int out) {
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDWR | O_CLOEXEC);
        dup2(in >= 0 ? in : null, 0);
        dup2(out >= 0 ? out : null, 1);
        dup2(null, 2);
        std::vector<char*> argv{const_cast<char*>(PRIMAL_BINARY)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(PRIMAL_BINARY, argv.data());
        _exit(127);
    }
    return pid;
}

// Exit status, -1 when killed by a signal, -2 when it had to be killed after timeout_s.
int waitExit(pid_t pid, int timeout_s) {
    Clock::time_point start = Clock::now();
    int st = 0;
    while (waitpid(pid, &st, WNOHANG) == 0) {
        if (secondsSince(start) > timeout_s) {
            kill(pid, SIGKILL);
            waitpid(pid, &st, 0);
            return -2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// The child has taken every byte from the pipe and sleeps, i.e. waits for more input.
bool waitsForInput(pid_t pid, int pipe_w) {
    int pending = -1;
    if (ioctl(pipe_w, FIONREAD, &pending) != 0 || pending != 0) return false;
    std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    size_t p = stat.rfind(')');
    return p != std::string::npos && p + 2 < stat.size() && stat[p + 2] == 'S';
}

unsigned finalCount(const std::string& out, const std::string& label) {
    size_t pos = out.find("\n" + label);
    return pos == std::string::npos ? ~0u : unsigned(std::stoul(out.substr(pos + 1 + label.size())));
}

// Prime lines and final counts: what must not depend on how the input arrived.
std::string primesAndCounts(const std::string& out) {
    std::string s;
    for (const std::string& l : splitLines(out))
        if (l.compare(0, 6, "Prime ") == 0 || l.compare(0, 10, "Final Num ") == 0) s += l + "\n";
    return s;
}

TEST(DriverStartUp, HeaderLinesAndNoOutputFile) {
    const std::string cnf = "p cnf 3 2\n1 -2 0\n2 3 0\n";
    const std::string path = writeTempFile("driver_header.cnf", cnf);
    RunResult r = runPrimal({path, "-print_all"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("Formula :" + path + "\nNegated formula :\nVars to test: 3\nUsing maximal model\nPrime ", 0), 0u) << r.out;
    Primes implicants, implicates;
    parsePrimeLines(r.out, implicants, implicates);
    EXPECT_EQ(implicants, (Primes{{-2, 3}, {1, 2}, {1, 3}}));
    EXPECT_EQ(implicates, (Primes{{-2, 1}, {1, 3}, {2, 3}}));

    r = runPrimal({}, cnf);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Reading from standard input... Use '--help' for help.\nFormula :<stdin>\nNegated formula :\n"
                          "Vars to test: 3\nUsing maximal model\nFinal Num Prime Implicant: 3\n", 0), 0u) << r.out;

    // The second name is only echoed: nothing is written there.
    const std::string result = path + ".result";
    r = runPrimal({path, result});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Formula :" + path + "\nNegated formula :" + result + "\nVars to test: 3\n"), std::string::npos);
    struct stat st;
    EXPECT_NE(stat(result.c_str(), &st), 0) << result << " was created";
}

TEST(DriverStartUp, UnopenableInputIsReportedOnStandardOutput) {
    const std::string file = writeTempFile("driver_probe", "");
    const std::string dir = file.substr(0, file.rfind('/'));
    for (const std::string& path : {dir + "/does-not-exist.cnf", dir}) {
        RunResult r = runPrimal({"-print_all", path}, pairsCnf(2));  // standard input is not read instead
        EXPECT_EQ(r.status, 1) << path;
        EXPECT_EQ(r.out, "ERROR! Could not open file: " + path + "\n");
        EXPECT_EQ(r.err, "");
    }
}

// Same bytes as a plain file, a gzip file, and both through standard input: same primes in the
// same order (the run is deterministic) and the same counts; without print_all only the counts.
TEST(DriverStartUp, GzipAndStandardInputGiveTheSameRun) {
    const std::string cnf = "p cnf 9 7\n1 -2 3 0\n-1 4 0\n2 -3 5 0\n-4 -5 6 0\n3 7 -8 0\n-6 8 1 0\n9 -7 -2 0\n";
    const std::string plain = writeTempFile("driver_same.cnf", cnf), gz = plain + ".gz";
    gzFile w = gzopen(gz.c_str(), "wb");
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(gzwrite(w, cnf.data(), unsigned(cnf.size())), int(cnf.size()));
    gzclose(w);
    const std::string gz_bytes = readFile(gz);
    ASSERT_EQ(gz_bytes.compare(0, 2, "\x1f\x8b"), 0);

    RunResult base = runPrimal({"-print_all", plain});
    ASSERT_EQ(base.status, 0) << base.out;
    const std::string want = primesAndCounts(base.out);
    ASSERT_EQ(finalCount(base.out, "Final Num Prime Implicant: "), 72u) << base.out;
    ASSERT_EQ(finalCount(base.out, "Final Num Prime Implicate: "), 28u) << base.out;
    for (const auto& [args, input] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"-print_all", gz}, ""}, {{"-print_all"}, cnf}, {{"-print_all"}, gz_bytes}, {{"-print_all", plain}, ""}}) {
        RunResult r = runPrimal(args, input);
        SCOPED_TRACE(args.back() + (input.empty() ? "" : " on standard input"));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(primesAndCounts(r.out), want);
    }
    RunResult quiet = runPrimal({gz});
    EXPECT_EQ(primesAndCounts(quiet.out), want.substr(want.find("Final Num ")));
}

// The handlers are in place before the input is read: a signal while the reader waits for
// more of the formula gives the report with all zeros and status 1.
TEST(DriverInterrupt, SignalWhileReadingStandardInput) {
    const std::string zeros = "\n*** INTERRUPTED ***\nNum Prime Implicant: 0\nNum Prime Implicate: 0\n"
                              "Max Model time:                  0.000000\nImplicant/Implicate check time:  0.000000\n"
                              "Reduction time:                  0.000000\nTotal time:                      0.000000\n\n";
    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(strsignal(sig));
        int in[2];
        ASSERT_EQ(pipe2(in, O_CLOEXEC), 0);  // the child must not hold the writing end itself
        const std::string out_path = writeTempFile("driver_reading.out", "");
        int out = open(out_path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        pid_t pid = spawn({}, in[0], out);
        close(in[0]);
        close(out);
        const std::string part = "p cnf 4 3\n1 2 0\n3 4 0\n-1 ";  // cut inside a clause
        EXPECT_EQ(write(in[1], part.data(), part.size()), ssize_t(part.size()));
        Clock::time_point start = Clock::now();
        int settled = 0;
        while (settled < 3 && secondsSince(start) < 30) {
            settled = waitsForInput(pid, in[1]) ? settled + 1 : 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        EXPECT_EQ(settled, 3) << "never waited for input";
        kill(pid, settled == 3 ? sig : SIGKILL);
        int status = waitExit(pid, 30);
        close(in[1]);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(readFile(out_path), "Reading from standard input... Use '--help' for help.\nFormula :<stdin>\n"
                                      "Negated formula :\n" + zeros);
    }
}

// The CPU limit ends a run that cannot finish (2^40 implicants) like an interruption, whether
// the lines go to a regular file (written in large blocks) or to a pipe read at full speed.
TEST(DriverInterrupt, CpuLimitEndsWithWholeLinesAndTheReport) {
    const int k = 40;
    const std::string path = writeTempFile("driver_cpu.cnf", pairsCnf(k));
    const std::string out_path = writeTempFile("driver_cpu.out", "");
    int out = open(out_path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    pid_t pid = spawn({"-cpu-lim=1", "-print_all", path}, -1, out);
    close(out);
    EXPECT_EQ(waitExit(pid, 90), 1);
    Interrupted to_file;
    checkInterrupted(readFile(out_path), fileHeader(path, 2 * k), k, true, false, to_file);
    EXPECT_GT(to_file.implicants.size(), 100u);  // the limit struck during the enumeration

    Child c(primalBinary(), {"-print_all", "-cpu-lim=1", path});
    RunResult r = c.finish(90);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.signal, 0);
    Interrupted to_pipe;
    checkInterrupted(r.out, fileHeader(path, 2 * k), k, true, false, to_pipe);
    EXPECT_GT(to_pipe.implicants.size(), 100u);
}

// SIGINT and SIGTERM, each to its own run whose output pipe is read in small, slow pieces, so
// that the signal usually finds the program blocked in a write. The runs last past the first
// alarm, which must stay silent without print_time.
TEST(DriverInterrupt, SignalsDuringSlowlyReadOutput) {
    const int k = 36;
    const std::string path = writeTempFile("driver_slow.cnf", pairsCnf(k));
    Child sigint(primalBinary(), {"-print_all", path}), sigterm(primalBinary(), {path, "-print_all"});
    Clock::time_point start = Clock::now();
    size_t got = 0;
    while (secondsSince(start) < 6.5) {
        got += sigint.readSome(300, 10).size();
        got += sigterm.readSome(300, 10).size();
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    sigint.signal(SIGINT);
    sigterm.signal(SIGTERM);
    for (Child* c : {&sigint, &sigterm}) {
        SCOPED_TRACE(c == &sigint ? "SIGINT" : "SIGTERM");
        RunResult r = c->finish(90);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.signal, 0);
        Interrupted seen;
        checkInterrupted(r.out, fileHeader(path, 2 * k), k, true, false, seen);
        EXPECT_GT(seen.implicants.size(), 100u);
    }
    EXPECT_GT(got, 10000u);  // the pipes were being read while the runs went on
}

// print_time: a whole report about every five seconds of wall-clock time while the run goes
// on, its counters growing, and the interrupted report after them.
TEST(DriverReports, ProgressEveryFiveSeconds) {
    const int k = 40;
    const std::string path = writeTempFile("driver_progress.cnf", pairsCnf(k));
    Clock::time_point start = Clock::now();
    Child c(primalBinary(), {"-print_time", path});
    std::string text;
    std::vector<double> arrivals;
    while (arrivals.size() < 2 && secondsSince(start) < 30) {
        text += c.readSome(4096, 200);
        size_t blocks = 0;
        for (size_t p = text.find("Total time:"); p != std::string::npos; p = text.find("Total time:", p + 1))
            if (text.find("\n\n", p) != std::string::npos) blocks++;
        while (arrivals.size() < blocks) arrivals.push_back(secondsSince(start));
    }
    ASSERT_EQ(arrivals.size(), 2u) << text;
    c.signal(SIGINT);
    RunResult r = c.finish(60);
    EXPECT_EQ(r.status, 1);
    EXPECT_GE(arrivals[0], 4.5);
    EXPECT_GE(arrivals[1] - arrivals[0], 3.0);  // re-armed for five seconds, not at once
    Interrupted seen;
    checkInterrupted(r.out, fileHeader(path, 2 * k), k, false, true, seen);
    ASSERT_EQ(seen.periodic.size(), 2u);
    const Report &a = seen.periodic[0], &b = seen.periodic[1];
    EXPECT_GT(a.implicants, 0u);
    EXPECT_GT(b.implicants, a.implicants);
    EXPECT_GE(seen.last.implicants, b.implicants);
    for (int t = 0; t < 4; t++) EXPECT_LE(a.times[t], b.times[t]);
    EXPECT_GT(b.times[3], 0.0);
}

// The address-space limit strikes while the enumeration's clauses and primes grow (reading
// needs about 20 MB of address space): the memory-out report, status 1, whole lines before it.
TEST(DriverLimits, MemoryLimitDuringEnumeration) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#endif
    const int k = 30;
    RunResult r = runPrimal({"-mem-lim=40", "-print_all"}, pairsCnf(k), 90);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.signal, 0);
    const std::string memout = "===============================================================================\n"
                               "INDETERMINATE _> MEMOUT OCCURRED\n";
    ASSERT_GE(r.out.size(), memout.size());
    ASSERT_EQ(r.out.substr(r.out.size() - memout.size()), memout) << r.out.substr(r.out.size() > 2000 ? r.out.size() - 2000 : 0);
    std::vector<std::string> lines = splitLines(r.out.substr(0, r.out.size() - memout.size()));
    std::vector<std::string> header = stdinHeader(2 * k);
    ASSERT_GT(lines.size(), header.size() + 1000);  // well into the enumeration
    for (size_t i = 0; i < header.size(); i++) ASSERT_EQ(lines[i], header[i]);
    std::set<std::vector<int>> seen;
    std::vector<int> lits;
    for (size_t i = header.size(); i < lines.size(); i++) {
        if (lines[i].compare(0, 16, "Prime Implicate:") == 0) continue;
        ASSERT_EQ(lines[i].compare(0, 16, "Prime Implicant:"), 0) << lines[i];
        ASSERT_TRUE(parseLits(lines[i].substr(16), lits) && lits.size() == size_t(k)) << lines[i];
        ASSERT_TRUE(seen.insert(lits).second) << lines[i];
    }
}

// A complete run with 24 597 primes: (pairs over 1..26) and (a1 b1 v a2 b2 v a3 b3) over
// 27..32, written as its 8 clauses. Implicants: one literal per pair times one {a_j, b_j};
// implicates: the 13 pairs and the 8 clauses. Status 0, counts equal to the lines.
TEST(DriverComplete, LargeEnumerationFinishes) {
    const int k = 13, n = 2 * k + 6;
    std::string cnf = "p cnf " + std::to_string(n) + " " + std::to_string(k + 8) + "\n";
    for (int i = 1; i <= k; i++) cnf += std::to_string(2 * i - 1) + " " + std::to_string(2 * i) + " 0\n";
    Primes expected_implicates;
    for (int i = 1; i <= k; i++) expected_implicates.push_back({2 * i - 1, 2 * i});
    for (int pick = 0; pick < 8; pick++) {
        std::vector<int> c;
        for (int j = 0; j < 3; j++) c.push_back(2 * k + 2 * j + 1 + ((pick >> j) & 1));
        for (int l : c) cnf += std::to_string(l) + " ";
        cnf += "0\n";
        expected_implicates.push_back(c);
    }
    std::sort(expected_implicates.begin(), expected_implicates.end());
    RunResult r = runPrimal({"-print_all"}, cnf, 300);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.err, "");  // the sanitizer build reports leaks here
    Primes implicants, implicates;
    parsePrimeLines(r.out, implicants, implicates);
    EXPECT_EQ(implicates, expected_implicates);
    ASSERT_EQ(implicants.size(), size_t(3) << k);
    EXPECT_EQ(std::adjacent_find(implicants.begin(), implicants.end()), implicants.end()) << "a repeated implicant";
    for (const std::vector<int>& p : implicants) {
        ASSERT_EQ(p.size(), size_t(k + 2));
        for (int j = 0; j < k; j++) ASSERT_TRUE(p[size_t(j)] == 2 * j + 1 || p[size_t(j)] == 2 * j + 2);
        ASSERT_TRUE(p[size_t(k)] > 2 * k && p[size_t(k)] % 2 == 1 && p[size_t(k) + 1] == p[size_t(k)] + 1);
    }
    EXPECT_EQ(finalCount(r.out, "Final Num Prime Implicant: "), implicants.size());
    EXPECT_EQ(finalCount(r.out, "Final Num Prime Implicate: "), implicates.size());
    EXPECT_NE(r.out.find("\nTotal time:                      "), std::string::npos);
}

}  // namespace
