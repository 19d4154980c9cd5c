// What a run is asked to do, with the defaults that the command line offers too.
#ifndef PRIMAL_ENUMERATE_RUNOPTIONS_H
#define PRIMAL_ENUMERATE_RUNOPTIONS_H

#include <cstdint>

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
};

}  // namespace primal

#endif
