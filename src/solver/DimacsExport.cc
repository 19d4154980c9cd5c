// DIMACS export of the problem clauses simplified by the root assignment, with assumptions as
// unit clauses. Variables are renumbered densely in order of first appearance.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "solver/Solver.h"

namespace Sat {

Var Solver::mapVar(Var x, vec<Var>& map, Var& max) {
    if (map.size() <= x || map[x] == -1) {
        map.growTo(x + 1, -1);
        map[x] = max++;
    }
    return map[x];
}

void Solver::toDimacs(FILE* f, Clause& c, vec<Var>& map, Var& max) {
    if (satisfied(c)) return;
    for (int i = 0; i < c.size(); i++)
        if (value(c[i]) != l_False) std::fprintf(f, "%s%d ", sign(c[i]) ? "-" : "", mapVar(var(c[i]), map, max) + 1);
    std::fprintf(f, "0\n");
}

void Solver::toDimacs(const char* file, const vec<Lit>& assumps) {
    // Opened for writing ("w"); the file's old content is replaced.
    FILE* f = std::fopen(file, "w");
    if (f == nullptr) throw std::runtime_error(std::string("could not open file ") + file);
    toDimacs(f, assumps);
    std::fclose(f);
}

void Solver::toDimacs(FILE* f, const vec<Lit>& assumps) {
    if (!ok) {
        std::fprintf(f, "p cnf 1 2\n1 0\n-1 0\n");
        return;
    }

    vec<Var> map;
    Var max = 0;

    int cnt = 0;
    for (int i = 0; i < clauses.size(); i++)
        if (!satisfied(ca[clauses[i]])) cnt++;

    for (int i = 0; i < clauses.size(); i++) {
        const Clause c = ca[clauses[i]];
        if (satisfied(c)) continue;
        for (int j = 0; j < c.size(); j++)
            if (value(c[j]) != l_False) mapVar(var(c[j]), map, max);
    }
    for (int i = 0; i < assumps.size(); i++) mapVar(var(assumps[i]), map, max);

    cnt += assumps.size();
    std::fprintf(f, "p cnf %d %d\n", max, cnt);

    for (int i = 0; i < assumps.size(); i++)
        std::fprintf(f, "%s%d 0\n", sign(assumps[i]) ? "-" : "", mapVar(var(assumps[i]), map, max) + 1);

    for (int i = 0; i < clauses.size(); i++) {
        Clause c = ca[clauses[i]];
        toDimacs(f, c, map, max);
    }

    if (verbosity > 0) say("Wrote DIMACS with %d variables and %d clauses.\n", max, cnt);
}

}  // namespace Sat
