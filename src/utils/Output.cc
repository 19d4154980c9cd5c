#include "utils/Output.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "containers/XAlloc.h"

namespace Sat {

namespace {

constexpr auto acquire = std::memory_order_acquire;
constexpr auto release = std::memory_order_release;

constexpr size_t kCap = size_t(1) << 20;
char initial_buf[kCap];
char* buf = initial_buf;           // replaced, with the report signals blocked, when a line outgrows it
size_t cap = kCap;
std::atomic<size_t> flushed{0};    // bytes of buf already written
std::atomic<size_t> committed{0};  // end of the last complete line in buf
size_t fill = 0;                   // end of the buffered text (main flow only)
int line_mode = -1;                // 1 when stdout is a terminal; -1 until first use

// The progress report while the alarm handler writes it, so that an interruption arriving
// meanwhile can finish it before its own report.
char side[1024];
std::atomic<size_t> side_len{0};
std::atomic<size_t> side_done{0};

// No write is longer: a pipe takes such a write whole or not at all.
constexpr size_t kChunk = PIPE_BUF;
// How long the last report may wait for a stalled reader before the process ends without it.
constexpr long long kFinalWaitNs = 300LL * 1000 * 1000;

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
    const sigset_t& old() const { return old_; }
};

// Async-signal-safe text for the errors a write of standard output can meet.
const char* errorText(int e) {
    switch (e) {
        case ENOSPC: return "No space left on device";
        case EIO: return "Input/output error";
        case EBADF: return "Bad file descriptor";
        case EFBIG: return "File too large";
        case EDQUOT: return "Disk quota exceeded";
        case EINVAL: return "Invalid argument";
        case EPERM: return "Operation not permitted";
        case EACCES: return "Permission denied";
        case ECONNRESET: return "Connection reset by peer";
        case ENXIO: return "No such device or address";
        default: return nullptr;
    }
}

void (*failure_hook)() = nullptr;

[[noreturn]] void outputFailed(int e) {
    if (e != EPIPE) {  // the reader has gone: nobody is left to tell
        char msg[160];
        char* p = fmtText(msg, "ERROR! Could not write standard output: ");
        const char* text = errorText(e);
        if (text != nullptr) {
            p = fmtText(p, text);
        } else {
            p = fmtText(p, "error ");
            p = fmtUnsigned(p, unsigned(e));
        }
        *p++ = '\n';
        ssize_t ignored = ::write(2, msg, size_t(p - msg));
        (void)ignored;
    }
    if (failure_hook != nullptr) failure_hook();
    _exit(1);
}

// Length of the next write from p[0, n): at most kChunk bytes, ending after a newline when one
// is in reach, so that a write that is the last one still ends a line.
size_t chunkLength(const char* p, size_t n) {
    if (n <= kChunk) return n;
    for (size_t k = kChunk; k > 0; k--)
        if (p[k - 1] == '\n') return k;
    return kChunk;
}

// Writes base[done, end), advancing done after every write. The caller has the report signals
// blocked; `wait` is the mask used while waiting for the descriptor, the only place where a
// handler can run. There done is exact and no write is in progress, so the handler goes on
// from the same byte: nothing is lost, written twice or torn.
void writeInterruptibly(const char* base, std::atomic<size_t>& done, size_t end, const sigset_t& wait) {
    for (;;) {
        size_t d = done.load(acquire);
        if (d >= end) return;
        pollfd p{1, POLLOUT, 0};
        if (ppoll(&p, 1, nullptr, &wait) < 0 && errno == EINTR) continue;  // a handler ran
        d = done.load(acquire);
        if (d >= end) return;
        ssize_t w = ::write(1, base + d, chunkLength(base + d, end - d));
        if (w < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            outputFailed(errno);
        }
        done.store(d + size_t(w), release);
    }
}

long long monotonicNs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

// The last report's writer: the descriptor is non-blocking here. False when the text could not
// all be written by the deadline, or not at all.
bool writeBounded(const char* base, size_t from, size_t end, long long deadline) {
    while (from < end) {
        ssize_t w = ::write(1, base + from, chunkLength(base + from, end - from));
        if (w > 0) {
            from += size_t(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        long long left = deadline - monotonicNs();
        if (left <= 0) return false;
        pollfd p{1, POLLOUT, 0};
        poll(&p, 1, int(left / 1000000) + 1);
    }
    return true;
}

void flushAtExit() { outFlush(); }

void initOnce() {
    if (line_mode >= 0) return;
    line_mode = isatty(1) ? 1 : 0;
    std::atexit(flushAtExit);
}

// Makes room for n more bytes: writes the complete lines, moves the partial tail to the front,
// and grows the buffer when the tail and n still do not fit. Nothing of the text about to be
// added is visible yet, so a report in the middle of this shows exactly what was added before.
void makeRoom(size_t n) {
    ReportSignalsBlocked blocked;
    writeInterruptibly(buf, flushed, committed.load(acquire), blocked.old());
    size_t c = committed.load(acquire);
    size_t tail = fill - c;
    if (tail > 0 && c > 0) std::memmove(buf, buf + c, tail);
    fill = tail;
    committed.store(0, release);
    flushed.store(0, release);
    if (fill + n <= cap) return;
    size_t grown = std::max(2 * cap, fill + n);
    char* bigger = static_cast<char*>(std::malloc(grown));
    if (bigger == nullptr) throw OutOfMemoryException();
    std::memcpy(bigger, buf, fill);
    if (buf != initial_buf) std::free(buf);
    buf = bigger;
    cap = grown;
}

void append(const char* s, size_t n, std::atomic<uint32_t>* counter) {
    initOnce();
    if (fill + n > cap) makeRoom(n);
    std::memcpy(buf + fill, s, n);
    fill += n;
    const void* nl = n > 0 ? memrchr(s, '\n', n) : nullptr;
    size_t end = nl != nullptr ? fill - n + size_t(static_cast<const char*>(nl) - s) + 1 : fill;
    if (counter != nullptr) {
        // The one step that a report cannot split: the line visible and counted together.
        ReportSignalsBlocked blocked;
        committed.store(end, release);
        counter->store(counter->load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    } else if (nl != nullptr) {
        std::atomic_signal_fence(std::memory_order_release);
        committed.store(end, release);
    } else {
        return;
    }
    if (line_mode == 1) outFlush();
}

}  // namespace

void outWrite(const char* s, size_t n) { append(s, n, nullptr); }

void outWriteCounted(const char* s, size_t n, std::atomic<uint32_t>& counter) { append(s, n, &counter); }

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

void setOutputFailureHook(void (*hook)()) { failure_hook = hook; }

void outFlush() {
    ReportSignalsBlocked blocked;
    // The text after the last newline goes out too (at exit, or before a message on standard
    // error). From here on a handler counts it as a line, so it would finish it, not tear it.
    committed.store(fill, release);
    writeInterruptibly(buf, flushed, fill, blocked.old());
    fill = 0;
    committed.store(0, release);
    flushed.store(0, release);
}

void outSignalReport(const char* s, size_t n) {
    sigset_t wait;
    sigprocmask(SIG_SETMASK, nullptr, &wait);
    for (int sig : {SIGINT, SIGTERM, SIGXCPU}) sigdelset(&wait, sig);
    writeInterruptibly(buf, flushed, committed.load(acquire), wait);
    if (n > sizeof side) n = sizeof side;
    for (size_t i = 0; i < n; i++) side[i] = s[i];
    side_done.store(0, release);
    side_len.store(n, release);
    writeInterruptibly(side, side_done, n, wait);
    side_len.store(0, release);
    side_done.store(0, release);
}

void outSignalFinalReport(const char* s, size_t n) {
    const long long deadline = monotonicNs() + kFinalWaitNs;
    // Non-blocking for these few writes, so that a full pipe cannot hold the process; the
    // descriptor may be shared (a terminal), so its flags are put back before the end.
    const int flags = fcntl(1, F_GETFL);
    const bool set_nonblock = flags >= 0 && (flags & O_NONBLOCK) == 0;
    if (set_nonblock) fcntl(1, F_SETFL, flags | O_NONBLOCK);
    (void)(writeBounded(side, side_done.load(acquire), side_len.load(acquire), deadline) &&
           writeBounded(buf, flushed.load(acquire), committed.load(acquire), deadline) && writeBounded(s, 0, n, deadline));
    if (set_nonblock) fcntl(1, F_SETFL, flags);
}

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
