#include "cli/QueryOutputs.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "cli/Reports.h"
#include "utils/Output.h"

using namespace Sat;

namespace primal {

QueryOutputs query_outputs;

namespace {

constexpr size_t kBuffer = size_t(1) << 20;
// "p cnf " + variables + " " + count + "\n", each number left-aligned in its field and padded
// with spaces, which a DIMACS reader takes as blanks.
constexpr size_t kVarsField = 10, kCountField = 20;
constexpr size_t kHeader = 6 + kVarsField + 1 + kCountField + 1;

bool writeAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= size_t(w);
    }
    return true;
}

bool pwriteAll(int fd, const char* p, size_t n, off_t at) {
    while (n > 0) {
        ssize_t w = ::pwrite(fd, p, n, at);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= size_t(w);
        at += w;
    }
    return true;
}

char* padTo(char* start, char* p, size_t width) {
    while (size_t(p - start) < width) *p++ = ' ';
    return p;
}

char* fmtLit(char* p, int l) {
    if (l < 0) *p++ = '-';
    return fmtUnsigned(p, l < 0 ? 0u - unsigned(l) : unsigned(l));
}

[[noreturn]] void writeFailed(const std::string& path, int e) {
    outFlush();
    std::fprintf(stderr, "ERROR! Could not write file: %s: %s\n", path.c_str(), std::strerror(e));
    std::exit(1);
}

bool registered = false;
void finishAtExit() { finishQueryOutputs(RunEndKind(query_outputs.end.load())); }
void registerAtExit() {
    if (!registered) std::atexit(finishAtExit);
    registered = true;
}

}  // namespace

DimacsFile::~DimacsFile() { std::free(buf_); }

bool DimacsFile::open(const std::string& path, bool cnf) {
    path_ = path;
    cnf_ = cnf;
    buf_ = static_cast<char*>(std::malloc(kBuffer));
    if (buf_ == nullptr) {
        errno = ENOMEM;
        return false;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) return false;
    // The lines follow the header, which is rewritten in place (pwrite leaves the offset).
    if (!writeHeader() || ::lseek(fd_, off_t(kHeader), SEEK_SET) < 0) return false;
    registerAtExit();
    return true;
}

bool DimacsFile::writeHeader() {
    char h[kHeader + 8];
    char* p = fmtText(h, cnf_ ? "p cnf " : "p dnf ");
    char* field = p;
    p = padTo(field, fmtUnsigned(field, unsigned(vars_)), kVarsField);
    *p++ = ' ';
    field = p;
    p = padTo(field, fmtUnsigned(field, lines_on_disk_), kCountField);
    *p++ = '\n';
    return pwriteAll(fd_, h, size_t(p - h), 0);
}

void DimacsFile::add(const std::vector<int>& lits) {
    // A literal takes at most 12 bytes; a line that does not fit the buffer goes out alone.
    const size_t need = 12 * lits.size() + 2;
    size_t len = len_.load(std::memory_order_relaxed);
    if (len + need > kBuffer) {
        flush();
        len = 0;
    }
    if (need > kBuffer) {
        std::string line;
        char num[16];
        for (int l : lits) line.append(num, size_t(fmtLit(num, l) - num)).push_back(' ');
        line += "0\n";
        ReportSignalsBlocked blocked;
        if (!writeAll(fd_, line.data(), line.size())) writeFailed(path_, errno);
        lines_on_disk_++;
        return;
    }
    char* p = buf_ + len;
    for (int l : lits) {
        p = fmtLit(p, l);
        *p++ = ' ';
    }
    *p++ = '0';
    *p++ = '\n';
    // The line's bytes are in place before a handler can see the new length.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    len_.store(size_t(p - buf_), std::memory_order_relaxed);
}

bool DimacsFile::writeBuffered() {
    const size_t len = len_.load(std::memory_order_relaxed);
    if (!writeAll(fd_, buf_, len)) return false;
    for (size_t i = 0; i < len; i++) lines_on_disk_ += buf_[i] == '\n';
    len_.store(0, std::memory_order_relaxed);
    return true;
}

void DimacsFile::flush() {
    ReportSignalsBlocked blocked;
    if (!writeBuffered()) writeFailed(path_, errno);
}

bool DimacsFile::finish() { return fd_ < 0 || (writeBuffered() && writeHeader()); }

bool openStats(const std::string& path) {
    query_outputs.stats_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    // A placeholder until the end: shows at once that the file takes bytes.
    if (query_outputs.stats_fd < 0 || !pwriteAll(query_outputs.stats_fd, "{}\n", 3, 0)) return false;
    registerAtExit();
    return true;
}

bool finishQueryOutputs(RunEndKind end) {
    static std::atomic<bool> done{false};
    if (done.exchange(true)) return true;
    bool ok = query_outputs.implicates.finish();
    ok = query_outputs.implicants.finish() && ok;
    const int fd = query_outputs.stats_fd;
    if (fd < 0) return ok;

    static const char* const names[] = {"error", "complete", "limit", "interrupted", "cpu-limit", "memout"};
    constexpr auto relaxed = std::memory_order_relaxed;
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    const double cpu = double(ru.ru_utime.tv_sec) + double(ru.ru_utime.tv_usec) / 1e6;
    // Fixed-size text plus the options, which were measured at start-up.
    char buf[1024];
    char* p = fmtText(buf, "{\"implicants\": ");
    auto count = [](const DimacsFile& file, const std::atomic<uint32_t>& counter) {
        return file.isOpen() ? file.lines() : uint64_t(counter.load(relaxed));
    };
    p = report_side == Query::Side::Implicates ? fmtText(p, "null")
                                        : fmtUnsigned(p, count(query_outputs.implicants, num_prime_implicant));
    p = fmtText(p, ", \"implicates\": ");
    p = report_side == Query::Side::Implicants ? fmtText(p, "null")
                                        : fmtUnsigned(p, count(query_outputs.implicates, num_prime_implicate));
    static const char* const timers[4] = {", \"max_model_time\": ", ", \"check_time\": ", ", \"reduction_time\": ",
                                          ", \"total_time\": "};
    p = formatTimers(p, timers);
    p = fmtText(p, ", \"cpu_time\": ");
    p = fmtFixed6(p, cpu);
    p = fmtText(p, ", \"peak_memory_mb\": ");
    p = fmtFixed6(p, double(ru.ru_maxrss) / 1024.0);
    p = fmtText(p, ", \"end\": \"");
    p = fmtText(p, names[int(end)]);
    p = fmtText(p, "\", \"options\": ");
    const std::string& opts = query_outputs.stats_options;
    return pwriteAll(fd, buf, size_t(p - buf), 0) && pwriteAll(fd, opts.data(), opts.size(), off_t(p - buf)) &&
           pwriteAll(fd, "}\n", 2, off_t(size_t(p - buf) + opts.size())) && ok;
}

}  // namespace primal
