// The command line's sink: the run's lines on standard output, exactly as the tool has always
// printed them, each prime line counted in the same step as it is written (Reports.h).
#ifndef PRIMAL_CLI_PRINTINGSINK_H
#define PRIMAL_CLI_PRINTINGSINK_H

#include <cstdint>

#include "enumerate/PrimeSink.h"

namespace primal {

class PrintingSink : public PrimeSink {
public:
    // print_time: progress reports every five seconds once the enumeration starts.
    // max_primes: the run stops when a prime beyond this many comes (0: no limit); the prime
    // files of query_outputs (QueryOutputs.h) get every prime handed over.
    PrintingSink(bool print_all, bool print_time, uint64_t max_primes = 0);
    bool wantsLiterals() const override { return print_all_ || files_; }
    void formulaRead(int vars_to_test, bool header_mismatch) override;
    void unsatisfiable() override;
    void satisfiable() override;
    bool prime(bool implicant, const std::vector<int>& lits) override;
    void finished(const RunFigures& figures) override;

    // Whether the limit cut the run short (a prime beyond it came).
    bool stoppedAtLimit() const { return stopped_at_limit_; }

private:
    bool print_all_, print_time_, files_;
    uint64_t max_primes_, handed_ = 0;
    bool stopped_at_limit_ = false;
};

}  // namespace primal

#endif
