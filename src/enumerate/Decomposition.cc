#include "enumerate/Decomposition.h"

#include <algorithm>
#include <memory>
#include <numeric>

#include "enumerate/DualRailSearch.h"
#include "enumerate/Enumeration.h"
#include "enumerate/PrimeReduction.h"
#include "enumerate/PrimeStore.h"
#include "enumerate/Reports.h"
#include "enumerate/TransversalPhases.h"

using namespace Sat;

namespace primal {

namespace {

int find(std::vector<int>& parent, int x) {
    while (parent[size_t(x)] != x) x = parent[size_t(x)] = parent[size_t(parent[size_t(x)])];
    return x;
}

struct Part {
    std::vector<std::vector<int>> clauses;  // over ctx's variables, then over the part's own
    std::vector<int> vars;                  // ctx's variables in the part, ascending
    std::vector<int> to_input;              // the part's variable i is input index to_input[i]
};

// Every implicant of the whole formula: the fixed literals and one implicant of each part (lists
// in input indices).
void recordProducts(const std::vector<int>& fixed, const std::vector<std::vector<std::vector<int>>>& lists,
                    bool print) {
    EngineFinds finds;  // charges the time, kept current for progress reports
    std::vector<size_t> at(lists.size(), 0);
    std::vector<int> prime;
    for (uint64_t count = 1;; count++) {
        prime = fixed;
        for (size_t i = 0; i < lists.size(); i++) prime.insert(prime.end(), lists[i][at[i]].begin(), lists[i][at[i]].end());
        recordPrime(true, prime, print);
        if (count % 4096 == 0) finds.restart();
        size_t i = 0;  // the next combination, as an odometer
        while (i < lists.size() && ++at[i] == lists[i].size()) at[i++] = 0;
        if (i == lists.size()) break;
    }
}

}  // namespace

bool enumerateByParts(RunContext& ctx, const RunOptions& opts) {
    const Solver& fs = *ctx.formula.solver;
    const int n = ctx.n;
    std::vector<signed char> value(size_t(n) + 1, 0);  // root-fixed values: 1 true, -1 false
    std::vector<int> fixed;
    int root_end = fs.trail_lim.size() > 0 ? fs.trail_lim[0] : fs.trail.size();
    for (int i = 0; i < root_end; i++) {
        Lit p = fs.trail[i];
        int l = sign(p) ? -(var(p) + 1) : var(p) + 1;
        value[size_t(std::abs(l))] = l > 0 ? 1 : -1;
        fixed.push_back(l);
    }

    // The simplified clauses (satisfied and tautological ones dropped, false literals removed),
    // and their parts by shared variables.
    std::vector<std::vector<int>> simplified;
    std::vector<char> seen(2 * size_t(n) + 2, 0);
    auto slot = [](int l) { return size_t(2 * std::abs(l) + (l < 0)); };
    for (const std::vector<int>& c : ctx.formula.cls) {
        std::vector<int> kept;
        bool drop = false;
        for (int l : c) {
            signed char v = value[size_t(std::abs(l))];
            if ((v > 0) == (l > 0) && v != 0) drop = true;
            if (v != 0 || seen[slot(l)]) continue;
            if (seen[slot(-l)]) drop = true;
            seen[slot(l)] = 1;
            kept.push_back(l);
        }
        for (int l : kept) seen[slot(l)] = 0;
        if (!drop && kept.empty()) return false;  // cannot happen on a satisfiable formula
        if (!drop) simplified.push_back(std::move(kept));
    }
    std::vector<int> parent(size_t(n) + 1);
    std::iota(parent.begin(), parent.end(), 0);
    for (const std::vector<int>& c : simplified)
        for (int l : c) parent[size_t(find(parent, std::abs(l)))] = find(parent, std::abs(c[0]));
    std::vector<int> part_of(size_t(n) + 1, -1);
    std::vector<Part> parts;
    for (std::vector<int>& c : simplified) {
        int root = find(parent, std::abs(c[0]));
        if (part_of[size_t(root)] < 0) {
            part_of[size_t(root)] = int(parts.size());
            parts.emplace_back();
        }
        parts[size_t(part_of[size_t(root)])].clauses.push_back(std::move(c));
    }
    // One part beside fixed literals: the whole formula's solver, which has already searched,
    // serves it better than a fresh one.
    if (parts.size() == 1 || (fixed.empty() && parts.empty())) return false;
    simplified.clear();
    simplified.shrink_to_fit();

    // Each part gets its own numbering, which keeps the order of indices, its map going straight
    // to input indices.
    std::vector<int> local(size_t(n) + 1, 0);
    for (Part& part : parts) {
        for (const std::vector<int>& c : part.clauses)
            for (int l : c) part.vars.push_back(std::abs(l));
        std::sort(part.vars.begin(), part.vars.end());
        part.vars.erase(std::unique(part.vars.begin(), part.vars.end()), part.vars.end());
        part.to_input.assign(part.vars.size() + 1, 0);
        for (size_t i = 0; i < part.vars.size(); i++) {
            local[size_t(part.vars[i])] = int(i) + 1;
            part.to_input[i + 1] = ctx.inputLit(part.vars[i]);
        }
        for (std::vector<int>& c : part.clauses)
            for (int& l : c) l = l < 0 ? -local[size_t(-l)] : local[size_t(l)];
    }
    // An implicant of the whole is a product over all parts, so it can only be printed once
    // every part's implicants are known. So the parts are taken only when the engine lists all
    // of them for every part; then the products come out before any implicate, and an
    // interrupted run has lost nothing. Otherwise the whole formula goes through the policy,
    // which records every prime as it is found. The engine needs no solver: a part gets its
    // solvers (each reserving its clause arena) only when its turn comes, one part at a time.
    std::vector<PrimeStore> local_implicants(parts.size());
    for (size_t i = 0; i < parts.size(); i++)
        if (!partImplicants(parts[i].clauses, int(parts[i].vars.size()), ctx.first_check_conflicts, opts,
                            local_implicants[i]))
            return false;

    for (int& l : fixed) l = ctx.inputLit(l);
    std::sort(fixed.begin(), fixed.end());
    std::vector<std::vector<std::vector<int>>> lists(parts.size());
    for (size_t i = 0; i < parts.size(); i++) {
        const std::vector<int>& to_input = parts[i].to_input;
        local_implicants[i].forEach([&](const int* b, const int* e) {
            lists[i].emplace_back();
            for (const int* p = b; p != e; ++p) lists[i].back().push_back(*p < 0 ? -to_input[size_t(-*p)] : to_input[size_t(*p)]);
        });
    }
    recordProducts(fixed, lists, ctx.print_all);
    lists = {};
    for (int l : fixed) {
        std::vector<int> unit{l};
        recordPrime(false, unit, ctx.print_all);
    }
    for (size_t i = 0; i < parts.size(); i++) {
        Part& part = parts[i];
        SolverWrapper formula;
        for (std::vector<int>& c : part.clauses) formula.addClause(c, false);
        part.clauses = {};
        const int k = int(part.vars.size());
        formula.ensureVar(k);
        formula.pushInstance();
        formula.solver->exempt_binary_learnts = true;  // it only checks candidate terms
        RunContext sub(formula, k, ctx.print_all, std::move(part.to_input));
        sub.defer_implicants = true;  // printed above, as products
        sub.first_check_conflicts = ctx.first_check_conflicts;
        sub.implicants = std::move(local_implicants[i]);
        primeutil::buildOccLists(formula.cls);
        std::unique_ptr<DR_SolverWrapper> dual;  // only if the engine hands over to the loop
        finishPrimes(sub, [&]() -> DR_SolverWrapper& {
            if (!dual) {
                dual = std::make_unique<DR_SolverWrapper>();
                setUpDualRail(*dual, k);
            }
            return *dual;
        }, opts, true);
    }
    return true;
}

}  // namespace primal
