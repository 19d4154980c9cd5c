// Prime implicants are exactly the consistent minimal transversals of the prime implicates.
// Once every implicate is known, the engine over them, with the implicants found so far as known
// sets (a transversal that contains one is that one), yields each missing implicant exactly once,
// with no solver call. Its time counts as maximal-model time.
#include "enumerate/Phases.h"
#include "transversal/Transversals.h"

namespace primal {

void completeImplicants(RunContext& ctx) {
    PhaseTimer timer(ctx.times.max_model);
    TransversalEngine engine(ctx.n);
    ctx.implicates.forEach([&](const int* b, const int* e) { engine.addEdge(b, e); });
    ctx.implicants.forEach([&](const int* b, const int* e) { engine.addKnown(b, e); });
    watchEngine(ctx, timer, engine);
    engine.enumerate([&](const std::vector<int>& t) {
        keepFound(ctx, timer, true, t);
        return true;
    });
}

}  // namespace primal
