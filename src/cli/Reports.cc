#include "cli/Reports.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <string>
#include <unistd.h>

#include "cli/QueryOutputs.h"
#include "utils/Output.h"

using namespace Sat;

std::atomic<uint32_t> num_prime_implicant{0};
std::atomic<uint32_t> num_prime_implicate{0};
std::atomic<bool> print_time_interval{false};

namespace primal {

PhaseTimes run_times;
Side report_side = Side::Both;

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

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

void bump(std::atomic<uint32_t>& counter) { counter.store(counter.load(relaxed) + 1, relaxed); }

void SIGINT_exit(int sig) {
    // The files first: the report may wait a moment for standard output.
    finishQueryOutputs(sig == SIGXCPU ? RunEndKind::CpuLimit : RunEndKind::Interrupted);
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

}  // namespace

// Counts a prime and, when printing, writes its line in the same step, so that a report never
// counts a prime whose line it does not show.
void recordPrime(bool implicant, const std::vector<int>& prime, bool print) {
    std::atomic<uint32_t>& counter = implicant ? num_prime_implicant : num_prime_implicate;
    if (!print) {
        bump(counter);
        return;
    }
    static std::string line;
    line.assign(implicant ? "Prime Implicant:" : "Prime Implicate:");
    appendLits(line, prime);
    line.push_back('\n');
    outWriteCounted(line.data(), line.size(), counter);
}

char* formatReport(char* p) {
    double a = run_times.max_model.load(relaxed), b = run_times.check.load(relaxed), c = run_times.reduction.load(relaxed);
    if (report_side != Side::Implicates) {
        p = fmtText(p, "Num Prime Implicant: ");
        p = fmtUnsigned(p, num_prime_implicant.load(relaxed));
        p = fmtText(p, "\n");
    }
    if (report_side != Side::Implicants) {
        p = fmtText(p, "Num Prime Implicate: ");
        p = fmtUnsigned(p, num_prime_implicate.load(relaxed));
        p = fmtText(p, "\n");
    }
    p = fmtText(p, "Max Model time:                  ");
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

void printFinalReport() {
    uint32_t implicants = num_prime_implicant.load(relaxed), implicates = num_prime_implicate.load(relaxed);
    double a = run_times.max_model.load(relaxed), b = run_times.check.load(relaxed), c = run_times.reduction.load(relaxed);
    if (report_side != Side::Implicates) outPrintf("Final Num Prime Implicant: %u\n", implicants);
    if (report_side != Side::Implicants) outPrintf("Final Num Prime Implicate: %u\n", implicates);
    outPrintf("Max Model time:                  %f\n", a);
    outPrintf("Implicant/Implicate check time:  %f\n", b);
    outPrintf("Reduction time:                  %f\n", c);
    outPrintf("Total time:                      %f\n", (a + b) + c);
}

}  // namespace primal
