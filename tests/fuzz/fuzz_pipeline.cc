// The whole run on small inputs: read, renumber, push, set up the dual-rail solver and enumerate.
// Besides never crashing, hanging or leaking, the counts of prime implicants and implicates
// must be the truth-table counts.
#include <cstdlib>

#include "FuzzInput.h"
#include "enumerate/Enumeration.h"
#include "support/Oracle.h"
#include "utils/ParseUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Numbers up to 10 only (beyond what the reader accepts they are errors before anything is
    // created), so the enumeration and its truth-table check stay small.
    if (size >= 2048 || skipInput(data, size, 10)) return 0;
    num_prime_implicant = 0, num_prime_implicate = 0;
    Sat::SolverWrapper formula;
    Sat::DR_SolverWrapper dual;
    gzFile in = openBytes(data, size, false);
    try {
        if (primal::runSequence(formula, dual, in, primal::RunOptions{true, false}) != 0) abort();
    } catch (Sat::ParseError&) {
        gzclose(in);  // the run ends before closing its input
        return 0;
    }
    testutil::PrimeSets want;
    if (testutil::isSatisfiable(formula.cls, formula.nVars)) want = testutil::bruteForcePrimes(formula.cls, formula.nVars);
    if (num_prime_implicant != want.implicants.size() || num_prime_implicate != want.implicates.size()) abort();
    return 0;
}
