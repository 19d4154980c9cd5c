#include "support/Process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include "utils/Output.h"

namespace testutil {

std::string primalBinary() { return PRIMAL_BINARY; }

Child::Child(const std::string& binary, const std::vector<std::string>& args, bool close_stdin) {
    std::signal(SIGPIPE, SIG_IGN);
    int pin[2], pout[2], perr[2];
    if (pipe(pin) != 0 || pipe(pout) != 0 || pipe(perr) != 0) std::abort();
    pid_ = fork();
    if (pid_ == 0) {
        close_stdin ? close(0) : dup2(pin[0], 0);
        dup2(pout[1], 1), dup2(perr[1], 2);
        for (int fd : {pin[0], pin[1], pout[0], pout[1], perr[0], perr[1]}) close(fd);
        std::vector<char*> argv{const_cast<char*>(binary.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    close(pin[0]), close(pout[1]), close(perr[1]);
    in_ = pin[1], out_ = pout[0], err_ = perr[0];
    if (close_stdin) closeInput();
}

Child::~Child() {
    if (pid_ > 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
    for (int fd : {in_, out_, err_})
        if (fd >= 0) close(fd);
}

void Child::write(const std::string& data) {
    for (size_t off = 0; off < data.size();) {
        ssize_t r = ::write(in_, data.data() + off, data.size() - off);
        if (r < 0 && errno != EINTR) return;  // the child has gone
        off += size_t(std::max<ssize_t>(r, 0));
    }
}

void Child::closeInput() {
    if (in_ >= 0) close(in_), in_ = -1;
}

void Child::signal(int sig) { kill(pid_, sig); }

std::string Child::readSome(size_t bytes, int timeout_ms) {
    std::string got;
    char buf[4096];
    for (pollfd p{out_, POLLIN, 0}; got.size() < bytes && poll(&p, 1, timeout_ms) > 0;) {
        ssize_t r = read(out_, buf, std::min(sizeof buf, bytes - got.size()));
        if (r <= 0) break;
        got.append(buf, size_t(r));
    }
    out_buf_ += got;
    return got;
}

RunResult Child::finish(int timeout_s) {
    using Clock = std::chrono::steady_clock;
    RunResult r;
    r.out = out_buf_;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeout_s);
    int fds[2] = {out_, err_};  // -1 once at end of file
    std::string* into[2] = {&r.out, &r.err};
    while (fds[0] >= 0 || fds[1] >= 0) {
        long long left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            r.timed_out = true;
            kill(pid_, SIGKILL);
            break;
        }
        pollfd ps[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};  // poll skips negative descriptors
        if (poll(ps, 2, int(left) + 1) < 0 && errno != EINTR) break;
        char buf[65536];
        for (int i = 0; i < 2; i++) {
            if (!(ps[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = read(fds[i], buf, sizeof buf);
            if (n > 0)
                into[i]->append(buf, size_t(n));
            else
                fds[i] = -1;
        }
    }
    int st = 0;
    waitpid(pid_, &st, 0);
    pid_ = -1;
    if (WIFEXITED(st)) r.status = WEXITSTATUS(st);
    if (WIFSIGNALED(st)) r.signal = WTERMSIG(st);
    return r;
}

RunResult runPrimal(const std::vector<std::string>& args, const std::string& input, int timeout_s) {
    Child c(primalBinary(), args);
    c.write(input);
    c.closeInput();
    return c.finish(timeout_s);
}

std::string primesAndCounts(const std::string& out) {
    std::string s, l;
    for (std::istringstream in(out); std::getline(in, l);)
        if (l.rfind("Prime ", 0) == 0 || l.rfind("Final Num ", 0) == 0) s += l + "\n";
    return s;
}

std::string writeTempFile(const std::string& name, const std::string& data) {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp ? tmp : "/tmp") + "/primal-tests-" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    std::ofstream(dir + "/" + name, std::ios::binary) << data;
    return dir + "/" + name;
}

std::string fileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string gzipBytes(const std::string& text) {
    const std::string path = writeTempFile("gzip_bytes.gz", "");
    gzFile w = gzopen(path.c_str(), "wb");
    gzwrite(w, text.data(), unsigned(text.size()));
    gzclose(w);
    return fileBytes(path);
}

int memfdWith(const std::string& bytes) {
    const int fd = memfd_create("bytes", 0);
    if (pwrite(fd, bytes.data(), bytes.size(), 0) != ssize_t(bytes.size())) std::abort();
    return fd;
}

std::string captureStdout(const std::function<void()>& f) {
    Sat::outFlush(), std::fflush(stdout);
    int cap = memfd_create("out", 0), saved = dup(1);
    dup2(cap, 1);
    f();
    Sat::outFlush(), std::fflush(stdout);
    dup2(saved, 1), close(saved);
    std::string s(1 << 16, '\0');
    s.resize(size_t(std::max<ssize_t>(pread(cap, &s[0], s.size(), 0), 0)));
    close(cap);
    return s;
}

}  // namespace testutil
