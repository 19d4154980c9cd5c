// What a run is asked to do, with the defaults that the command line offers too.
#ifndef PRIMAL_ENUMERATE_RUNOPTIONS_H
#define PRIMAL_ENUMERATE_RUNOPTIONS_H

#include <cstdint>
#include <functional>

namespace primal {

struct RunOptions {
    // Search steps of the transversal engine (plus engine_steps_per_prime for each prime it
    // finds) before the dual-rail loop takes over (0: the loop from the start). Where the engine
    // works well it needs a handful of steps per prime; where it has to search without
    // propagation it needs thousands, and the solver does better.
    int64_t engine_steps = 250000;
    int64_t engine_steps_per_prime = 100;
    // Conflicts of one dual-rail search before the transversal endgame takes over (0: never).
    int64_t endgame_conflicts = 20000;
    // A library caller's interruption check, asked every 1024 conflicts of a solver search;
    // true stops the run as a sink's false does. Unset (the command line): never asked.
    std::function<bool()> interrupted;
    // The solvers' notice lines left out (a library's run: standard output is not its own).
    bool quiet = false;
};

}  // namespace primal

#endif
