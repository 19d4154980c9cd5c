#include "core/Enumeration.h"

#include "core/DualRailSearch.h"
#include "core/PrimeReduction.h"
#include "core/Renumbering.h"
#include "core/RunContext.h"
#include "utils/Output.h"
#include "utils/ParseUtils.h"

using namespace Sat;

namespace primal {

int runSequence(SolverWrapper& formula, DR_SolverWrapper& dual, gzFile in, const RunOptions& opts) {
    formula.readInstance(in);
    // From here on the formula is over its occurring variables only (see Renumbering.h); the
    // largest input index is still what the run reports.
    std::vector<int> orig_var = renumberDensely(formula.cls, formula.maxVar);
    const int n = orig_var.empty() ? formula.maxVar : int(orig_var.size()) - 1;
    formula.ensureVar(n);
    formula.pushInstance();

    formula.nOrigVars = formula.maxVar;
    outPrintf("Vars to test: %d\n", formula.maxVar);
    closeInput(in);

    RunContext ctx(formula, n, opts.print_all, std::move(orig_var));
    setUpDualRail(dual, n);
    outPrintf("Using %s model\n", "maximal");

    if (!termConsistent(ctx, {})) {
        outPuts("Formula UNSAT...exiting");
        return 0;
    }

    time_max_m.store(0.0);
    time_sat_call.store(0.0);
    time_reduction.store(0.0);
    print_time_interval.store(opts.print_time);

    if (!primeutil::buildOccLists(formula.cls)) {
        outPuts("Error...one clause contains a 0 literal");
        return 1;
    }

    dualRailLoop(ctx, dual, -1);
    completeImplicants(ctx);
    printFinalReport();
    return 0;
}

}  // namespace primal
