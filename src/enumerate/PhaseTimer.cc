#include "enumerate/PhaseTimer.h"

#include <cassert>

#include "utils/System.h"

namespace primal {

PhaseTimer::PhaseTimer(std::atomic<double>& timer) : timer_(timer), t0_(Sat::userCpuTime()) {}

PhaseTimer::~PhaseTimer() { restart(); }

void PhaseTimer::restart() { chargeUntil(Sat::userCpuTime()); }

double PhaseTimer::chargeUntil(double now) {
    assert(now >= t0_);  // user CPU time never runs backwards
    addTime(timer_, now - t0_);
    t0_ = now;
    return now;
}

void PhaseTimer::resumeFrom(double now) { t0_ = now; }

}  // namespace primal
