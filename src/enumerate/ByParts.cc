#include "enumerate/ByParts.h"

#include <algorithm>
#include <cassert>
#include <memory>

#include "formula/DualRailSearch.h"

using namespace Sat;

namespace primal {

std::vector<int> rootFixedLiterals(const Solver& fs) {
    std::vector<int> fixed;
    const int root_end = fs.trail_lim.size() > 0 ? fs.trail_lim[0] : fs.trail.size();
    for (int i = 0; i < root_end; i++) fixed.push_back(dimacsOf(fs.trail[i]));
    return fixed;
}

void recordProducts(RunContext& ctx, const std::vector<int>& fixed, const std::vector<FormulaPart>& parts,
                    const std::vector<PrimeStore>& implicants) {
    assert(parts.size() == implicants.size());
    // Each part's implicants where its store keeps them (the blocks never move), and a table from
    // the part's literals to input literals (to_input[i][k + l] for l in -k..k), applied as each
    // product is put together. A copy of the implicants as lists of input literals cost more
    // memory than the stores: a part of 83 variables with 13.8 million implicants took 7.2 GB
    // up to the first product with the copy, 3.4 GB without.
    using Range = std::pair<const int*, const int*>;
    std::vector<std::vector<Range>> lists(parts.size());
    std::vector<std::vector<int>> to_input(parts.size());
    for (size_t i = 0; i < parts.size(); i++) {
        const int k = int(parts[i].vars.size());
        to_input[i].assign(2 * size_t(k) + 1, 0);
        for (int l = 1; l <= k; l++) {
            const int v = parts[i].vars[size_t(l) - 1];
            to_input[i][size_t(k + l)] = ctx.inputLit(v), to_input[i][size_t(k - l)] = ctx.inputLit(-v);
        }
        lists[i].reserve(implicants[i].size());
        implicants[i].forEach([&](const int* b, const int* e) { lists[i].emplace_back(b, e); });
        assert(!lists[i].empty());  // a satisfiable part has an implicant
    }
    std::vector<int> fixed_input;
    for (int l : fixed) fixed_input.push_back(ctx.inputLit(l));

    PhaseTimer timer(ctx.times.max_model);
    std::vector<size_t> at(lists.size(), 0);
    std::vector<int> prime;
    for (;;) {
        size_t len = fixed_input.size();
        for (size_t i = 0; i < lists.size(); i++) len += size_t(lists[i][at[i]].second - lists[i][at[i]].first);
        prime.resize(len);
        int* out = std::copy(fixed_input.begin(), fixed_input.end(), prime.data());
        for (size_t i = 0; i < lists.size(); i++) {
            const int* mid = to_input[i].data() + parts[i].vars.size();
            for (const int* p = lists[i][at[i]].first; p != lists[i][at[i]].second; ++p) *out++ = mid[*p];
        }
        ctx.out.recordInput(true, prime);
        timer.tick();
        size_t i = 0;  // the next combination, as an odometer
        while (i < lists.size() && ++at[i] == lists[i].size()) at[i++] = 0;
        if (i == lists.size()) break;
    }
}

void runPart(RunContext& whole, FormulaPart& part, PrimeStore implicants,
             const std::function<void(RunContext&, const DualRailMaker&)>& finish) {
    SolverWrapper formula;
    formula.cls = std::move(part.clauses);
    part.clauses = {};
    const int k = int(part.vars.size());
    formula.ensureVar(k);
    formula.pushInstance();
    formula.solver->exempt_binary_learnts = true;  // it only checks candidate terms
    std::vector<int> to_input(size_t(k) + 1, 0);
    for (int i = 1; i <= k; i++) to_input[size_t(i)] = whole.inputLit(part.vars[size_t(i) - 1]);
    RunContext sub(formula, k, whole.out, std::move(to_input));
    sub.defer_implicants = true;  // recorded as products
    sub.first_check_conflicts = whole.first_check_conflicts;
    sub.implicants = std::move(implicants);
    sub.reducer.buildOccLists(formula.cls);
    std::unique_ptr<DR_SolverWrapper> dual;  // only if the engine hands over to the loop
    finish(sub, [&]() -> DR_SolverWrapper& {
        if (!dual) {
            dual = std::make_unique<DR_SolverWrapper>();
            setUpDualRail(*dual, k);
        }
        return *dual;
    });
}

}  // namespace primal
