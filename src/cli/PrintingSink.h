// The command line's sink: the run's lines on standard output, exactly as the tool has always
// printed them, each prime line counted in the same step as it is written (Reports.h).
#ifndef PRIMAL_CLI_PRINTINGSINK_H
#define PRIMAL_CLI_PRINTINGSINK_H

#include <cstdint>
#include <string>
#include <vector>

#include "primal/primal.h"

namespace primal {

class PrintingSink : public Sink {
public:
    // print_time: progress reports every five seconds once the enumeration starts. The prime
    // files of query_outputs (QueryOutputs.h) get every prime handed over. `limit`: the query's,
    // named by the line of a run it cut short. `input` and `negated` are the names the lines
    // show once the input is open.
    PrintingSink(bool print_all, bool print_time, uint64_t limit, std::string input, std::string negated);
    bool wantsLiterals() const override { return print_all_ || files_; }
    void opened() override;
    void formulaRead(int vars_to_test, bool header_mismatch) override;
    void unsatisfiable() override;
    void satisfiable() override;
    bool prime(bool implicant, const std::vector<int>& lits) override;
    void finished(const Figures& figures) override;

private:
    bool print_all_, print_time_, files_;
    std::string input_, negated_;
    uint64_t limit_;
};

}  // namespace primal

#endif
