// DIMACS CNF reader. Lenient by design: only the header keyword and the integer syntax are
// validated; the declared variable count is compared with the variables used at the end and a
// mismatch is noted (header_mismatch) without stopping. Literals beyond what the solvers can
// represent, and integers beyond 32 bits, are syntax errors. A line that starts with '%' ends the
// formula: the SATLIB benchmark files end with the lines "%" and "0", which are not part of it.
#include <algorithm>
#include <string>

#include "formula/SolverWrapper.h"
#include "utils/ParseUtils.h"

namespace Sat {

namespace {
[[noreturn]] void throwTooLarge(int lit) {
    throw ParseError{"PARSE ERROR! Variable index too large: " + std::to_string(lit) + "\n", false};
}
}  // namespace

void SolverWrapper::readInstance(gzFile input) {
    StreamBuffer in(input);
    int header_vars = 0;
    std::vector<int> lits;
    bool line_start = true;  // nothing but the line's start lies before the current byte

    for (;;) {
        for (; isWhitespace(*in); ++in) line_start = *in == '\n';
        if (*in == EOF) break;
        if (*in == '%' && line_start) break;
        line_start = false;
        if (*in == 'p') {
            if (!eagerMatch(in, "p cnf")) throwUnexpectedChar(*in, true);
            header_vars = parseInt(in);
            (void)parseInt(in);  // the clause count is not used
        } else if (*in == 'c') {
            if (read_show && eagerMatch(in, "c p show")) {
                // The variables of interest, as model counters list them: "c p show 1 4 9 0".
                has_show = true;
                for (int v; (v = parseInt(in)) != 0;) show_vars.push_back(v);
            } else if (!read_show && eagerMatch(in, "c n orig vars")) {
                origVarsLine = nOrigVars = parseInt(in);
            } else {
                skipLine(in), line_start = true;
            }
        } else {
            lits.clear();
            for (;;) {
                int parsed = parseInt(in);
                if (parsed == 0) break;
                int64_t var = parsed < 0 ? -int64_t(parsed) : int64_t(parsed);
                if (var > max_dimacs_var) throwTooLarge(parsed);
                lits.push_back(parsed);
            }
            cls.emplace_back(lits.begin(), lits.end());
            for (int l : lits) maxVar = std::max(maxVar, l < 0 ? -l : l);
        }
    }
    headerVars = header_vars;
    header_mismatch = maxVar != header_vars;  // reported by the caller; the run goes on
}

void SolverWrapper::takeClauses(std::vector<std::vector<int>> clauses) {
    for (const std::vector<int>& c : clauses)
        for (int l : c) {
            if (l == 0) throw ParseError{"PARSE ERROR! Literal 0 inside a clause\n", false};
            int64_t var = l < 0 ? -int64_t(l) : int64_t(l);
            if (var > max_dimacs_var) throwTooLarge(l);
            maxVar = std::max(maxVar, int(var));
        }
    cls = std::move(clauses);
    header_mismatch = false;
}

}  // namespace Sat
