// The DIMACS reader on arbitrary bytes: it either stores clauses or throws a ParseError, never
// crashes, hangs or leaks; plain and gzip-compressed copies of the same bytes read the same;
// a completed read records the largest index that its clauses mention and creates no variable.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>

#include "FuzzInput.h"
#include "utils/ParseUtils.h"

using Outcome = std::tuple<std::vector<std::vector<int>>, int, int, std::string, bool>;

static Outcome readOnce(const uint8_t* data, size_t size, bool gzip) {
    Sat::SolverWrapper w;
    Sat::ParseError err{"", false};
    gzFile in = openBytes(data, size, gzip);
    try {
        w.readInstance(in);
    } catch (Sat::ParseError& e) {
        err = e;
    }
    gzclose(in);
    int used = 0;
    for (const auto& c : w.cls)
        for (int l : c) {
            if (l == 0 || std::abs(int64_t(l)) > Sat::SolverWrapper::max_dimacs_var) abort();
            used = std::max(used, std::abs(l));
        }
    if ((err.message.empty() && used != w.maxVar) || w.nVars != 0 || w.S.nVars() != 0 || w.S.nClauses() != 0) abort();
    return {w.cls, w.maxVar, w.nOrigVars, err.message, err.on_stdout};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!skipInput(data, size, 20000) && readOnce(data, size, false) != readOnce(data, size, true)) abort();
    return 0;
}
