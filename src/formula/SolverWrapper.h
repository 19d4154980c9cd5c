// Formula wrappers: a solver paired with a store of the clauses given to it as DIMACS integers
// (1-based variable, sign for polarity). The wrapper creates solver variables on demand, densely
// and in increasing order (DIMACS variable k is solver variable k-1), and hands clauses to the
// solver in batch (pushInstance), one by one (pushClause) or incrementally against a retained
// assignment (pushClauseIncr). Dual-rail clauses pushed at once are not stored: a run adds one
// per prime and never reads them back. Wrappers own their solver, store and selector list; they
// are never copied.
#ifndef PRIMAL_FORMULA_SOLVERWRAPPER_H
#define PRIMAL_FORMULA_SOLVERWRAPPER_H

#include <string>
#include <vector>
#include <zlib.h>

#include "solver/Solver.h"

namespace Sat {

// A DIMACS literal as the solver's literal (variable v is the solver's v - 1), and back.
inline Lit dimacsLit(int l) { return mkLit((l < 0 ? -l : l) - 1, l < 0); }
inline int dimacsOf(Lit p) { return sign(p) ? -(var(p) + 1) : var(p) + 1; }

class SolverWrapper {
public:
    Solver S;
    int nVars;
    int lastAuxVar;
    std::vector<std::vector<int>> cls;
    std::vector<int> auxVars;
    int nOrigVars;
    int maxVar;  // largest variable index that readInstance met (0: none)
    bool header_mismatch = false;  // readInstance: maxVar differs from the header's variable count
    int headerVars = 0;            // readInstance: the header's variable count (0: no header)
    int origVarsLine = -1;         // readInstance: the count of the last "c n orig vars" line (-1: none)
    // With read_show set before readInstance, "c p show ... 0" lines are read (their variables
    // appended to show_vars, has_show set) and "c n orig vars" lines are not; otherwise every
    // other comment is skipped, so a file is read as it always was.
    bool read_show = false;
    bool has_show = false;
    std::vector<int> show_vars;
    Solver* solver;

    // Largest DIMACS variable the dual-rail encoding can represent (its rails 2x-1 and 2x must
    // be solver variables).
    static constexpr int max_dimacs_var = Solver::max_vars / 2;

    SolverWrapper();
    ~SolverWrapper();
    SolverWrapper(const SolverWrapper&) = delete;
    SolverWrapper& operator=(const SolverWrapper&) = delete;

    // Makes DIMACS variable k available (creates variables up to k).
    void ensureVar(int k) {
        while (nVars < k) {
            S.newVar(l_Undef, true);
            nVars++;
        }
    }

    void addClause(std::vector<int>& clause, bool push);
    void pushClause(std::vector<int>& clause);
    void pushInstance();
    std::string printCls() const;  // the stored clauses, a line each, each literal after a space

    // Reads DIMACS CNF into cls and sets maxVar; creates no solver variable and adds nothing to
    // the solver (pushInstance creates the variables that the clauses use). Throws ParseError on
    // a syntax error, ReadError when the stream is damaged or cut short.
    void readInstance(gzFile in);
    // The same for clauses given in memory: a literal 0 or a variable beyond max_dimacs_var is
    // a ParseError, as in a file.
    void takeClauses(std::vector<std::vector<int>> clauses);

    // Replaces cls by a CNF of its negation with one selector per clause. Precondition: the
    // solver holds no clauses (otherwise std::logic_error, as for dualRailEncode).
    void negateFormula();

    // Dual-rail: input literal +x is rail 2x-1, -x is rail 2x (DIMACS numbering).
    void cls2DualRailClause(std::vector<int>& clause, std::vector<int>& out, bool positive);
    void addDualRailCls(std::vector<int>& clause, bool positive, bool push);
    bool addDualRailClsIncr(std::vector<int>& clause, bool positive, bool push);
    bool pushClauseIncr(std::vector<int>& clause);
    void dualRailEncode();

private:
    void toLits(const std::vector<int>& clause, vec<Lit>& lits);
    [[noreturn]] void notEmptyError();
};

class DR_SolverWrapper : public SolverWrapper {
public:
    Solver* drSolver;
    bool maximal;

    DR_SolverWrapper() : SolverWrapper(), drSolver(&S), maximal(true) {}
};

}  // namespace Sat

#endif
