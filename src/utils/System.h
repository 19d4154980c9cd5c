// Process services: CPU time, peak memory, resource limits and termination-signal handlers.
// Stateless free functions.
#ifndef PRIMAL_UTILS_SYSTEM_H
#define PRIMAL_UTILS_SYSTEM_H

namespace Sat {

// User CPU time of the process in seconds (system time is not counted).
double userCpuTime();
// Peak memory of the process in megabytes (on Linux: the peak resident set size).
double memUsed();
double memUsedPeak(bool strictlyPeak = false);

// Soft CPU-time limit in seconds; 0 sets none. Exceeding it delivers SIGXCPU.
void limitTime(unsigned int seconds);
// Soft address-space limit in megabytes; 0 sets none. Exceeding it makes allocations fail.
void limitMemory(unsigned long long megabytes);

// Installs handler for SIGINT, SIGTERM and SIGXCPU.
void sigTerm(void handler(int));

void setX86FPUPrecision();

}  // namespace Sat

#endif
