// What a run is asked to do, with the defaults that the command line offers too.
#ifndef PRIMAL_ENUMERATE_RUNOPTIONS_H
#define PRIMAL_ENUMERATE_RUNOPTIONS_H

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace primal {

// Which primes a run hands to its sink. The other side is still computed as far as the engines
// need it (blocking, the transversal duality), but neither handed over nor counted.
enum class Side { Both, Implicants, Implicates };
inline bool sideWants(Side side, bool implicant) { return side == Side::Both || (side == Side::Implicants) == implicant; }

struct RunOptions {
    // Search steps of the transversal engine (plus engine_steps_per_prime for each prime it
    // finds) before the dual-rail loop takes over (0: the loop from the start). Where the engine
    // works well it needs a handful of steps per prime; where it has to search without
    // propagation it needs thousands, and the solver does better.
    int64_t engine_steps = 250000;
    int64_t engine_steps_per_prime = 100;
    // Conflicts of one dual-rail search before the transversal endgame takes over (0: never).
    int64_t endgame_conflicts = 20000;
    Side side = Side::Both;
    // Only primes of at most this many literals (0: no bound), bounded inside the search.
    int max_len = 0;
    // Primes of the formula with every variable outside a set X forgotten (existentially
    // quantified): X listed (input indices), or read from the input's "c n orig vars N" line
    // (1..N) or its "c p show ... 0" lines.
    enum class Projection { None, List, Orig, Show };
    Projection projection = Projection::None;
    std::vector<std::pair<int, int>> project_list;  // ranges of input indices, both ends included
    // A library caller's interruption check, asked every 1024 conflicts of a solver search;
    // true stops the run as a sink's false does. Unset (the command line): never asked.
    std::function<bool()> interrupted;
    // Where the solvers' notice lines go (null: nowhere; a library's standard output is not its
    // own).
    void (*solver_notice)(const char* line) = nullptr;
};

// A query that the input cannot answer (a projection onto variables it does not have): the
// message is one line, without its newline.
struct QueryError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace primal

#endif
