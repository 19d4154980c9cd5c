// Prime implicates as minimal transversals of the prime implicants. Given only some implicants
// I', a consistent minimal transversal C of I' that is an implicate is a prime one (a smaller
// implicate would hit every implicant, so C would not be minimal); one that is not has a model
// of the formula outside C, which reduces to an implicant disjoint from C, hence new. When a
// pass of the engine over I' yields only implicates, every prime implicate is known: a missing
// one would contain a minimal transversal of I', which would be a known implicate below it.
// Under a length bound k the engine is pruned at k: a missing prime implicate of at most k
// literals would contain such a transversal of at most k literals, reached all the same, so a
// pass that yields only implicates still proves every implicate up to k known; and with every
// implicant known, the transversals up to k are exactly the implicates up to k.
//
// The engine's hypergraph is fixed during a pass, so implicants found in a pass join it at the
// next one; until then a candidate that misses one of them cannot be an implicate and is skipped
// without a solver call.
#include <algorithm>
#include <cassert>

#include "enumerate/CandidateStep.h"
#include "enumerate/Phases.h"
#include "transversal/Transversals.h"
#include "utils/LitIndex.h"

namespace primal {

namespace {

// A pass that has found ctx.new_implicants_per_pass new implicants gives way to a new one over
// all of them: each candidate is tested against the new implicants, which would cost more than
// a fresh pass. Under a length bound the candidates are short, so the test goes by literal
// instead: a bit per fresh implicant in each literal's words, and a candidate hits them all when
// the union of its literals' bits is full (a few words per literal instead of a walk over every
// fresh implicant). That test is cheap, so a pass goes on past new_implicants_per_pass while it
// has checked more candidates than it skipped for missing a fresh implicant (the rest of its
// tree is then still mostly alive), up to max_fresh_words words per literal and
// fresh_memory_words in all. A new pass walks again all that the last one walked: logistics.a
// (828 variables) at K = 3 took 3.3 s per pass over 3352 implicants to meet 256 new ones, and
// printed 188587 implicates in 20 s instead of 73547; random 3-CNF at K = 4, 7-12% fewer
// instructions.
constexpr size_t max_fresh_words = 128, fresh_memory_words = size_t(1) << 22;

// Whether unit propagation alone refutes the negation of `clause` in the formula solver, which
// makes the clause an implicate. Under a length bound most candidates are implicates refuted so
// (on random 3-CNF, resolvents of two or three clauses), and a propagation costs a fraction of
// the solver's check (search set-up, phases reset, final conflict).
bool refutedByPropagation(RunContext& ctx, const std::vector<int>& clause, Sat::vec<Sat::Lit>& assumps,
                          Sat::vec<Sat::Lit>& implied) {
    assumps.clear();
    for (int l : clause) assumps.push(~Sat::dimacsLit(l));
    return !ctx.formula.solver->implies(assumps, implied);
}

}  // namespace

bool implicatesFromImplicants(RunContext& ctx, bool implicants_complete, uint64_t steps, uint64_t per_prime,
                              uint64_t trust_after) {
    std::vector<int> term, prime;
    uint64_t found = 0;
    bool trusted = false;
    std::vector<char> in_clause(2 * size_t(ctx.n) + 2, 0);
    Sat::vec<Sat::Lit> assumps, implied;
    const bool by_literal = ctx.max_len != 0;
    const size_t literals = 2 * size_t(ctx.n) + 2, per_pass = ctx.new_implicants_per_pass;
    const size_t fresh_words =
        by_literal ? std::max((per_pass + 63) / 64, std::min(max_fresh_words, fresh_memory_words / literals)) : 0;
    const size_t max_fresh = by_literal ? 64 * fresh_words : per_pass;
    std::vector<uint64_t> fresh_bits(literals * fresh_words);
    size_t used_words = 0;  // of each literal's, by the last pass
    // One engine for every pass, given what the stores gained since the last: the same edges
    // and known sets in the same order as a fresh one, without adding the old ones again.
    TransversalEngine engine(ctx.n);
    size_t edges = 0, known = 0;
    for (;;) {
        PhaseTimer search(ctx.times.max_model);  // the engine's own time
        ctx.implicants.forEach([&](const int* b, const int* e) { engine.addEdge(b, e); }, edges);
        ctx.implicates.forEach([&](const int* b, const int* e) { engine.addKnown(b, e); }, known);
        edges = ctx.implicants.size(), known = ctx.implicates.size();
        engine.setStepLimit(steps, per_prime);
        engine.setMaxSize(int(ctx.max_len));
        watchEngine(ctx, search, engine);
        PrimeStore fresh;  // implicants found in this pass
        for (size_t i = 0; used_words != 0 && i < literals; i++)
            std::fill_n(fresh_bits.begin() + long(i * fresh_words), used_words, 0);
        size_t skipped = 0, checked = 0;
        auto goOn = [&] {
            return fresh.size() < per_pass || (fresh.size() < max_fresh && skipped < checked);
        };

        bool done = engine.enumerate([&](const std::vector<int>& clause) {
            if (implicants_complete) {
                // Kept only while the loop may still take over (it must know what was printed).
                keepFound(ctx, search, false, clause, !trusted);
                if (!trusted && ++found >= trust_after) {
                    trusted = true;
                    engine.liftStepLimit();
                }
                return true;
            }
            bool hits_fresh = true;
            if (fresh.size() != 0 && by_literal) {
                for (size_t w = 0; w * 64 < fresh.size() && hits_fresh; w++) {
                    uint64_t any = 0;
                    for (int l : clause) any |= fresh_bits[size_t(litIndex(l)) * fresh_words + w];
                    const size_t left = fresh.size() - w * 64;
                    hits_fresh = any == (left >= 64 ? ~uint64_t(0) : (uint64_t(1) << left) - 1);
                }
            } else if (fresh.size() != 0) {
                for (int l : clause) in_clause[litIndex(l)] = 1;
                fresh.forEach([&](const int* b, const int* e) {
                    if (hits_fresh && std::none_of(b, e, [&](int l) { return in_clause[litIndex(l)] != 0; }))
                        hits_fresh = false;
                });
                for (int l : clause) in_clause[litIndex(l)] = 0;
            }
            if (!hits_fresh) return ++skipped, goOn();
            checked++;
            // A minimal transversal of known implicants that is an implicate is prime (above),
            // whichever way it is shown to be one.
            if (ctx.max_len != 0 && refutedByPropagation(ctx, clause, assumps, implied)) {
                if (storeUnlessEarlier(ctx, false, clause)) ctx.record(false, clause);
                search.tick();
                return !ctx.g_valid;
            }

            const double t1 = search.chargeUntil(Sat::userCpuTime());
            term.clear();
            for (int l : clause) term.push_back(-l);
            StepEnd step = candidateStep(ctx, term, t1, prime, [&](bool implicant, const std::vector<int>& p) {
                if (!implicant) return true;
                assert(!by_literal || fresh.size() < max_fresh);
                if (by_literal)
                    for (int l : p)
                        fresh_bits[size_t(litIndex(l)) * fresh_words + fresh.size() / 64] |= uint64_t(1)
                                                                                          << (fresh.size() % 64);
                fresh.add(p);  // no blocking: the next pass takes it as an edge
                return true;
            });
            search.resumeFrom(step.at);
            return goOn() && !ctx.g_valid;
        });
        used_words = by_literal ? (fresh.size() + 63) / 64 : 0;
        if (ctx.g_valid) return true;  // no implicate at all
        if (!done && engine.stepLimitHit()) return false;
        if (fresh.size() == 0) return true;
    }
}

}  // namespace primal
