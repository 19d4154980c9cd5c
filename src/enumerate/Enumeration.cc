#include "enumerate/Enumeration.h"

#include <cassert>

#include "enumerate/DualRailSearch.h"
#include "enumerate/Policy.h"
#include "enumerate/RunContext.h"
#include "formula/Renumbering.h"
#include "utils/ParseUtils.h"

using namespace Sat;

namespace primal {

namespace {

// Everything after the reading: formula.cls and formula.maxVar hold the input.
RunEnd runRead(SolverWrapper& formula, DR_SolverWrapper& dual, const RunOptions& opts, PrimeSink& sink,
               PhaseTimes& times) {
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
    Recorder recorder(sink, times, &opts.interrupted, opts.quiet);
    RunContext ctx(formula, n, recorder, std::move(orig_var));
    setUpDualRail(dual, n);
    sink.formulaRead(formula.maxVar, formula.header_mismatch);

    bool consistent;
    try {  // an interruption check may stop the run inside the first check
        consistent = termConsistent(ctx, {});
    } catch (StopRun&) {
        sink.finished(recorder.figures());
        return RunEnd::Stopped;
    }
    if (!consistent) {
        sink.unsatisfiable();
        return RunEnd::Unsatisfiable;
    }
    sink.satisfiable();
    ctx.first_check_conflicts = formula.solver->conflicts;
    formula.solver->exempt_binary_learnts = true;  // from here on it checks candidate terms

    const bool built = ctx.reducer.buildOccLists(formula.cls);
    assert(built);  // the reader ends a clause at 0, so no clause holds it
    (void)built;

    RunEnd end = RunEnd::Complete;
    try {
        enumeratePrimes(ctx, [&dual]() -> DR_SolverWrapper& { return dual; }, opts);
    } catch (StopRun&) {
        end = RunEnd::Stopped;
    }
    sink.finished(recorder.figures());
    return end;
}

}  // namespace

RunEnd runSequence(SolverWrapper& formula, DR_SolverWrapper& dual, gzFile in, const RunOptions& opts, PrimeSink& sink,
                   PhaseTimes& times) {
    InputStream input(in);  // closed on every way out
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
