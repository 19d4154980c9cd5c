#include "cli/Reports.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <unistd.h>

#include "utils/Output.h"

using namespace Sat;

std::atomic<uint32_t> num_prime_implicant{0};
std::atomic<uint32_t> num_prime_implicate{0};
std::atomic<bool> print_time_interval{false};

namespace primal {

Timers run_times;
Query::Side report_side = Query::Side::Both;

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

void bump(std::atomic<uint32_t>& counter) { counter.store(counter.load(relaxed) + 1, relaxed); }

constexpr char kImplicantLine[] = "Prime Implicant:";
constexpr char kImplicateLine[] = "Prime Implicate:";
constexpr size_t kLinePrefix = sizeof kImplicantLine - 1;
static_assert(sizeof kImplicateLine - 1 == kLinePrefix, "both prefixes have the same length");

// The running report, minus the prime lines that were not written.
char* formatReportWithout(char* p, uint32_t implicants_dropped, uint32_t implicates_dropped) {
    if (report_side != Query::Side::Implicates) {
        p = fmtText(p, "Num Prime Implicant: ");
        p = fmtUnsigned(p, num_prime_implicant.load(relaxed) - implicants_dropped);
        p = fmtText(p, "\n");
    }
    if (report_side != Query::Side::Implicants) {
        p = fmtText(p, "Num Prime Implicate: ");
        p = fmtUnsigned(p, num_prime_implicate.load(relaxed) - implicates_dropped);
        p = fmtText(p, "\n");
    }
    static const char* const labels[4] = {"Max Model time:                  ", "\nImplicant/Implicate check time:  ",
                                          "\nReduction time:                  ", "\nTotal time:                      "};
    return fmtText(formatTimers(p, labels), "\n\n");
}

// The interrupted report; `dropped` are whole lines that could not be written, so the prime
// lines among them are not counted.
char* formatInterrupted(char* p, const char* dropped, size_t n) {
    uint32_t implicants = 0, implicates = 0;
    for (size_t at = 0; at + kLinePrefix <= n;) {
        if (std::memcmp(dropped + at, kImplicantLine, kLinePrefix) == 0) implicants++;
        if (std::memcmp(dropped + at, kImplicateLine, kLinePrefix) == 0) implicates++;
        const void* nl = std::memchr(dropped + at, '\n', n - at);
        if (nl == nullptr) break;
        at = size_t(static_cast<const char*>(nl) - dropped) + 1;
    }
    p = fmtText(p, "\n*** INTERRUPTED ***\n");
    return formatReportWithout(p, implicants, implicates);
}

void (*before_interrupted_report)(int sig) = nullptr;

void SIGINT_exit(int sig) {
    // The caller's work first (the output files): the report may wait a moment for standard output.
    if (before_interrupted_report != nullptr) before_interrupted_report(sig);
    outSignalFinalReport(formatInterrupted);
    _exit(1);
}

void SIG_alarm_handler(int) {
    if (!print_time_interval.load(relaxed)) return;
    int saved_errno = errno;
    outSignalReport(formatReport);
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

}  // namespace

// Counts a prime and, when printing, writes its line in the same step, so that a report never
// counts a prime whose line it does not show.
void recordPrime(bool implicant, const std::vector<int>& prime, bool print) {
    std::atomic<uint32_t>& counter = implicant ? num_prime_implicant : num_prime_implicate;
    if (!print) {
        bump(counter);
        return;
    }
    // Grown once to the longest line: " -2147483648" is 12 bytes per literal.
    static std::vector<char> line;
    line.resize(std::max(line.size(), kLinePrefix + 12 * prime.size() + 1));
    char* p = line.data();
    std::memcpy(p, implicant ? kImplicantLine : kImplicateLine, kLinePrefix);
    p += kLinePrefix;
    for (int l : prime) {
        *p++ = ' ';
        p = std::to_chars(p, p + 11, l).ptr;
    }
    *p++ = '\n';
    outWriteCounted(line.data(), size_t(p - line.data()), counter);
}

char* formatReport(char* p) { return formatReportWithout(p, 0, 0); }

char* formatTimers(char* p, const char* const (&labels)[4]) {
    const double a = run_times.max_model.load(relaxed), b = run_times.check.load(relaxed),
                 c = run_times.reduction.load(relaxed);
    const double values[4] = {a, b, c, (a + b) + c};
    for (int i = 0; i < 4; i++) p = fmtFixed6(fmtText(p, labels[i]), values[i]);
    return p;
}

void installReportHandlers(void (*before_report)(int sig)) {
    before_interrupted_report = before_report;
    for (int s : {SIGINT, SIGTERM, SIGXCPU}) installHandler(s, SIGINT_exit);
    installHandler(SIGALRM, SIG_alarm_handler);
    alarm(5);
}

void printFinalReport() {
    uint32_t implicants = num_prime_implicant.load(relaxed), implicates = num_prime_implicate.load(relaxed);
    double a = run_times.max_model.load(relaxed), b = run_times.check.load(relaxed), c = run_times.reduction.load(relaxed);
    if (report_side != Query::Side::Implicates) outPrintf("Final Num Prime Implicant: %u\n", implicants);
    if (report_side != Query::Side::Implicants) outPrintf("Final Num Prime Implicate: %u\n", implicates);
    outPrintf("Max Model time:                  %f\n", a);
    outPrintf("Implicant/Implicate check time:  %f\n", b);
    outPrintf("Reduction time:                  %f\n", c);
    outPrintf("Total time:                      %f\n", (a + b) + c);
}

}  // namespace primal
