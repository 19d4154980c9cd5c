// primal as a library: every prime implicant and prime implicate of a CNF formula, handed to a
// sink or a callback as it is found or returned as lists. The command line is a user of this
// header: its options have their fields in Query, its messages and exit statuses are Error's,
// and the lines it prints at each event of a run come from its Sink. Nothing here prints, exits,
// installs signal handlers or sets resource limits, and a run leaves no state behind for the
// next.
#ifndef PRIMAL_PRIMAL_H
#define PRIMAL_PRIMAL_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace primal {

// Bad input (a syntax error, a file that cannot be opened or read whole, a variable beyond what
// the dual-rail encoding represents) or a query the input cannot answer: the message is the
// command line's, without its newline.
class Error : public std::runtime_error {
public:
    // A query out of range or that the input cannot answer, an input that cannot be opened, one
    // that cannot be read to its end, a syntax error.
    enum class Kind { Query, Open, Read, Syntax };
    Error(const std::string& message, Kind kind = Kind::Query, bool on_stdout = false)  // NOLINT
        : std::runtime_error(message), message_(message), kind_(kind), on_stdout_(on_stdout) {}
    Kind kind() const { return kind_; }
    // The message's bytes: what() ends at a zero byte, which a syntax error may quote.
    const std::string& message() const { return message_; }
    // Where the command line prints it (standard output: an open error and a malformed header)
    // and its exit status (3 for a syntax error, otherwise 1).
    bool onStdout() const { return on_stdout_; }
    int status() const { return kind_ == Kind::Syntax ? 3 : 1; }

private:
    std::string message_;
    Kind kind_;
    bool on_stdout_;
};

// The CPU seconds of a run's three phases (maximal models, candidate checks, reductions), for a
// caller that reads them while the run goes on: lock-free atomics, each changed by a single
// store, so a signal handler may read them.
struct Timers {
    std::atomic<double> max_model{0.0}, check{0.0}, reduction{0.0};
};

// What a run is asked: the command line's options, with its defaults.
struct Query {
    // Search steps of the transversal engine (plus engine_steps_per_prime for each prime it
    // finds) before the dual-rail search takes over (0: the dual-rail search only; -engine-steps).
    int64_t engine_steps = 250000;
    int64_t engine_steps_per_prime = 100;
    // Conflicts of one dual-rail search before the transversal endgame takes over (0: never;
    // -endgame).
    int64_t endgame_conflicts = 20000;
    // Which primes are handed over and counted (-side); the other side is computed only as far
    // as the search needs it.
    enum class Side { Both, Implicants, Implicates };
    Side side = Side::Both;
    // Stop after this many primes of the asked side(s) (0: no limit; -max-primes); a run cut short
    // by it ends with Ending::Limit.
    uint64_t limit = 0;
    // Only primes of at most this many literals (0: no bound; -max-len); the bound is kept
    // inside the search. Not with a projection.
    int max_len = 0;
    // The primes of the formula with every variable outside this list forgotten (-project;
    // absent: no projection; empty: the formula's projection onto no variable, valid or
    // unsatisfiable). Variables are input indices, at most the formula's variable count.
    std::optional<std::vector<int>> project;
    // The same set given otherwise, instead of `project`: as ranges of input indices, both ends
    // included, ascending (-project=1-4,9), or read from the input, from its "c n orig vars N"
    // line (1..N; -project=orig) or its "c p show ... 0" lines (-project=show). Checked against
    // the input once it is read.
    enum class ProjectFrom { List, Ranges, OrigLine, ShowLines };
    ProjectFrom project_from = ProjectFrom::List;
    std::vector<std::pair<int, int>> project_ranges;
    // Asked every 1024 conflicts of a solver search, 1024 engine steps and 1024 primes when set;
    // true stops the run (Ending::Stopped) with the primes found so far handed over.
    std::function<bool()> interrupted;
    // Set: the run's phase timers are kept there as it goes (zeroed when it starts).
    Timers* timers = nullptr;
    // The solver's rare notice lines on standard output, as the command line has them (a
    // library's standard output is not its own).
    bool solver_notices = false;
};

enum class Ending { Complete, Unsatisfiable, Stopped, Limit };

// The figures of a run, as the command line's final report has them.
struct Figures {
    uint64_t implicants = 0, implicates = 0;
    // CPU seconds of the three phases: maximal models, candidate checks, reductions.
    double max_model = 0, check = 0, reduction = 0;
    int vars_to_test = 0;          // the largest variable index of the formula
    bool header_mismatch = false;  // it differs from the header's variable count
    Ending ending = Ending::Complete;
};

// The input: clauses of DIMACS integers, a DIMACS file (plain or gzip), DIMACS text or an open
// descriptor read as the run goes.
class Formula {
public:
    Formula(std::vector<std::vector<int>> clauses);  // NOLINT: clauses convert implicitly
    Formula(std::initializer_list<std::vector<int>> clauses) : Formula(std::vector<std::vector<int>>(clauses)) {}
    static Formula fromClauses(std::vector<std::vector<int>> clauses);
    static Formula fromFile(std::string path);
    static Formula fromText(std::string dimacs);  // plain or gzip bytes
    static Formula fromStream(std::istream& in);  // read to its end at once
    // Plain or gzip bytes read from the descriptor while the run goes (a pipe needs no end
    // before the enumeration starts). The run takes the descriptor over: it closes it when it
    // ends, however it ends. `name` stands for the input in messages.
    static Formula fromDescriptor(int fd, std::string name);
    static Formula fromStdin() { return fromDescriptor(0, "<stdin>"); }

    enum class Kind { Clauses, File, Text, Descriptor };
    Kind kind() const { return kind_; }
    const std::vector<std::vector<int>>& clauses() const { return clauses_; }
    const std::string& path() const { return text_; }  // File
    const std::string& text() const { return text_; }  // Text
    int descriptor() const { return fd_; }             // Descriptor
    const std::string& name() const { return name_; }  // what messages call the input

private:
    Formula() = default;
    Kind kind_ = Kind::Clauses;
    std::vector<std::vector<int>> clauses_;
    std::string text_;
    int fd_ = -1;
    std::string name_;
};

// Hears the events of a run, in this order: opened, formulaRead, then unsatisfiable, or
// satisfiable and the primes; finished last (also after unsatisfiable or a stop). A run that
// throws ends where it throws.
class Sink {
public:
    virtual ~Sink() = default;
    // False for a sink that only counts: prime() then gets no literals, which saves their
    // mapping to input numbers and their sort.
    virtual bool wantsLiterals() const { return true; }
    // The input is open (a file that cannot be opened has thrown) and its reading starts.
    virtual void opened() {}
    // `vars_to_test`: the formula's largest variable index; `header_mismatch`: it differs from
    // the header's variable count.
    virtual void formulaRead(int vars_to_test, bool header_mismatch) { (void)vars_to_test, (void)header_mismatch; }
    virtual void unsatisfiable() {}  // no model: no prime follows
    virtual void satisfiable() {}    // a model: the enumeration starts
    // One prime: an implicant (true) or an implicate, its literals in input numbering, ascending.
    // Returning false stops the run (Ending::Stopped).
    virtual bool prime(bool implicant, const std::vector<int>& lits) = 0;
    virtual void finished(const Figures& figures) { (void)figures; }
};

// Throws the Error that enumerate would throw for the query itself (a field out of range, options
// that do not go together), before any input is read: a caller can refuse a query before it
// creates anything.
void checkQuery(const Query& query);

// Runs the query, telling the sink each event as it happens. Throws Error on bad input or a
// query the input cannot answer; std::bad_alloc when memory runs out; std::logic_error on an
// internal failure; what the sink throws passes through.
Figures enumerate(const Formula& formula, const Query& query, Sink& sink);

// One prime, as Sink::prime.
using Callback = std::function<bool(bool implicant, const std::vector<int>& lits)>;

// Hands every prime to the callback as it is found; throws as above.
Figures enumerate(const Formula& formula, const Query& query, const Callback& callback);

struct Result {
    std::vector<std::vector<int>> implicants, implicates;  // in the order found
    Figures figures;
};

Result enumerate(const Formula& formula, const Query& query = Query());

// The project's version, "major.minor.patch".
const char* version();

}  // namespace primal

#endif
