// Reading speed of the DIMACS reader: generates a large random formula (plain and gzip) in a
// temporary directory and reports MB/s of readInstance, next to the raw zlib read rate and the
// time that pushInstance then needs for the same clauses, so that reading can be judged
// against the rest of a run.
//
// Usage: read_bench [megabytes=40] [repetitions=3]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>
#include <zlib.h>

#include "formula/SolverWrapper.h"

using namespace Sat;

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Random 3- to 5-literal clauses over 1..n, with comments, a header and both sign styles,
// about `target` bytes in all.
std::string makeFormula(size_t target, int n) {
    std::mt19937 rng(7);
    std::string body;
    body.reserve(target + 256);
    size_t clauses = 0;
    char num[16];
    while (body.size() < target) {
        if (clauses % 10000 == 0) body += "c a comment line between clauses\n";
        int len = 3 + int(rng() % 3);
        for (int i = 0; i < len; i++) {
            int v = 1 + int(rng() % unsigned(n));
            int k = std::snprintf(num, sizeof num, "%d ", (rng() & 1) ? v : -v);
            body.append(num, size_t(k));
        }
        body += "0\n";
        clauses++;
    }
    return "c n orig vars " + std::to_string(n) + "\np cnf " + std::to_string(n) + " " +
           std::to_string(clauses) + "\n" + body;
}

void writeFile(const std::string& path, const std::string& data, bool gzip) {
    gzFile f = gzopen(path.c_str(), gzip ? "wb6" : "wbT");  // T: no compression, plain bytes
    if (f == nullptr || gzwrite(f, data.data(), unsigned(data.size())) != int(data.size())) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    gzclose(f);
}

double rawRead(const std::string& path) {
    static unsigned char buf[1 << 16];
    double t0 = now();
    gzFile f = gzopen(path.c_str(), "rb");
    while (gzread(f, buf, sizeof buf) > 0) {
    }
    gzclose(f);
    return now() - t0;
}

}  // namespace

int main(int argc, char** argv) {
    size_t mb = argc > 1 ? size_t(std::atol(argv[1])) : 40;
    int reps = argc > 2 ? std::atoi(argv[2]) : 3;
    const int n = 200000;
    std::string data = makeFormula(mb << 20, n);
    double mbytes = double(data.size()) / double(1 << 20);

    char dir[] = "/tmp/primal-read-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) return 1;
    std::string plain = std::string(dir) + "/f.cnf", gz = std::string(dir) + "/f.cnf.gz";
    writeFile(plain, data, false);
    writeFile(gz, data, true);
    data.clear();
    data.shrink_to_fit();

    std::printf("formula: %.1f MB of DIMACS, %d variables\n", mbytes, n);
    for (const std::string* path : {&plain, &gz}) {
        double best_read = 1e30, best_raw = 1e30, push = 0;
        size_t ncls = 0;
        for (int r = 0; r < reps; r++) {
            best_raw = std::min(best_raw, rawRead(*path));
            SolverWrapper w;
            gzFile in = gzopen(path->c_str(), "rb");
            double t0 = now();
            w.readInstance(in);
            double t1 = now();
            gzclose(in);
            best_read = std::min(best_read, t1 - t0);
            ncls = w.cls.size();
            if (r == 0) {
                double t2 = now();
                w.pushInstance();
                push = now() - t2;
            }
        }
        std::printf("%-5s readInstance %7.1f MB/s (%.3f s, %zu clauses)   zlib alone %7.1f MB/s   "
                    "pushInstance %.3f s\n",
                    path == &plain ? "plain" : "gzip", mbytes / best_read, best_read, ncls, mbytes / best_raw,
                    push);
    }
    unlink(plain.c_str());
    unlink(gz.c_str());
    rmdir(dir);
    return 0;
}
