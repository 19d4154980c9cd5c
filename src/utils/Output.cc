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
#include <sys/socket.h>
#include <sys/stat.h>
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

// A counted line between becoming visible and being counted. The main flow fills these in, sets
// `pending`, stores the new end and count, then clears it: a handler that finds it set completes
// the same stores itself (settle), so it always sees a line and its count together, and the
// main flow goes on to store the same values again. No system call per line.
std::atomic<std::atomic<uint32_t>*> pend_counter{nullptr};
std::atomic<uint32_t> pend_value{0};
std::atomic<size_t> pend_end{0};
std::atomic<bool> pending{false};

// The signal of the streaming timer (outStartStreaming): its handler writes the complete lines
// that the pipe takes at once, so that lines found during a long search do not wait for the
// buffer to fill. Like the report signals it is blocked while anyone writes standard output.
constexpr int kFlushSignal = SIGURG;
constexpr long kFlushPeriodNs = 50L * 1000 * 1000;
bool out_is_socket = false;

// The progress report while the alarm handler writes it, so that an interruption arriving
// meanwhile can finish it before its own report.
char side[1024];
std::atomic<size_t> side_len{0};
std::atomic<size_t> side_done{0};

// No write is longer: a pipe takes such a write whole or not at all.
constexpr size_t kChunk = PIPE_BUF;
// The last report: a reader that takes nothing for kStallNs has stalled. Otherwise the buffered
// lines are written for up to kLinesNs after the signal, what is left is dropped (and not
// counted), and the report itself may wait up to kReportNs after the signal.
constexpr long long kStallNs = 300LL * 1000 * 1000;
constexpr long long kLinesNs = 400LL * 1000 * 1000;
constexpr long long kReportNs = 700LL * 1000 * 1000;

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

// The last report's writer: the descriptor is non-blocking here. Writes base[from, end) until
// done, the deadline, or kStallNs without taking a byte; `from` tells how far it got. True when
// everything was written; `stalled` is set when the reader stopped taking.
bool writeBounded(const char* base, size_t& from, size_t end, long long deadline, bool& stalled) {
    long long progress = monotonicNs();
    while (from < end) {
        ssize_t w = ::write(1, base + from, chunkLength(base + from, end - from));
        if (w > 0) {
            from += size_t(w);
            progress = monotonicNs();
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        const long long now = monotonicNs();
        if (now - progress >= kStallNs) stalled = true;
        const long long until = std::min(deadline, progress + kStallNs);
        if (now >= until) return false;
        pollfd p{1, POLLOUT, 0};
        poll(&p, 1, int((until - now) / 1000000) + 1);
    }
    return true;
}

// Completes a counted line that the main flow was publishing when the handler came.
void settle() {
    if (!pending.load(std::memory_order_relaxed)) return;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    committed.store(pend_end.load(std::memory_order_relaxed), release);
    pend_counter.load(std::memory_order_relaxed)->store(pend_value.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

void blockFlushSignal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, kFlushSignal);
    sigprocmask(SIG_BLOCK, &set, nullptr);
}

// The streaming timer's handler. It runs only where no write of standard output is in progress
// (the signal is blocked around every write), and never waits: it writes whole chunks while the
// descriptor is ready and leaves the rest, and any error, to the main flow's next write.
void flushTick(int) {
    const int saved_errno = errno;
    const size_t c = committed.load(acquire);
    for (size_t d = flushed.load(acquire); d < c;) {
        pollfd p{1, POLLOUT, 0};
        if (poll(&p, 1, 0) <= 0 || (p.revents & POLLOUT) == 0) break;
        const size_t len = chunkLength(buf + d, c - d);
        // A socket may take less than a chunk when it polls writable: it must not block here.
        ssize_t w = out_is_socket ? ::send(1, buf + d, len, MSG_DONTWAIT | MSG_NOSIGNAL) : ::write(1, buf + d, len);
        if (w <= 0) break;
        d += size_t(w);
        flushed.store(d, release);
    }
    errno = saved_errno;
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
    if (counter != nullptr) {
        // The line visible and counted in one step as far as a handler can tell (see settle).
        const uint32_t v = counter->load(std::memory_order_relaxed) + 1;
        pend_counter.store(counter, std::memory_order_relaxed);
        pend_value.store(v, std::memory_order_relaxed);
        pend_end.store(fill, std::memory_order_relaxed);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        pending.store(true, std::memory_order_relaxed);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        committed.store(fill, release);
        counter->store(v, std::memory_order_relaxed);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        pending.store(false, std::memory_order_relaxed);
    } else {
        const void* nl = n > 0 ? memrchr(s, '\n', n) : nullptr;
        if (nl == nullptr) return;
        std::atomic_signal_fence(std::memory_order_release);
        committed.store(fill - n + size_t(static_cast<const char*>(nl) - s) + 1, release);
    }
    if (line_mode == 1) outFlush();
}

}  // namespace

ReportSignalsBlocked::ReportSignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGTERM, SIGXCPU, SIGALRM, kFlushSignal}) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &old_);
}

ReportSignalsBlocked::~ReportSignalsBlocked() { sigprocmask(SIG_SETMASK, &old_, nullptr); }

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

void outStartStreaming() {
    initOnce();
    if (line_mode == 1) return;  // a terminal gets every line at once anyway
    struct stat st;
    out_is_socket = fstat(1, &st) == 0 && S_ISSOCK(st.st_mode);
    struct sigaction sa;
    sa.sa_handler = flushTick;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGXCPU, SIGALRM}) sigaddset(&sa.sa_mask, s);
    sa.sa_flags = SA_RESTART;
    if (sigaction(kFlushSignal, &sa, nullptr) != 0) return;
    sigevent ev{};
    ev.sigev_notify = SIGEV_SIGNAL;
    ev.sigev_signo = kFlushSignal;
    timer_t timer;
    if (timer_create(CLOCK_MONOTONIC, &ev, &timer) != 0) return;
    const itimerspec every{{0, kFlushPeriodNs}, {0, kFlushPeriodNs}};
    timer_settime(timer, 0, &every, nullptr);
}

void outSignalReport(char* (*format)(char* p)) {
    blockFlushSignal();
    settle();
    sigset_t wait;
    sigprocmask(SIG_SETMASK, nullptr, &wait);
    for (int sig : {SIGINT, SIGTERM, SIGXCPU}) sigdelset(&wait, sig);
    writeInterruptibly(buf, flushed, committed.load(acquire), wait);
    // The text goes straight into `side`, so that an interruption while it waits can finish it.
    const size_t n = size_t(format(side) - side);
    side_done.store(0, release);
    side_len.store(n, release);
    writeInterruptibly(side, side_done, n, wait);
    side_len.store(0, release);
    side_done.store(0, release);
}

void outSignalFinalReport(char* (*format)(char* p, const char* dropped, size_t n)) {
    blockFlushSignal();
    settle();
    const long long start = monotonicNs();
    // Non-blocking for these few writes, so that a full pipe cannot hold the process; the
    // descriptor may be shared (a terminal), so its flags are put back before the end.
    const int flags = fcntl(1, F_GETFL);
    const bool set_nonblock = flags >= 0 && (flags & O_NONBLOCK) == 0;
    if (set_nonblock) fcntl(1, F_SETFL, flags | O_NONBLOCK);
    bool stalled = false;
    size_t s_from = side_done.load(acquire), from = flushed.load(acquire);
    const size_t end = committed.load(acquire);
    // A progress report cut short is finished first, then the lines while time allows; what is
    // left from a line boundary on is dropped, and the report counts without it.
    bool whole = writeBounded(side, s_from, side_len.load(acquire), start + kReportNs, stalled);
    if (whole && !writeBounded(buf, from, end, start + kLinesNs, stalled) && from > 0 && buf[from - 1] != '\n') {
        // Stopped inside a line (a partial write): finish it, or end without the report.
        const void* nl = std::memchr(buf + from, '\n', end - from);
        const size_t line_end = nl != nullptr ? size_t(static_cast<const char*>(nl) - buf) + 1 : end;
        whole = !stalled && writeBounded(buf, from, line_end, start + kReportNs, stalled);
    }
    if (whole) {
        char text[1024];
        const size_t n = size_t(format(text, buf + from, end - from) - text);
        size_t done = 0;
        // After a stall the report gets one try: the reader is not taking anything.
        writeBounded(text, done, n, stalled ? start : start + kReportNs, stalled);
    }
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
