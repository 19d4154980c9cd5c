// Shared by the fuzz targets: fuzz bytes as a zlib stream, and the guard that keeps inputs
// whose variable indices would only measure the allocator away from the targets.
#ifndef PRIMAL_FUZZ_FUZZINPUT_H
#define PRIMAL_FUZZ_FUZZINPUT_H

#include <cstdint>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include "formula/SolverWrapper.h"

// The bytes in a memory file, written through zlib as they are or gzip-compressed, opened for
// reading. The caller closes the stream.
inline gzFile openBytes(const uint8_t* data, size_t size, bool gzip) {
    int fd = memfd_create("fuzz", 0);
    gzFile w = gzdopen(dup(fd), gzip ? "wb" : "wbT");
    if (size > 0) gzwrite(w, data, unsigned(size));
    gzclose(w);
    lseek(fd, 0, SEEK_SET);
    return gzdopen(fd, "rb");
}

// True when the input is not worth reading: it starts like gzip data (zlib would decompress
// the "plain" copy), or a number could create more than `cap` variables. Numbers beyond what
// the reader accepts stay in: they are rejected before anything is created.
inline bool skipInput(const uint8_t* data, size_t size, uint64_t cap) {
    if (size >= 2 && data[0] == 0x1f && data[1] == 0x8b) return true;
    uint64_t v = 0;
    for (size_t i = 0; i <= size; i++) {
        if (i < size && data[i] >= '0' && data[i] <= '9')
            v = std::min<uint64_t>(v * 10 + (data[i] - '0'), uint64_t(1) << 40);
        else if (v > cap && v <= uint64_t(Sat::SolverWrapper::max_dimacs_var))
            return true;
        else
            v = 0;
    }
    return false;
}

// The code under test prints to standard output, libFuzzer to standard error.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    dup2(open("/dev/null", O_WRONLY), 1);
    return 0;
}

#endif
