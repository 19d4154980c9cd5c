// Process services. Limits and signal handlers change only in a forked child, which reports the
// first failed check through its exit status.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "utils/System.h"

namespace {

bool limitIs(int res, rlim_t soft, rlim_t hard) {
    rlimit rl;
    return getrlimit(res, &rl) == 0 && rl.rlim_cur == soft && rl.rlim_max == hard;
}

int limitsAndSignals() {
    const rlimit cpu = {50, 100}, mem = {rlim_t(32) << 20, rlim_t(64) << 20};
    if (setrlimit(RLIMIT_CPU, &cpu) != 0 || setrlimit(RLIMIT_AS, &mem) != 0) return 1;
    Sat::limitTime(0), Sat::limitTime(100), Sat::limitTime(200);
    if (!limitIs(RLIMIT_CPU, 50, 100)) return 2;  // 0, or at or above the hard limit: no change
    Sat::limitTime(99);
    if (!limitIs(RLIMIT_CPU, 99, 100)) return 3;
    Sat::limitMemory(0), Sat::limitMemory(64), Sat::limitMemory(1000);
    if (!limitIs(RLIMIT_AS, mem.rlim_cur, mem.rlim_max)) return 4;
    Sat::limitMemory(1);
    if (!limitIs(RLIMIT_AS, 1048576, mem.rlim_max)) return 5;
    static volatile sig_atomic_t got = 0;
    Sat::sigTerm([](int sig) { got = got * 100 + sig; });
    raise(SIGINT), raise(SIGTERM), raise(SIGXCPU);
    return got == (SIGINT * 100 + SIGTERM) * 100 + SIGXCPU ? 0 : 6;
}

TEST(System, LimitsAndSignalHandlers) {
    fflush(nullptr);
    int st = -1;
    if (pid_t pid = fork(); pid == 0) _exit(limitsAndSignals()); else waitpid(pid, &st, 0);
    EXPECT_EQ(WIFEXITED(st) ? WEXITSTATUS(st) : -1, 0);  // else the number of the failed check
}

TEST(System, CpuTimeIsUserTimeOnlyAndMemoryInMegabytes) {
    int fd = open("/dev/null", O_WRONLY);  // system time first: counting it would leave the bracket
    rusage r1, r2;
    // System time is sampled by the kernel; write until some has been charged (bounded).
    for (int i = 0; i < 2000000; i++) {
        ASSERT_EQ(write(fd, "x", 1), 1);
        if (i % 20000 == 19999 && (getrusage(RUSAGE_SELF, &r1), r1.ru_stime.tv_sec > 0 || r1.ru_stime.tv_usec > 0)) break;
    }
    close(fd);
    getrusage(RUSAGE_SELF, &r1);
    double t = Sat::userCpuTime(), m = Sat::memUsed();
    getrusage(RUSAGE_SELF, &r2);
    auto secs = [](const timeval& tv) { return double(tv.tv_sec) + double(tv.tv_usec) / 1e6; };
    EXPECT_GT(secs(r2.ru_stime), 0.0);
    EXPECT_TRUE(secs(r1.ru_utime) <= t && t <= secs(r2.ru_utime)) << t;
    EXPECT_TRUE(r1.ru_maxrss <= m * 1024 && m * 1024 <= r2.ru_maxrss) << m;  // peak RSS, kB to MB
    // The same reading as memUsed. The peak may grow between two calls (the sanitizer's own
    // allocations), so they are compared back to back, again if the peak moved in between.
    double a = 0, b = 1;
    for (int tries = 0; tries < 10 && a != b; tries++) a = Sat::memUsed(), b = Sat::memUsedPeak(true);
    EXPECT_EQ(a, b);
}

}  // namespace
