#include "utils/Output.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace Sat {

namespace {

constexpr size_t kCap = size_t(1) << 20;
char buf[kCap];
std::atomic<size_t> flushed{0};    // bytes of buf already written
std::atomic<size_t> committed{0};  // end of the last complete line in buf
size_t fill = 0;                   // end of the buffered text (main flow only)
int line_mode = -1;                // 1 when stdout is a terminal; -1 until first use

void writeAll(const char* p, size_t n) {
    while (n > 0) {
        ssize_t r = ::write(1, p, n);
        if (r < 0) {
            if (errno == EINTR) continue;
            return;  // output is gone (closed pipe, full disk): nothing sensible to do
        }
        p += r;
        n -= size_t(r);
    }
}

// Blocks the report signals for the lifetime of the object.
class ReportSignalsBlocked {
    sigset_t old_;

public:
    ReportSignalsBlocked() {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGXCPU);
        sigaddset(&set, SIGALRM);
        sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~ReportSignalsBlocked() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
};

void flushAtExit() { outFlush(); }

void initOnce() {
    if (line_mode >= 0) return;
    line_mode = isatty(1) ? 1 : 0;
    std::atexit(flushAtExit);
}

// Writes the complete lines and moves the partial tail to the front. Signals blocked.
void drainCompleteLines() {
    size_t f = flushed.load(std::memory_order_relaxed);
    size_t c = committed.load(std::memory_order_relaxed);
    if (c > f) writeAll(buf + f, c - f);
    size_t tail = fill - c;
    if (tail > 0 && c > 0) std::memmove(buf, buf + c, tail);
    fill = tail;
    committed.store(0, std::memory_order_relaxed);
    flushed.store(0, std::memory_order_relaxed);
}

}  // namespace

void outWrite(const char* s, size_t n) {
    initOnce();
    if (fill + n > kCap) {
        ReportSignalsBlocked blocked;
        drainCompleteLines();
        if (fill + n > kCap) {
            // A line longer than the buffer: write it out whole while no report can interleave.
            writeAll(buf, fill);
            writeAll(s, n);
            fill = 0;
            return;
        }
    }
    std::memcpy(buf + fill, s, n);
    fill += n;
    const void* nl = n > 0 ? memrchr(s, '\n', n) : nullptr;
    if (nl != nullptr) {
        size_t end = fill - n + size_t(static_cast<const char*>(nl) - s) + 1;
        std::atomic_signal_fence(std::memory_order_release);
        committed.store(end, std::memory_order_release);
        if (line_mode == 1) outFlush();
    }
}

void outPrintf(const char* fmt, ...) {
    char small[1024];
    va_list ap;
    va_start(ap, fmt);
    int len = std::vsnprintf(small, sizeof small, fmt, ap);
    va_end(ap);
    if (len < 0) return;
    if (size_t(len) < sizeof small) {
        outWrite(small, size_t(len));
        return;
    }
    char* big = static_cast<char*>(std::malloc(size_t(len) + 1));
    if (big == nullptr) return;
    va_start(ap, fmt);
    std::vsnprintf(big, size_t(len) + 1, fmt, ap);
    va_end(ap);
    outWrite(big, size_t(len));
    std::free(big);
}

void outPuts(const char* s) {
    size_t n = std::strlen(s);
    if (n < 1023) {
        char line[1024];
        std::memcpy(line, s, n);
        line[n] = '\n';
        outWrite(line, n + 1);
    } else {
        outWrite(s, n);
        outWrite("\n", 1);
    }
}

void outFlush() {
    ReportSignalsBlocked blocked;
    size_t f = flushed.load(std::memory_order_relaxed);
    if (fill > f) writeAll(buf + f, fill - f);
    fill = 0;
    committed.store(0, std::memory_order_relaxed);
    flushed.store(0, std::memory_order_relaxed);
}

void outSignalFlush() {
    size_t f = flushed.load(std::memory_order_acquire);
    size_t c = committed.load(std::memory_order_acquire);
    std::atomic_signal_fence(std::memory_order_acquire);
    if (c > f) {
        writeAll(buf + f, c - f);
        flushed.store(c, std::memory_order_release);
    }
}

void outSignalWrite(const char* s, size_t n) { writeAll(s, n); }

char* fmtText(char* p, const char* s) {
    while (*s) *p++ = *s++;
    return p;
}

char* fmtUnsigned(char* p, unsigned long long v) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) *p++ = digits[--n];
    return p;
}

char* fmtFixed6(char* p, double v) {
    if (v != v) return fmtText(p, "nan");
    if (v < 0) {
        *p++ = '-';
        v = -v;
    }
    if (v >= 1e12) return fmtText(p, "inf");  // timers never get here; keeps the arithmetic exact
    unsigned long long scaled = (unsigned long long)(v * 1000000.0 + 0.5);
    p = fmtUnsigned(p, scaled / 1000000);
    *p++ = '.';
    unsigned long long frac = scaled % 1000000;
    for (unsigned long long d = 100000; d > 0; d /= 10) {
        *p++ = char('0' + (frac / d) % 10);
    }
    return p;
}

}  // namespace Sat
