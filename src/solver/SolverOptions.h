// The solver's tuning options ("CORE"). They are static objects of this module, so they
// register before main runs and every Solver constructor copies their current values.
#ifndef PRIMAL_SOLVER_SOLVEROPTIONS_H
#define PRIMAL_SOLVER_SOLVEROPTIONS_H

#include "utils/Options.h"

namespace Sat {
extern DoubleOption opt_var_decay;
extern DoubleOption opt_clause_decay;
extern DoubleOption opt_random_var_freq;
extern DoubleOption opt_random_seed;
extern IntOption opt_ccmin_mode;
extern IntOption opt_phase_saving;
extern BoolOption opt_rnd_init_act;
extern BoolOption opt_luby_restart;
extern IntOption opt_restart_first;
extern DoubleOption opt_restart_inc;
extern DoubleOption opt_garbage_frac;
extern IntOption opt_min_learnts_lim;
}  // namespace Sat

#endif
