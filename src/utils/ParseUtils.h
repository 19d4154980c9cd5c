// Buffered byte reader over a zlib stream (plain or gzip data alike) and the integer parser of
// the DIMACS reader. Syntax errors are thrown as ParseError, and input that cannot be read whole
// as ReadError, so that the process exits at the program's edge, and a fuzzer or a test can
// observe them without exiting.
#ifndef PRIMAL_UTILS_PARSEUTILS_H
#define PRIMAL_UTILS_PARSEUTILS_H

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <zlib.h>

#include "containers/XAlloc.h"

namespace Sat {

// A syntax error: the one-line message (raw bytes, newline included) and where it belongs.
struct ParseError {
    std::string message;
    bool on_stdout;
};

// Input that could not be read to its end: a read error, or a compressed stream that is damaged
// or cut short. Nothing read from such an input may be used. `reason` says what was wrong, in
// zlib's or the system's words, without the name of the input.
struct ReadError {
    std::string reason;
};

// Throws the error that zlib recorded for the stream, if any.
inline void checkStream(gzFile in) {
    int code = Z_OK;
    const char* msg = gzerror(in, &code);
    if (code == Z_OK) return;
    if (code == Z_MEM_ERROR) throw OutOfMemoryException();
    // zlib prefixes the message with the path it was given ("<fd:0>" for a descriptor); its
    // own texts and the system's contain no ": ", so the reason is what follows the last one.
    std::string reason = msg != nullptr ? msg : "";
    size_t sep = reason.rfind(": ");
    if (sep != std::string::npos) reason.erase(0, sep + 2);
    if (reason.empty()) reason = "zlib error " + std::to_string(code);
    throw ReadError{reason};
}

// Closes a stream that was read to its end; a failure to close is a read error too.
inline void closeInput(gzFile in) {
    int r = gzclose(in);
    if (r == Z_OK) return;
    throw ReadError{r == Z_ERRNO ? std::strerror(errno) : r == Z_BUF_ERROR ? "unexpected end of file" : "zlib error " + std::to_string(r)};
}

// Owns an input stream until it is closed: a syntax or read error that ends the run on the way
// still closes it (zlib's state and buffers are freed).
class InputStream {
    gzFile in_;

public:
    explicit InputStream(gzFile in) : in_(in) {}
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;
    ~InputStream() {
        if (in_ != nullptr) gzclose(in_);
    }
    gzFile get() const { return in_; }
    gzFile release() { return std::exchange(in_, nullptr); }  // for a new owner
    void close() {  // as closeInput
        gzFile in = in_;
        in_ = nullptr;
        closeInput(in);
    }
};

[[noreturn]] inline void throwUnexpectedChar(int c, bool on_stdout) {
    std::string msg = "PARSE ERROR! Unexpected char: ";
    msg.push_back(char(static_cast<unsigned char>(c)));  // end of input prints as byte 0xFF
    msg.push_back('\n');
    throw ParseError{msg, on_stdout};
}

class StreamBuffer {
    gzFile in;
    unsigned char* buf;
    int pos;
    int size;

    enum { buffer_size = 64 * 1024 };

    // Kept out of line: it runs once per 64 KiB, the byte operations on every byte.
    __attribute__((noinline)) void refill() {
        pos = 0;
        size = gzread(in, buf, buffer_size);
        // zlib records a damaged or truncated stream with the read that meets it, which may
        // still return the bytes before the damage: they are not used either.
        checkStream(in);
        if (size < 0) size = 0;
    }

    StreamBuffer(const StreamBuffer&) = delete;
    StreamBuffer& operator=(const StreamBuffer&) = delete;

public:
    explicit StreamBuffer(gzFile i) : in(i), buf(nullptr), pos(0), size(0) {
        buf = static_cast<unsigned char*>(std::malloc(buffer_size));
        if (buf == nullptr) throw OutOfMemoryException();
        try {
            refill();
        } catch (...) {  // no destructor for a constructor that throws
            std::free(buf);
            throw;
        }
    }
    ~StreamBuffer() { std::free(buf); }

    int operator*() const { return (pos >= size) ? EOF : buf[pos]; }
    void operator++() {
        if (++pos >= size) refill();
    }
};

inline bool isWhitespace(int c) { return (c >= 9 && c <= 13) || c == 32; }

template <class B> static inline void skipWhitespace(B& in) {
    while (isWhitespace(*in)) ++in;
}

template <class B> static inline void skipLine(B& in) {
    for (;;) {
        if (*in == EOF) return;
        if (*in == '\n') {
            ++in;
            return;
        }
        ++in;
    }
}

// Reports a number that does not fit a 32-bit int; `val` is the value of the digits read so
// far after `zeros` leading zeros. Kept out of line so that the common path stays small.
template <class B> [[noreturn]] static void throwOutOfRange(B& in, bool neg, int zeros, uint64_t val) {
    std::string digits = std::string(neg ? "-" : "") + std::string(size_t(zeros), '0') + std::to_string(val);
    for (; *in >= '0' && *in <= '9'; ++in)
        if (digits.size() <= 25) digits.push_back(char(*in));
    if (digits.size() > 25) digits.replace(25, std::string::npos, "...");
    throw ParseError{"PARSE ERROR! Integer out of range: " + digits + "\n", false};
}

// Reads one signed decimal integer. A value outside the 32-bit signed range is a syntax error
// (it would otherwise silently change the formula).
template <class B> static int parseInt(B& in) {
    bool neg = false;
    skipWhitespace(in);
    if (*in == '-')
        neg = true, ++in;
    else if (*in == '+')
        ++in;
    int c = *in;
    if (c < '0' || c > '9') throwUnexpectedChar(c, false);

    int zeros = 0;
    for (; c == '0'; c = *in) ++in, ++zeros;
    const uint64_t limit = uint64_t(INT32_MAX) + (neg ? 1 : 0);
    uint64_t val = 0;
    for (; c >= '0' && c <= '9'; c = *in) {
        val = val * 10 + unsigned(c - '0');
        ++in;
        if (val > limit) throwOutOfRange(in, neg, zeros, val);
    }
    return neg ? int(-int64_t(val)) : int(val);
}

// Consumes the bytes of str one by one while they match. On a mismatch the stream stands on
// the differing byte and false is returned.
template <class B> static bool eagerMatch(B& in, const char* str) {
    for (; *str != '\0'; ++str, ++in)
        if (*str != *in) return false;
    return true;
}

}  // namespace Sat

#endif
