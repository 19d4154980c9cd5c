// Shared by the benchmarks: a steady clock and reading benchmark files through the project's
// reader.
#ifndef PRIMAL_BENCH_BENCHINPUT_H
#define PRIMAL_BENCH_BENCHINPUT_H

#include <chrono>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <zlib.h>

#include "formula/SolverWrapper.h"

inline double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Reads a DIMACS file into the wrapper's clause store. Some benchmark files end with a '%'
// line that the reader rejects as a syntax error; everything from that line on is dropped, by
// way of a temporary copy, since the reader takes a zlib stream. Gzip input is passed on as it is.
inline bool loadClauses(const std::string& path, Sat::SolverWrapper& w) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    std::stringstream ss;
    ss << f.rdbuf();
    std::string text = ss.str();
    bool gzipped = text.size() >= 2 && uint8_t(text[0]) == 0x1f && uint8_t(text[1]) == 0x8b;
    size_t cut = gzipped ? std::string::npos : text.compare(0, 1, "%") == 0 ? 0 : text.find("\n%");
    if (cut != std::string::npos) text.resize(cut == 0 ? 0 : cut + 1);

    char tmp[] = "/tmp/primal-bench-XXXXXX";
    int fd = mkstemp(tmp);
    if (fd < 0) return false;
    bool written = write(fd, text.data(), text.size()) == ssize_t(text.size());
    close(fd);
    gzFile in = written ? gzopen(tmp, "rb") : nullptr;
    if (in != nullptr) {
        w.readInstance(in);
        gzclose(in);
    }
    unlink(tmp);
    return in != nullptr;
}

#endif
