// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace orbilan {

// Waits until `value` differs from `old`: a spin of about 30 microseconds, which covers the usual wait
// inside and between steps, then a sleep until the value is notified. A waiting thread therefore
// never holds a core that the user interface or another program could use.
void wait_for_change(const std::atomic<unsigned>& value, unsigned old);

// The number of threads for a request: 0 means one per hardware thread.
int thread_count(int requested);

// A fixed team of threads that runs one job at a time; the calling thread is member 0. When the
// system refuses a thread, the team is the members that did start.
class ForceWorkers {
public:
    explicit ForceWorkers(int threads);
    ~ForceWorkers();
    ForceWorkers(const ForceWorkers&) = delete;
    ForceWorkers& operator=(const ForceWorkers&) = delete;

    int size() const { return size_; }

    // Runs job(member) on every member and returns when all have finished.
    void run(const std::function<void(int member)>& job);

private:
    void helper_main(int member);

    int size_;
    std::vector<std::thread> helpers_;
    const std::function<void(int)>* job_ = nullptr;
    std::atomic<unsigned> job_generation_{0};
    std::atomic<int> job_unfinished_{0};
    std::atomic<unsigned> finished_generation_{0};
    std::atomic<bool> quit_{false};
};

// Chooses, call by call, whether a team shares a job or its calling thread does it alone. Sharing
// is slower than working alone when another program holds a core, and a job gives the same bits
// either way, so the choice follows the measured times: the other choice is tried now and then,
// less often each time it loses. Means, not medians: a shared call that waits for a member
// another program holds is rare but long, and it is the mean that decides how fast a run goes.
class TeamChoice {
public:
    // The choice for the next call.
    bool shared() const { return probing_ ? !current_shared_ : current_shared_; }
    // The time that call took.
    void record(double seconds);

private:
    // Calls between two probes: a probe that loses doubles the interval up to DOUBLING_LIMIT, a
    // costly one may stretch it further, and MAX_INTERVAL keeps a freed core from going unnoticed.
    static constexpr int MIN_INTERVAL = 16;
    static constexpr int DOUBLING_LIMIT = 1024;
    static constexpr int MAX_INTERVAL = 1 << 20;
    // A probe's first call wakes the helpers or lets them fall asleep; the others are measured.
    static constexpr int PROBE_CALLS = 7;

    bool current_shared_ = true;
    double current_seconds_ = 0;  // the calls of the current choice since the last probe
    int current_calls_ = 0;
    bool probing_ = false;
    double probe_seconds_ = 0;  // the measured calls of the probe
    double probe_cost_ = 0;     // all its calls
    int probe_calls_ = 0;
    int interval_ = MIN_INTERVAL;
    int calls_to_probe_ = MIN_INTERVAL;
};

}  // namespace orbilan
