#include "enumerate/Enumeration.h"

#include <algorithm>
#include <cassert>
#include <string>

#include "formula/DualRailSearch.h"
#include "enumerate/Policy.h"
#include "enumerate/RunContext.h"
#include "formula/Renumbering.h"
#include "utils/ParseUtils.h"

using namespace Sat;

namespace primal {

namespace {

// X over the input's indices (entry i for variable i; empty without a projection). Throws
// QueryError when the input cannot name it.
std::vector<char> variablesOfInterest(const SolverWrapper& formula, const RunOptions& opts) {
    using P = RunOptions::Projection;
    if (opts.projection == P::None) return {};
    // Variables beyond what the input declares or uses are a mistake in the query.
    const int count = std::max(formula.maxVar, formula.headerVars);
    std::vector<char> x(size_t(count) + 1, 0);
    if (opts.projection == P::Orig) {
        if (formula.origVarsLine < 0) throw QueryError("ERROR! -project=orig: the input has no \"c n orig vars\" line");
        if (formula.origVarsLine > count)
            throw QueryError("ERROR! -project=orig: " + std::to_string(formula.origVarsLine) +
                             " original variables, but the input has only " + std::to_string(count));
        for (int v = 1; v <= formula.origVarsLine; v++) x[size_t(v)] = 1;
        return x;
    }
    std::vector<std::pair<int, int>> shown;
    if (opts.projection == P::Show) {
        if (!formula.has_show) throw QueryError("ERROR! -project=show: the input has no \"c p show\" line");
        for (int v : formula.show_vars) {
            if (v < 1) throw QueryError("ERROR! -project=show: \"c p show\" lists " + std::to_string(v) + ", not a variable");
            shown.emplace_back(v, v);
        }
    }
    for (const std::pair<int, int>& r : opts.projection == P::Show ? shown : opts.project_list) {
        if (r.second > count)
            throw QueryError("ERROR! -project: variable " + std::to_string(r.second) +
                             " is above the input's variable count " + std::to_string(count));
        for (int v = r.first; v <= r.second; v++) x[size_t(v)] = 1;
    }
    return x;
}

// Everything after the reading: formula.cls and formula.maxVar hold the input.
RunEnd runRead(SolverWrapper& formula, DR_SolverWrapper& dual, const RunOptions& opts, PrimeSink& sink,
               PhaseTimes& times) {
    const std::vector<char> x_input = variablesOfInterest(formula, opts);
    // From here on the formula is over its occurring variables only (see Renumbering.h); the
    // largest input index is still what the run reports.
    std::vector<int> orig_var = renumberDensely(formula.cls, formula.maxVar);
    const int n = orig_var.empty() ? formula.maxVar : int(orig_var.size()) - 1;
    formula.ensureVar(n);
    formula.pushInstance();

    formula.nOrigVars = formula.maxVar;

    times.max_model.store(0.0);
    times.check.store(0.0);
    times.reduction.store(0.0);
    Recorder recorder(sink, times, opts.side, &opts.interrupted, opts.solver_notice);
    RunContext ctx(formula, n, recorder, std::move(orig_var));
    ctx.max_len = size_t(opts.max_len);
    if (opts.projection != RunOptions::Projection::None) {
        ctx.projected = true;
        ctx.in_x.assign(size_t(n) + 1, 0);
        ctx.test_vars.clear();
        for (int v = 1; v <= n; v++)
            if (x_input[size_t(ctx.inputLit(v))]) ctx.in_x[size_t(v)] = 1, ctx.test_vars.push_back(v);
    }
    setUpDualRail(dual, n);
    sink.formulaRead(formula.maxVar, formula.header_mismatch);

    try {  // an interruption check may stop the run inside the first check too
        if (!termConsistent(ctx, {})) {
            sink.unsatisfiable();
            return RunEnd::Unsatisfiable;
        }
        sink.satisfiable();
        ctx.first_check_conflicts = formula.solver->conflicts;
        formula.solver->exempt_binary_learnts = true;  // from here on it checks candidate terms

        const bool built = ctx.reducer.buildOccLists(formula.cls);
        assert(built);  // the reader ends a clause at 0, so no clause holds it
        (void)built;
        enumeratePrimes(ctx, [&dual]() -> DR_SolverWrapper& { return dual; }, opts);
    } catch (StopRun&) {
        return RunEnd::Stopped;
    }
    return RunEnd::Complete;
}

}  // namespace

RunEnd runSequence(SolverWrapper& formula, DR_SolverWrapper& dual, gzFile in, const RunOptions& opts, PrimeSink& sink,
                   PhaseTimes& times) {
    InputStream input(in);  // closed on every way out
    formula.read_show = opts.projection == RunOptions::Projection::Show;
    formula.readInstance(in);
    input.close();
    return runRead(formula, dual, opts, sink, times);
}

RunEnd runSequence(SolverWrapper& formula, DR_SolverWrapper& dual, std::vector<std::vector<int>> clauses,
                   const RunOptions& opts, PrimeSink& sink, PhaseTimes& times) {
    formula.takeClauses(std::move(clauses));
    return runRead(formula, dual, opts, sink, times);
}

}  // namespace primal
