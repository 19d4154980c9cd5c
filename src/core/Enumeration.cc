#include "core/Enumeration.h"

#include "core/DualRailSearch.h"
#include "core/PrimeReduction.h"
#include "core/RunContext.h"
#include "utils/Output.h"
#include "utils/ParseUtils.h"

using namespace Sat;

namespace primal {

int runSequence(SolverWrapper& formula, SolverWrapper& negation, DR_SolverWrapper& dual, gzFile in,
                const RunOptions& opts) {
    formula.readInstance(in);
    for (std::vector<int>& clause : formula.cls) negation.addClause(clause, false);
    negation.negateFormula();
    formula.pushInstance();
    negation.pushInstance();

    const int n = formula.nVars;
    formula.nOrigVars = n;
    negation.nOrigVars = n;
    outPrintf("Vars to test: %d\n", n);
    closeInput(in);

    RunContext ctx(formula, n, opts.print_all);
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
