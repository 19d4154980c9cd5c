#include "cli/PrintingSink.h"

#include "cli/Reports.h"
#include "utils/Output.h"

using namespace Sat;

namespace primal {

void PrintingSink::formulaRead(int vars_to_test, bool header_mismatch) {
    if (header_mismatch) outPuts("PARSE ERROR...vars in S.nVars different from the header vars number");
    outPrintf("Vars to test: %d\n", vars_to_test);
    outPrintf("Using %s model\n", "maximal");
}

void PrintingSink::unsatisfiable() { outPuts("Formula UNSAT...exiting"); }

void PrintingSink::satisfiable() { print_time_interval.store(print_time_); }

bool PrintingSink::prime(bool implicant, const std::vector<int>& lits) {
    recordPrime(implicant, lits, print_all_);
    return true;
}

// The report reads the counters of the lines written, which are what a reader of the output
// can check.
void PrintingSink::finished(const RunFigures&) { printFinalReport(); }

}  // namespace primal
