#include "enumerate/RunContext.h"

#include <algorithm>
#include <cassert>

namespace primal {

void Recorder::recordInput(bool implicant, std::vector<int>& lits) {
    if (!wants(implicant)) return;
    if (literals_ && !std::is_sorted(lits.begin(), lits.end())) std::sort(lits.begin(), lits.end());
    if (!sink_.prime(implicant, lits)) throw StopRun{};
}

void Recorder::watch(Sat::Solver& s) const {
    s.notice = notice_;
    if (interrupted_ == nullptr || !*interrupted_) return;
    s.poll = [](void* check) { return (*static_cast<const std::function<bool()>*>(check))(); };
    s.poll_arg = const_cast<std::function<bool()>*>(interrupted_);
}

RunContext::RunContext(Sat::SolverWrapper& f, int vars, Recorder& recorder, std::vector<int> orig)
    : formula(f), n(vars), out(recorder), times(recorder.times()), rmodel(size_t(vars)), orig_var(std::move(orig)) {
    test_vars.reserve(size_t(vars));
    for (int v = 1; v <= vars; v++) test_vars.push_back(v);
}

void RunContext::restrictToX(std::vector<int>& implicant) {
    size_t k = 0;
    for (int l : implicant)
        if (in_x[size_t(l < 0 ? -l : l)]) implicant[k++] = l;
    implicant.resize(k);
    // Every candidate term lies within X, and a model of the formula outside X's reach: an
    // implicant with no literal over X makes every assignment of X extend to a model.
    if (k == 0) g_valid = true;
}

void RunContext::record(bool implicant, const std::vector<int>& prime) {
    if ((implicant && defer_implicants) || !out.wants(implicant)) return;
    assert(implicant || max_len == 0 || prime.size() <= max_len);  // every implicate search is bounded
    if (max_len != 0 && prime.size() > max_len) return;
    printed_.clear();
    if (out.wantsLiterals())
        for (int l : prime) printed_.push_back(inputLit(l));
    out.recordInput(implicant, printed_);
}

}  // namespace primal
