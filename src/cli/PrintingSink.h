// The command line's sink: the run's lines on standard output, exactly as the tool has always
// printed them, each prime line counted in the same step as it is written (Reports.h).
#ifndef PRIMAL_CLI_PRINTINGSINK_H
#define PRIMAL_CLI_PRINTINGSINK_H

#include "enumerate/PrimeSink.h"

namespace primal {

class PrintingSink : public PrimeSink {
public:
    // print_time: progress reports every five seconds once the enumeration starts.
    PrintingSink(bool print_all, bool print_time) : print_all_(print_all), print_time_(print_time) {}
    bool wantsLiterals() const override { return print_all_; }
    void formulaRead(int vars_to_test, bool header_mismatch) override;
    void unsatisfiable() override;
    void satisfiable() override;
    bool prime(bool implicant, const std::vector<int>& lits) override;
    void finished(const RunFigures& figures) override;

private:
    bool print_all_, print_time_;
};

}  // namespace primal

#endif
