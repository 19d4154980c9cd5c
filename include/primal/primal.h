// primal as a library: every prime implicant and prime implicate of a CNF formula, handed to a
// callback as it is found or returned as lists. The command line's options have their fields in
// Query; its error messages are Error's messages. Nothing here prints, exits, installs signal
// handlers or sets resource limits, and a run leaves no state behind for the next.
#ifndef PRIMAL_PRIMAL_H
#define PRIMAL_PRIMAL_H

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace primal {

// Bad input (a syntax error, a file that cannot be opened or read whole, a variable beyond what
// the dual-rail encoding represents): the message is the command line's, without its newline.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
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
    // Asked every 1024 conflicts of a solver search and every 1024 primes when set; true stops
    // the run (Ending::Stopped) with the primes found so far handed over.
    std::function<bool()> interrupted;
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

// The input: clauses of DIMACS integers, a DIMACS file (plain or gzip) or DIMACS text.
class Formula {
public:
    Formula(std::vector<std::vector<int>> clauses);  // NOLINT: clauses convert implicitly
    Formula(std::initializer_list<std::vector<int>> clauses) : Formula(std::vector<std::vector<int>>(clauses)) {}
    static Formula fromClauses(std::vector<std::vector<int>> clauses);
    static Formula fromFile(std::string path);
    static Formula fromText(std::string dimacs);  // plain or gzip bytes
    static Formula fromStream(std::istream& in);  // read to its end at once

    enum class Kind { Clauses, File, Text };
    Kind kind() const { return kind_; }
    const std::vector<std::vector<int>>& clauses() const { return clauses_; }
    const std::string& path() const { return text_; }  // File
    const std::string& text() const { return text_; }  // Text

private:
    Formula() = default;
    Kind kind_ = Kind::Clauses;
    std::vector<std::vector<int>> clauses_;
    std::string text_;
};

// One prime: an implicant (true) or an implicate, and its literals in input numbering,
// ascending. Returning false stops the run (Ending::Stopped).
using Callback = std::function<bool(bool implicant, const std::vector<int>& lits)>;

// Hands every prime to the callback as it is found. Throws Error on bad input; std::bad_alloc
// when memory runs out; what the callback throws passes through.
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
