#include "utils/VarList.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace primal {

namespace {

bool parseVar(const char*& p, int& v) {
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    errno = 0;
    char* end;
    long x = std::strtol(p, &end, 10);
    if (errno != 0 || x < 1 || x > INT_MAX) return false;
    v = int(x);
    p = end;
    return true;
}

}  // namespace

bool parseVarList(const char* p, std::vector<std::pair<int, int>>& out) {
    out.clear();
    for (;;) {
        int a, b;
        if (!parseVar(p, a)) return false;
        b = a;
        if (*p == '-' && !(++p, parseVar(p, b))) return false;
        if (b < a) return false;
        out.emplace_back(a, b);
        if (*p == '\0') return true;
        if (*p++ != ',') return false;
    }
}

}  // namespace primal
