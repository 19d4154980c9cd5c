// Prime implicants are exactly the minimal consistent terms that hit every prime implicate.
// Once every implicate is known, a second dual-rail solver whose maximal models are such terms,
// with every implicant found so far blocked as a subset, yields each missing one exactly once.
// All of its solver calls, the last (unsatisfiable) one included, count as maximal-model time:
// it can be a large part of the run and must show in the split.
#include "core/DualRailSearch.h"
#include "core/Reports.h"
#include "core/RunContext.h"
#include "utils/System.h"

using namespace Sat;

namespace primal {

void completeImplicants(RunContext& ctx) {
    double t0 = userCpuTime();
    DR_SolverWrapper hit;
    setUpDualRail(hit, ctx.n);
    std::vector<int> neg;
    auto negate = [&](const int* b, const int* e) {
        neg.clear();
        for (const int* p = b; p != e; ++p) neg.push_back(-*p);
    };
    ctx.implicates.forEach([&](const int* b, const int* e) {
        negate(b, e);  // the term contains some literal of the implicate
        hit.addDualRailCls(neg, false, true);
    });
    ctx.implicants.forEach([&](const int* b, const int* e) {
        negate(b, e);  // the term lacks some literal of the implicant
        hit.addDualRailCls(neg, true, true);
    });
    std::vector<int> term, nt;
    double t1 = userCpuTime();
    addTime(time_reduction, t1 - t0);
    for (;;) {
        bool found = nextTerm(hit, ctx.test_vars, term) == l_True;
        double t2 = userCpuTime();
        addTime(time_max_m, t2 - t1);
        if (!found) break;
        nt.clear();
        for (int l : term) nt.push_back(-l);
        bool ok = hit.addDualRailClsIncr(nt, true, true);
        t1 = userCpuTime();
        addTime(time_reduction, t1 - t2);
        ctx.record(true, term);
        if (!ok) break;
    }
}

}  // namespace primal
