// Buffered byte reader over a zlib stream (plain or gzip data alike) and the integer parser of
// the DIMACS reader. Syntax errors are thrown as ParseError so that the process exits at the
// program's edge, and a fuzzer or a test can observe them without exiting.
#ifndef PRIMAL_UTILS_PARSEUTILS_H
#define PRIMAL_UTILS_PARSEUTILS_H

#include <cstdint>
#include <cstdlib>
#include <string>
#include <zlib.h>

#include "containers/XAlloc.h"

namespace Sat {

// A syntax error: the one-line message (raw bytes, newline included) and where it belongs.
struct ParseError {
    std::string message;
    bool on_stdout;
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

    void assureLookahead() {
        if (pos >= size) {
            pos = 0;
            size = gzread(in, buf, buffer_size);
            if (size < 0) size = 0;  // a read error ends the input like end of file
        }
    }

    StreamBuffer(const StreamBuffer&) = delete;
    StreamBuffer& operator=(const StreamBuffer&) = delete;

public:
    explicit StreamBuffer(gzFile i) : in(i), buf(nullptr), pos(0), size(0) {
        buf = static_cast<unsigned char*>(std::malloc(buffer_size));
        if (buf == nullptr) throw OutOfMemoryException();
        assureLookahead();
    }
    ~StreamBuffer() { std::free(buf); }

    int operator*() const { return (pos >= size) ? EOF : buf[pos]; }
    void operator++() {
        pos++;
        assureLookahead();
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

// Reads one signed decimal integer. A value outside the 32-bit signed range is a syntax error
// (it would otherwise silently change the formula).
template <class B> static int parseInt(B& in) {
    bool neg = false;
    skipWhitespace(in);
    if (*in == '-')
        neg = true, ++in;
    else if (*in == '+')
        ++in;
    if (*in < '0' || *in > '9') throwUnexpectedChar(*in, false);

    int64_t val = 0;
    bool overflow = false;
    std::string digits;
    while (*in >= '0' && *in <= '9') {
        if (!overflow) {
            val = val * 10 + (*in - '0');
            if (val > int64_t(INT32_MAX) + (neg ? 1 : 0)) overflow = true;
        }
        if (digits.size() < 24) digits.push_back(char(*in));
        ++in;
    }
    if (overflow) {
        if (digits.size() >= 24) digits += "...";
        throw ParseError{"PARSE ERROR! Integer out of range: " + std::string(neg ? "-" : "") + digits + "\n", false};
    }
    return int(neg ? -val : val);
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
