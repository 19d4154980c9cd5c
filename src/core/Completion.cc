// Prime implicants are exactly the consistent minimal transversals of the prime implicates.
// Once every implicate is known, the engine over them, with the implicants found so far as known
// sets (a transversal that contains one is that one), yields each missing implicant exactly once,
// with no solver call. Its time counts as maximal-model time.
#include "core/Reports.h"
#include "core/Transversals.h"
#include "core/RunContext.h"
#include "utils/System.h"

namespace primal {

void completeImplicants(RunContext& ctx) {
    double t0 = Sat::userCpuTime();
    TransversalEngine engine(ctx.n);
    ctx.implicates.forEach([&](const int* b, const int* e) { engine.addEdge(std::vector<int>(b, e)); });
    ctx.implicants.forEach([&](const int* b, const int* e) { engine.addKnown(std::vector<int>(b, e)); });
    std::vector<int> prime;
    uint32_t found = 0;
    engine.enumerate([&](const std::vector<int>& t) {
        prime = t;
        ctx.implicants.add(prime);
        ctx.record(true, prime);
        if (++found % 4096 == 0) {
            double t1 = Sat::userCpuTime();
            addTime(time_max_m, t1 - t0);
            t0 = t1;
        }
        return true;
    });
    addTime(time_max_m, Sat::userCpuTime() - t0);
}

}  // namespace primal
