// The CPU time of the phases of a run. Three timers (maximal model, check, reduction) that the
// enumeration writes and progress reports read while it runs, hence lock-free atomics. A time
// stamp is a system call, while the engines find a prime in well under a microsecond: a phase
// timer stamps once per phase and every `refresh_interval` primes, so that reports stay current.
#ifndef PRIMAL_ENUMERATE_PHASETIMER_H
#define PRIMAL_ENUMERATE_PHASETIMER_H

#include <atomic>
#include <cstdint>

namespace primal {

// The timers are its own, or a caller's that outlive the run (the library's callers may read
// theirs while it goes on).
struct PhaseTimes {
    PhaseTimes() : max_model(own_[0]), check(own_[1]), reduction(own_[2]) {}
    PhaseTimes(std::atomic<double>& m, std::atomic<double>& c, std::atomic<double>& r)
        : max_model(m), check(c), reduction(r) {}
    PhaseTimes(const PhaseTimes&) = delete;
    PhaseTimes& operator=(const PhaseTimes&) = delete;

private:
    std::atomic<double> own_[3] = {0.0, 0.0, 0.0};

public:
    std::atomic<double>& max_model;
    std::atomic<double>& check;
    std::atomic<double>& reduction;
};

// Only the enumeration writes a timer, so a load and a store suffice.
inline void addTime(std::atomic<double>& timer, double dt) {
    timer.store(timer.load(std::memory_order_relaxed) + dt, std::memory_order_relaxed);
}

constexpr uint32_t refresh_interval = 4096;

// Charges the time from its start (or last stamp) to one timer.
class PhaseTimer {
public:
    explicit PhaseTimer(std::atomic<double>& timer);
    ~PhaseTimer();                  // charges the time since the last stamp
    PhaseTimer(const PhaseTimer&) = delete;
    PhaseTimer& operator=(const PhaseTimer&) = delete;
    void tick() {                   // one prime found: every refresh_interval, a stamp
        if (++count_ % refresh_interval == 0) restart();
    }
    void restart();                 // charges the time up to now
    double chargeUntil(double now); // charges the time up to `now` (a time stamp); returns it
    void resumeFrom(double now);    // the time up to `now` went elsewhere: charges none of it

private:
    std::atomic<double>& timer_;
    double t0_;
    uint32_t count_ = 0;
};

}  // namespace primal

#endif
