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

// Closes the input on every way out of the reading; a syntax or read error has been thrown
// already, so a failure to close then says nothing new.
struct InputCloser {
    gzFile in;
    ~InputCloser() {
        if (in != nullptr) gzclose(in);
    }
    void close() {
        closeInput(in);
        in = nullptr;
    }
};

}  // namespace

RunEnd runSequence(SolverWrapper& formula, DR_SolverWrapper& dual, gzFile in, const RunOptions& opts, PrimeSink& sink,
                   PhaseTimes& times) {
    InputCloser input{in};
    formula.readInstance(in);
    // From here on the formula is over its occurring variables only (see Renumbering.h); the
    // largest input index is still what the run reports.
    std::vector<int> orig_var = renumberDensely(formula.cls, formula.maxVar);
    const int n = orig_var.empty() ? formula.maxVar : int(orig_var.size()) - 1;
    formula.ensureVar(n);
    formula.pushInstance();

    formula.nOrigVars = formula.maxVar;
    input.close();

    times.max_model.store(0.0);
    times.check.store(0.0);
    times.reduction.store(0.0);
    Recorder recorder(sink, times, opts.side);
    RunContext ctx(formula, n, recorder, std::move(orig_var));
    setUpDualRail(dual, n);
    sink.formulaRead(formula.maxVar, formula.header_mismatch);

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

    RunEnd end = RunEnd::Complete;
    try {
        enumeratePrimes(ctx, [&dual]() -> DR_SolverWrapper& { return dual; }, opts);
    } catch (StopRun&) {
        end = RunEnd::Stopped;
    }
    sink.finished(recorder.figures());
    return end;
}

}  // namespace primal
