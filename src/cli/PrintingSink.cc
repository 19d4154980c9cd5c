#include "cli/PrintingSink.h"

#include <utility>

#include "cli/QueryOutputs.h"
#include "cli/Reports.h"
#include "utils/Output.h"

using namespace Sat;

namespace primal {

PrintingSink::PrintingSink(bool print_all, bool print_time, uint64_t limit, std::string input, std::string negated)
    : print_all_(print_all),
      print_time_(print_time),
      files_(query_outputs.implicates.isOpen() || query_outputs.implicants.isOpen()),
      input_(std::move(input)),
      negated_(std::move(negated)),
      limit_(limit) {}

void PrintingSink::opened() {
    outPrintf("Formula :%s\n", input_.c_str());
    outPrintf("Negated formula :%s\n", negated_.c_str());
}

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
    if (report_side == Query::Side::Implicants) return;
    if (query_outputs.implicates.isOpen()) query_outputs.implicates.add({});
    recordPrime(false, {}, false);  // counted (for the JSON figures), not printed
}

void PrintingSink::satisfiable() { print_time_interval.store(print_time_); }

bool PrintingSink::prime(bool implicant, const std::vector<int>& lits) {
    DimacsFile& file = implicant ? query_outputs.implicants : query_outputs.implicates;
    if (file.isOpen()) file.add(lits);
    recordPrime(implicant, lits, print_all_);
    return true;
}

// The report reads the counters of the lines written, which are what a reader of the output
// can check. An unsatisfiable formula has none.
void PrintingSink::finished(const Figures& figures) {
    if (figures.ending == Ending::Unsatisfiable) return;
    printFinalReport();
    if (figures.ending == Ending::Limit) outPrintf("Stopped at the limit of %llu primes\n", (unsigned long long)limit_);
}

}  // namespace primal
