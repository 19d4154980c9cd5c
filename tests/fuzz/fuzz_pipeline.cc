// The whole run on small inputs: read, renumber, push, set up the dual-rail solver and enumerate.
// Besides never crashing, hanging or leaking, the counts of prime implicants and implicates
// must be the truth-table counts.
#include <cstdlib>

#include "FuzzInput.h"
#include "enumerate/Enumeration.h"
#include "support/CollectingSink.h"
#include "support/Oracle.h"
#include "utils/ParseUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Numbers up to 10 only (beyond what the reader accepts they are errors before anything is
    // created), so the enumeration and its truth-table check stay small.
    if (size >= 2048 || skipInput(data, size, 10)) return 0;
    Sat::SolverWrapper formula;
    Sat::DR_SolverWrapper dual;
    gzFile in = openBytes(data, size, false);
    testutil::CollectingSink sink;
    primal::PhaseTimes times;
    try {
        primal::runSequence(formula, dual, in, primal::RunOptions{}, sink, times);
    } catch (Sat::ParseError&) {
        return 0;  // the run has closed its input
    }
    testutil::PrimeSets want;
    if (testutil::isSatisfiable(formula.cls, formula.nVars)) want = testutil::bruteForcePrimes(formula.cls, formula.nVars);
    // The run's clauses are renumbered densely while the sink speaks input indices: the counts
    // are compared, the sets by the oracle tests.
    if (sink.implicants.size() != want.implicants.size() || sink.implicates.size() != want.implicates.size()) abort();
    return 0;
}
