#include "cli/PrintingSink.h"

#include "cli/QueryOutputs.h"
#include "cli/Reports.h"
#include "utils/Output.h"

using namespace Sat;

namespace primal {

PrintingSink::PrintingSink(bool print_all, bool print_time, uint64_t max_primes)
    : print_all_(print_all),
      print_time_(print_time),
      files_(query_outputs.implicates.isOpen() || query_outputs.implicants.isOpen()),
      max_primes_(max_primes) {}

void PrintingSink::formulaRead(int vars_to_test, bool header_mismatch) {
    query_outputs.implicates.setVars(vars_to_test);
    query_outputs.implicants.setVars(vars_to_test);
    if (header_mismatch) outPuts("PARSE ERROR...vars in S.nVars different from the header vars number");
    outPrintf("Vars to test: %d\n", vars_to_test);
    outPrintf("Using %s model\n", "maximal");
}

// The one prime implicate of an unsatisfiable formula is the empty clause: its CNF says so (an
// empty CNF would claim the formula valid).
void PrintingSink::unsatisfiable() {
    outPuts("Formula UNSAT...exiting");
    if (report_side == Side::Implicants) return;
    if (query_outputs.implicates.isOpen()) query_outputs.implicates.add({});
    recordPrime(false, {}, false);  // counted (for the JSON figures), not printed
}

void PrintingSink::satisfiable() { print_time_interval.store(print_time_); }

// The limit refuses the first prime beyond it rather than stopping at the last one within it,
// so that a run whose primes number exactly the limit ends complete.
bool PrintingSink::prime(bool implicant, const std::vector<int>& lits) {
    if (max_primes_ != 0 && handed_ == max_primes_) {
        stopped_at_limit_ = true;
        return false;
    }
    handed_++;
    DimacsFile& file = implicant ? query_outputs.implicants : query_outputs.implicates;
    if (file.isOpen()) file.add(lits);
    recordPrime(implicant, lits, print_all_);
    return true;
}

// The report reads the counters of the lines written, which are what a reader of the output
// can check.
void PrintingSink::finished(const RunFigures&) {
    printFinalReport();
    if (stopped_at_limit_) outPrintf("Stopped at the limit of %llu primes\n", (unsigned long long)max_primes_);
}

}  // namespace primal
