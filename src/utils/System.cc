#include "utils/System.h"

#include <csignal>
#include <cstdint>
#include <sys/resource.h>
#include <sys/time.h>

#include "utils/Output.h"

namespace Sat {

double userCpuTime() {
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec) + double(ru.ru_utime.tv_usec) / 1000000.0;
}

// Linux reports the peak resident set size (ru_maxrss) in kilobytes; it is the closest measure
// of the process's peak heap use that the platform offers without allocator hooks.
double memUsed() {
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    uint64_t bytes = uint64_t(ru.ru_maxrss) * 1024u;
    return double(bytes) / 1048576.0;
}

double memUsedPeak(bool) { return memUsed(); }

void limitTime(unsigned int seconds) {
    if (seconds == 0) return;
    rlimit rl;
    getrlimit(RLIMIT_CPU, &rl);
    if (rl.rlim_max == RLIM_INFINITY || rlim_t(seconds) < rl.rlim_max) {
        rl.rlim_cur = seconds;
        if (setrlimit(RLIMIT_CPU, &rl) == -1) outPuts("WARNING! Could not set resource limit: CPU-time.");
    }
}

void limitMemory(unsigned long long megabytes) {
    if (megabytes == 0) return;
    rlim_t new_mem_lim = rlim_t(megabytes) << 20;
    rlimit rl;
    getrlimit(RLIMIT_AS, &rl);
    if (rl.rlim_max == RLIM_INFINITY || new_mem_lim < rl.rlim_max) {
        rl.rlim_cur = new_mem_lim;
        if (setrlimit(RLIMIT_AS, &rl) == -1) outPuts("WARNING! Could not set resource limit: Virtual memory.");
    }
}

void sigTerm(void handler(int)) {
    signal(SIGINT, handler);
    signal(SIGTERM, handler);
    signal(SIGXCPU, handler);
}

void setX86FPUPrecision() {}

}  // namespace Sat
